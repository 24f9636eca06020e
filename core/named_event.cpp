#include "core/named_event.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace rc {

std::string NamedEventScope(unsigned user_id, const char* display) {
  std::string shown = display ? display : "";
  // "host:1.0" and "host:1" are the same display; only the screen number differs.
  const size_t colon = shown.rfind(':');
  if (colon != std::string::npos) {
    const size_t dot = shown.find('.', colon);
    if (dot != std::string::npos) shown.erase(dot);
  }
  return std::to_string(user_id) + "/" + shown;
}

bool CreateNamedEvent(const Text& name) {
  // A socket bound to a name in the abstract namespace: the name exists exactly as long as
  // the socket is open, and the kernel closes it when the process ends. No file is made.
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const std::string system_name =
      "rollcall-event/" + NamedEventScope(getuid(), std::getenv("DISPLAY")) + "/" + name.bytes();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // sun_path[0] stays 0: the abstract namespace. A longer name is cut, as names are short.
  const size_t length = std::min(system_name.size(), sizeof(address.sun_path) - 1);
  std::memcpy(address.sun_path + 1, system_name.data(), length);
  const socklen_t size =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
    close(fd);
    return false;
  }
  // Held until the process ends: the descriptor is deliberately never closed.
  return true;
}

}  // namespace rc
