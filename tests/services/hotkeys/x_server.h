// A private Xvfb for tests that need a real X server: a free display number, no fixed
// sleeps, and the server stopped when the object goes away.
#ifndef ROLLCALL_TESTS_SERVICES_HOTKEYS_X_SERVER_H_
#define ROLLCALL_TESTS_SERVICES_HOTKEYS_X_SERVER_H_

#include <sys/types.h>

#include <string>

namespace rc {

class XvfbServer {
 public:
  XvfbServer() = default;
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // Starts Xvfb and waits until it accepts clients. False when Xvfb is missing or fails.
  bool Start();
  // ":N", the display to connect to.
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Runs xdotool with `arguments` against `display` and waits for it. True on exit code 0.
bool RunXdotool(const std::string& display, const std::string& arguments);

}  // namespace rc

#endif  // ROLLCALL_TESTS_SERVICES_HOTKEYS_X_SERVER_H_
