// The program's windows in the skin, with their help balloons, for screenshots under a real
// X server: skinned_preview main|wide|statistics|classes. Start-up's order is kept: the engine
// is loaded before the first window, and the skin applied when the main window is created.
// "main" shows the key help at the "→" button, "classes" the class management window with
// its paste help. Runs until killed.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/embedded_definitions.h"
#include "app/help_tips.h"
#include "app/windows.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/runtime.h"
#include "services/skin/skin_engine_module.h"

int main(int argc, char** argv) {
  using namespace rc;
  using namespace rc::forms;
using namespace rc::app;
  if (argc != 2) {
    std::fprintf(stderr, "usage: skinned_preview main|wide|statistics|classes\n");
    return 2;
  }
  const char* which = argv[1];
  QApplication app(argc, argv);
  InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  LoadSkinEngine();
  bool bound = BindHandler(kMainWindow, kMainWindowItem, kEventCreated, [which](int32_t, int32_t) {
    ApplyEmbeddedSkin();
    // "wide" shows the main window as "→" leaves it, with the class combo box.
    WriteProperty(kMainWindow, kWindowItself, kPropWidth,
                  int32_t{std::strcmp(which, "wide") == 0 ? 264 : 170});
    if (std::strcmp(which, "main") == 0) app::ShowKeyHelpTip();
    return 0;
  });
  bound &= BindHandler(kClassWindow, kClassWindowItem, kEventCreated, [](int32_t, int32_t) {
    app::ShowPasteHelpTip();
    return 0;
  });
  if (!bound) {
    std::fprintf(stderr, "a created event is not bound\n");
    return 1;
  }
  LoadStartupWindow(kMainWindow);
  QTimer::singleShot(300, &app, [which] {
    bool loaded = true;
    if (std::strcmp(which, "statistics") == 0) {
      loaded = LoadWindow(kStatsWindow, kMainWindow, false);
    } else if (std::strcmp(which, "classes") == 0) {
      loaded = LoadWindow(kClassWindow, kMainWindow, false);
    }
    if (!loaded) std::fprintf(stderr, "the window did not load\n");
  });
  return RunMessageLoop();
}
