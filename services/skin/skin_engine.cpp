// The skin engine library. Its only exported symbol is AttachSkinResource (see
// skin_entry.h); everything else is hidden. The program loads it from memory and it uses
// the program's own Qt, which is already loaded when the library comes in.
#include <QApplication>
#include <QThread>
#include <string>

#include "services/skin/skin_entry.h"
#include "services/skin/skin_format.h"
#include "services/skin/skin_style.h"

extern "C" __attribute__((visibility("default"))) int AttachSkinResource(
    const uint8_t* skin, int32_t length, const char* /*password*/, int32_t /*reserved1*/,
    int32_t /*reserved2*/, int32_t /*reserved3*/) {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr || QThread::currentThread() != app->thread()) return 0;
  if (skin == nullptr || length <= 0) return 0;
  std::string error;
  const auto entries = rc::DecodeSkin(skin, static_cast<size_t>(length), &error);
  if (!entries) return 0;

  rc::SkinLook look;
  look.Apply(*entries);
  // The application owns the style from here on and repolishes every existing widget;
  // widgets created later get it too. The palette is set explicitly so that it holds
  // whatever the platform theme would suggest. Colours that a widget set for itself
  // (the name label's red and black) stay the widget's own.
  QApplication::setStyle(new rc::SkinStyle(look));
  QApplication::setPalette(look.MakePalette());
  // Qt tells the widgets of the new palette by posted events; deliver them now, so that
  // whatever the caller does next (showing a window, reading a colour) sees the skin.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
  return 1;
}
