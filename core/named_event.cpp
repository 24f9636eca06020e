#include "core/named_event.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace rc {
namespace {

constexpr int kMaxDroppedPerTake = 64;

// The markers this process holds, by name, with their descriptors.
std::map<std::string, int>& HeldMarkers() {
  static std::map<std::string, int> held;
  return held;
}

// A datagram socket's address in the abstract namespace (sun_path[0] stays 0): the name
// exists exactly as long as the socket is open, and the kernel closes it when the process
// ends. No file is made. A longer name is cut, as names are short.
struct MarkerAddress {
  sockaddr_un address{};
  socklen_t size = 0;
};

MarkerAddress AddressOf(const Text& name) {
  const std::string system_name =
      "rollcall-event/" + NamedEventScope(getuid(), std::getenv("DISPLAY")) + "/" + name.bytes();
  MarkerAddress marker;
  marker.address.sun_family = AF_UNIX;
  const size_t length = std::min(system_name.size(), sizeof(marker.address.sun_path) - 1);
  std::memcpy(marker.address.sun_path + 1, system_name.data(), length);
  marker.size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  return marker;
}

}  // namespace

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
  // Datagrams: each message arrives whole or not at all, and a sender that sends nothing or
  // too much leaves no connection behind for the holder to wait on.
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  // The kernel attaches the sender's credentials to every message; a sender cannot claim
  // another user's without the privilege to become that user. Without them no message is
  // taken.
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
  const MarkerAddress marker = AddressOf(name);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&marker.address), marker.size) != 0) {
    close(fd);
    return false;
  }
  // Held until the process ends: the descriptor is deliberately never closed.
  HeldMarkers()[name.bytes()] = fd;
  return true;
}

NamedEventSend SendToNamedEvent(const Text& name, std::string_view message) {
  if (message.size() > kMaxNamedEventMessage) return NamedEventSend::kFailed;
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return NamedEventSend::kFailed;
  const MarkerAddress marker = AddressOf(name);
  // Not waiting for room in the holder's queue: a holder that takes no messages would hang
  // the sender.
  const ssize_t sent =
      sendto(fd, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
             reinterpret_cast<const sockaddr*>(&marker.address), marker.size);
  const int error = errno;
  close(fd);
  if (sent == static_cast<ssize_t>(message.size())) return NamedEventSend::kDelivered;
  // Nobody bound to the name: refused.
  if (error == ECONNREFUSED || error == ENOENT) return NamedEventSend::kNoHolder;
  return NamedEventSend::kFailed;
}

int NamedEventDescriptor(const Text& name) {
  const auto held = HeldMarkers().find(name.bytes());
  return held == HeldMarkers().end() ? -1 : held->second;
}

std::optional<std::string> TakeNamedEventMessage(int descriptor) {
  // A stream of messages to drop ends the call all the same: the caller's thread has other
  // work, and the descriptor stays readable for the rest.
  for (int dropped = 0; dropped < kMaxDroppedPerTake; ++dropped) {
    // One byte more than the longest message, so that a longer one shows as cut short
    // (MSG_TRUNC) even where the kernel would report only what fitted.
    char data[kMaxNamedEventMessage + 1];
    iovec part{data, sizeof data};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const ssize_t length = recvmsg(descriptor, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (length < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;  // none waiting (EAGAIN), or the descriptor is not a marker
    }
    // The control space holds the credentials alone: descriptors that a sender passes along
    // do not fit, so the kernel closes them rather than handing them over.
    if (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) continue;
    if (static_cast<size_t>(length) > kMaxNamedEventMessage) continue;
    const cmsghdr* item = CMSG_FIRSTHDR(&header);
    if (!item || item->cmsg_level != SOL_SOCKET || item->cmsg_type != SCM_CREDENTIALS ||
        item->cmsg_len != CMSG_LEN(sizeof(ucred))) {
      continue;
    }
    ucred sender;
    std::memcpy(&sender, CMSG_DATA(item), sizeof sender);
    if (sender.uid != getuid()) continue;
    return std::string(data, static_cast<size_t>(length));
  }
  return std::nullopt;
}

}  // namespace rc
