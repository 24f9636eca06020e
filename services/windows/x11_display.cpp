#include "services/windows/x11_display.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

namespace rc {
namespace {

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value && *value;
}

// The platform the user asked Qt for: a -platform (or --platform) argument wins over
// QT_QPA_PLATFORM, as in Qt itself. Empty when neither is given.
std::string_view ChosenPlatform(int argc, const char* const* argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-platform" || argument == "--platform") return argv[i + 1];
  }
  const char* variable = std::getenv("QT_QPA_PLATFORM");
  return variable ? variable : "";
}

}  // namespace

X11Display PrepareX11Platform(int argc, const char* const* argv) {
  const std::string_view chosen = ChosenPlatform(argc, argv);
  const bool wayland_without_x = IsSet("WAYLAND_DISPLAY") && !IsSet("DISPLAY");
  if (chosen.empty()) {
    // Through Xwayland the window keeps its place above a full-screen slide show and the
    // keys work while X11 programs have the focus; under Qt's Wayland platform neither does.
    if (wayland_without_x) return X11Display::kWaylandWithoutX;
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  } else if (!chosen.starts_with("xcb")) {
    return X11Display::kUsable;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool failed = xcb_connection_has_error(connection) != 0;
  xcb_disconnect(connection);
  if (!failed) return X11Display::kUsable;
  return wayland_without_x ? X11Display::kWaylandWithoutX : X11Display::kNotReachable;
}

}  // namespace rc
