// What the window manager says about the window that has the focus.
#ifndef ROLLCALL_SERVICES_WINDOWS_ACTIVE_WINDOW_H_
#define ROLLCALL_SERVICES_WINDOWS_ACTIVE_WINDOW_H_

#include <optional>

#include "services/windows/screens.h"

namespace rc {

// Where the active window (the window manager's _NET_ACTIVE_WINDOW) is, in X's own pixels
// (not Qt's scaled ones). Nothing when no window is active, when the active window is the
// desktop (a file manager's window under all others, as big as every monitor together), or
// off X11. User-interface thread only.
std::optional<ScreenRect> ActiveWindowGeometry();

// True when the active window (the window manager's _NET_ACTIVE_WINDOW) is in full-screen
// state, as a running slide show is. False off X11, without a window manager that publishes
// the active window, or when no window is active. User-interface thread only.
bool ActiveWindowIsFullScreen();

// Waits, at most `timeout_ms`, until the window manager has given the top-level X window
// `window` back to the root window after the program unmapped it. Mapped again before that,
// the window is mapped inside the manager's frame, which the manager then takes away, and
// the window stays unseen although the program shows it. A window still inside a frame when
// the time is up is taken back to the root window by the program itself: some managers never
// let go of a withdrawn window. Returns at once off X11 and for a window that no manager
// frames.
void WaitUntilReleasedByWindowManager(unsigned long window, int timeout_ms);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_ACTIVE_WINDOW_H_
