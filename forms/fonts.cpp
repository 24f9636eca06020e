#include "forms/internal/fonts.h"

#include <QString>
#include <QStringList>
#include <algorithm>

#include "forms/definition_codec.h"
#include "forms/definition_model.h"

namespace rc::forms {
namespace {

QString ToQString(const Text& t) { return QString::fromStdU16String(t.ToUtf16()); }

}  // namespace

void InstallFontSubstitutions() {
  const QStringList cjk = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                           QStringLiteral("Noto Sans Mono CJK SC")};
  QFont::insertSubstitutions(QString::fromUtf8("宋体"), cjk);
  QFont::insertSubstitutions(QStringLiteral("SimSun"), cjk);
  QFont::insertSubstitutions(QString::fromUtf8("新宋体"), cjk);
}

QFont DefaultGuiFont() {
  QFont font(QString::fromUtf8("宋体"));
  font.setPixelSize(12);
  return font;
}

QFont FontFromLogFont(const ByteSet& logfont) {
  std::optional<LogFont> lf = DecodeLogFont(logfont);
  if (!lf) return DefaultGuiFont();
  QFont font = DefaultGuiFont();
  if (!lf->face.empty()) font.setFamily(ToQString(lf->face));
  // A negative height is the character height, a positive one the cell height; both are
  // taken as the pixel size, which is as close as Qt gets.
  int32_t height = lf->height < 0 ? -lf->height : lf->height;
  if (height > 0) font.setPixelSize(height);
  if (lf->weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(lf->weight, 100, 900)));
  font.setItalic(lf->italic != 0);
  font.setUnderline(lf->underline != 0);
  font.setStrikeOut(lf->strike_out != 0);
  return font;
}

QColor ColourFromColorRef(int32_t colorref) {
  uint32_t v = static_cast<uint32_t>(colorref);
  if (v & 0xFF000000u) return QColor();
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

}  // namespace rc::forms
