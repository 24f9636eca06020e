// The main window, the start-up window: start-up, the auto-hide countdown, the hot keys,
// the two width buttons, and the class combo.
//
// User-interface thread only.
#ifndef ROLLCALL_APP_MAIN_WINDOW_H_
#define ROLLCALL_APP_MAIN_WINDOW_H_

#include <cstdint>

#include "core/text.h"

namespace rc::app {

// The main window's widths: narrow shows the name, wide also the buttons and the combo.
constexpr int32_t kNarrowWidth = 170;
constexpr int32_t kWideWidth = 264;

// Ticks of the countdown after start-up and after C.
constexpr int32_t kStartupCountdown = 100;
constexpr int32_t kHotKeyCountdown = 60;

// Binds the handlers of the main window's events. Call before the window is loaded. Returns
// whether the definitions bind every one of those events; all are bound that can be.
[[nodiscard]] bool BindMainWindowHandlers();

// The hide timer's tick: counts HideCountdown down, keeps the window shown while it runs,
// blinks the name in the last phase and hides the window when it runs out.
void CountdownTick();

// The name label's notification event: raised by the hot keys with the key's identifier and
// 0, and by the commands of other processes (app/commands.h) with 0 and the command.
void OnHotKey(int32_t id, int32_t command);

// The name of the instance marker that the running program holds.
Text InstanceMarkerName();

// Runs or stops the hide timer, which counts HideCountdown down.
void SetCountdownRunning(bool running);

}  // namespace rc::app

#endif  // ROLLCALL_APP_MAIN_WINDOW_H_
