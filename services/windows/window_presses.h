// Presses of a mouse button, or taps, anywhere on a window: for a window that must answer a
// touch board, where a tap is all there is.
#ifndef ROLLCALL_SERVICES_WINDOWS_WINDOW_PRESSES_H_
#define ROLLCALL_SERVICES_WINDOWS_WINDOW_PRESSES_H_

#include <functional>
#include <vector>

#include "forms/ids.h"

namespace rc {

struct WindowPress {
  // The watched control under the press (or one that holds it), else forms::kWindowItself.
  forms::ControlId control;
  // The left button, or a tap.
  bool primary;
};
using WindowPressHandler = std::function<void(const WindowPress& press)>;

// Calls `handler` once for every press on `window` while it is loaded, on any of its controls
// too, before the control under it handles the press; a second tap of a double tap is a press
// as well. `controls` are those that the handler tells apart. A later call for the same window
// replaces this one. User-interface thread only, once the application exists.
void WatchWindowPresses(forms::WindowId window, std::vector<forms::ControlId> controls,
                        WindowPressHandler handler);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_WINDOW_PRESSES_H_
