// The program's entry: a command to the running program, which needs nothing of Qt; else
// the platform, the program's location, the runtime, the skin engine, the application's
// handlers, then the main window as the start-up window and the message loop until it is
// closed.
#include <QApplication>
#include <cstdio>
#include <optional>

#include "app/application.h"
#include "app/commands.h"
#include "app/embedded_definitions.h"
#include "app/main_window_menu.h"
#include "app/windows.h"
#include "core/program_location.h"
#include "forms/runtime.h"
#include "services/skin/skin_engine_module.h"
#include "services/speech/speech.h"
#include "services/windows/password_prompt.h"
#include "services/windows/x11_display.h"

int main(int argc, char** argv) {
  if (const std::optional<int> exit_code = rc::app::RunCommandLine(argc, argv)) {
    return *exit_code;
  }
  switch (rc::PrepareX11Platform(argc, argv)) {
    case rc::X11Display::kUsable:
      break;
    case rc::X11Display::kNotReachable:
      std::fputs("rollcall: needs an X11 display (DISPLAY is unset or no X server answers)\n",
                 stderr);
      return 1;
    case rc::X11Display::kWaylandWithoutX:
      std::fputs("rollcall: needs an X11 display or Xwayland (DISPLAY is unset)\n", stderr);
      return 1;
  }
  rc::InitProgramLocation();
  // The toolkit fixes its scale when the application object is made.
  rc::app::ApplyChosenSize();
  QApplication app(argc, argv);
  rc::forms::InitFormRuntime(rc::app::EmbeddedDefinitionBlock());
  // Before any window exists; without an engine the program keeps the ordinary look.
  rc::LoadSkinEngine();
  rc::InstallDatabasePasswordPrompt();
  if (!rc::app::RegisterApplicationHandlers(rc::SpeakText)) {
    // Only a mistyped window or control id gets here; a program missing handlers would
    // silently ignore clicks and keys.
    std::fputs("rollcall: the window definitions do not bind an event the program handles\n",
               stderr);
    return 1;
  }
  rc::forms::LoadStartupWindow(rc::app::kMainWindow);
  return rc::forms::RunMessageLoop();
}
