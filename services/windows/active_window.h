// What the window manager says about the window that has the focus.
#ifndef ROLLCALL_SERVICES_WINDOWS_ACTIVE_WINDOW_H_
#define ROLLCALL_SERVICES_WINDOWS_ACTIVE_WINDOW_H_

namespace rc {

// True when the active window (the window manager's _NET_ACTIVE_WINDOW) is in full-screen
// state, as a running slide show is. False off X11, without a window manager that publishes
// the active window, or when no window is active. User-interface thread only.
bool ActiveWindowIsFullScreen();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_ACTIVE_WINDOW_H_
