#include "tests/services/hotkeys/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace rc {

XvfbServer::~XvfbServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

bool XvfbServer::Start() {
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_ = fork();
  if (pid_ < 0) return false;
  if (pid_ == 0) {
    close(fds[0]);
    // The server ends with the test, even when the test dies, and keeps quiet.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
      dup2(null_fd, STDOUT_FILENO);
      dup2(null_fd, STDERR_FILENO);
      close(null_fd);
    }
    // -displayfd: the server picks a free display itself and writes its number once it is
    // ready, so parallel tests never clash and nobody has to guess how long start-up takes.
    std::string fd = std::to_string(fds[1]);
    // -noreset: otherwise the server resets whenever its last client leaves and refuses a
    // client that connects meanwhile.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-screen",
           "0", "800x600x24", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char c;
    if (read(fds[0], &c, 1) != 1) break;  // the server ended without a display
    if (c == '\n') break;
    number.push_back(c);
  }
  close(fds[0]);
  if (number.empty()) return false;
  display_ = ":" + number;
  return true;
}

bool RunXdotool(const std::string& display, const std::string& arguments) {
  std::string command = "DISPLAY=" + display + " xdotool " + arguments;
  return std::system(command.c_str()) == 0;
}

}  // namespace rc
