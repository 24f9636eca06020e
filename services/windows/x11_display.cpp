#include "services/windows/x11_display.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace rc {

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

}  // namespace rc
