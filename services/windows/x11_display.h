// Whether the program can run on the display it was given, asked before Qt starts: Qt ends
// the process with an abort when its X11 platform cannot reach a server.
#ifndef ROLLCALL_SERVICES_WINDOWS_X11_DISPLAY_H_
#define ROLLCALL_SERVICES_WINDOWS_X11_DISPLAY_H_

namespace rc {

// True when Qt would use its X11 platform (QT_QPA_PLATFORM is "xcb", or unset outside a
// Wayland session without DISPLAY) and no X server answers at DISPLAY. Other platforms
// (offscreen in tests, Wayland when Qt chooses it) need no X display and give false.
bool LacksX11Display();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_X11_DISPLAY_H_
