// The program's entry: the program's location, the runtime, the skin engine, the
// application's handlers, then the main window as the start-up window and the message loop
// until it is closed.
#include <xcb/xcb.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/application.h"
#include "core/program_location.h"
#include "forms/ids.h"
#include "forms/runtime.h"
#include "services/skin/skin_engine_module.h"
#include "services/speech/speech.h"
#include "services/windows/password_prompt.h"

namespace {

// Qt ends the process with an abort when its X11 platform cannot reach a server. Other
// platforms (offscreen in tests, Wayland when Qt chooses it in a Wayland session) need no
// X display and are left to Qt.
bool LacksX11Display() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform) {
    if (std::strncmp(platform, "xcb", 3) != 0) return false;
  } else if (std::getenv("WAYLAND_DISPLAY") && !std::getenv("DISPLAY")) {
    return false;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool failed = xcb_connection_has_error(connection) != 0;
  xcb_disconnect(connection);
  return failed;
}

}  // namespace

int main(int argc, char** argv) {
  if (LacksX11Display()) {
    std::fputs("rollcall: needs an X11 display (DISPLAY is unset or no X server answers)\n",
               stderr);
    return 1;
  }
  rc::InitProgramLocation();
  QApplication app(argc, argv);
  rc::forms::InitFormRuntime();
  // Before any window exists; without an engine the program keeps the ordinary look.
  rc::LoadSkinEngine();
  rc::InstallDatabasePasswordPrompt();
  rc::app::RegisterApplicationHandlers(rc::SpeakText);
  rc::forms::LoadStartupWindow(rc::forms::kMainWindow);
  return rc::forms::RunMessageLoop();
}
