// The platform the program runs on, settled before Qt starts: Qt ends the process with an
// abort when its X11 platform cannot reach a server, and in a Wayland session it would pick
// its Wayland platform, where no key can be grabbed and no window placed above a slide show.
#ifndef ROLLCALL_SERVICES_WINDOWS_X11_DISPLAY_H_
#define ROLLCALL_SERVICES_WINDOWS_X11_DISPLAY_H_

namespace rc {

enum class X11Display {
  kUsable,           // an X server answers, or the user chose a platform that needs none
  kNotReachable,     // DISPLAY is unset or names no server that answers
  kWaylandWithoutX,  // a Wayland session that gives the program no X display (no Xwayland)
};

// Chooses Qt's X11 platform when DISPLAY is set and the user asked for no platform (neither
// QT_QPA_PLATFORM nor a -platform argument in argv), and tells whether the X display that Qt
// is then to use answers. A platform the user chose that needs no X display (offscreen in
// tests, wayland on purpose) is left as it is and gives kUsable. Call before the
// QGuiApplication is made; sets QT_QPA_PLATFORM.
X11Display PrepareX11Platform(int argc, const char* const* argv);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_WINDOWS_X11_DISPLAY_H_
