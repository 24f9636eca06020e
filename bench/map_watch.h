// Watching top-level windows map and unmap on a private X server, for the benchmarks that
// time programs up to a window: with no window manager, every top-level window maps on the
// root window, where one SubstructureNotify selection sees it. And the figures' spread.
#ifndef ROLLCALL_BENCH_MAP_WATCH_H_
#define ROLLCALL_BENCH_MAP_WATCH_H_

#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace rc::bench {

using Clock = std::chrono::steady_clock;

struct Mapped {
  Clock::time_point at;
  xcb_window_t window;
  std::string title;
};

class Display {
 public:
  Display() : connection_(xcb_connect(nullptr, nullptr)) {
    if (!ok()) return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    net_wm_name_ = Atom("_NET_WM_NAME");
    utf8_string_ = Atom("UTF8_STRING");
    wm_protocols_ = Atom("WM_PROTOCOLS");
    wm_delete_window_ = Atom("WM_DELETE_WINDOW");
  }
  ~Display() { xcb_disconnect(connection_); }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  bool ok() const { return !xcb_connection_has_error(connection_); }

  // Forgets the events of earlier runs (a window of the last program unmapping as it ended).
  void Drain() {
    // A round trip: every event the server sent before it has arrived.
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
  }

  // The next top-level window mapped whose title contains `title` (any window when `title`
  // is empty), with the moment its MapNotify arrived.
  std::optional<Mapped> WaitForMap(const std::string& title, Clock::time_point deadline) {
    return WaitFor(XCB_MAP_NOTIFY, title, deadline);
  }
  // The same for the next window unmapped.
  std::optional<Mapped> WaitForUnmap(const std::string& title, Clock::time_point deadline) {
    return WaitFor(XCB_UNMAP_NOTIFY, title, deadline);
  }

  // What a click on the window's close box asks of the program.
  void Close(xcb_window_t window) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = wm_protocols_;
    message.data.data32[0] = wm_delete_window_;
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
  }

 private:
  // The next window of `kind` (MapNotify or UnmapNotify) whose title contains `title`.
  std::optional<Mapped> WaitFor(uint8_t kind, const std::string& title,
                                Clock::time_point deadline) {
    pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
    while (true) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const auto now = Clock::now();
        const uint8_t type = event->response_type & 0x7f;
        // Both notices have the window at the same place.
        const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
        std::free(event);
        if (type != kind) continue;
        std::string name = Title(window);
        if (name.find(title) != std::string::npos) return Mapped{now, window, std::move(name)};
      }
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0 || !ok()) return std::nullopt;
      poll(&fd, 1, static_cast<int>(left.count()));
    }
  }

  xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
  }
  std::string Title(xcb_window_t window) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, net_wm_name_, utf8_string_, 0, 1024),
        nullptr);
    std::string title;
    if (reply) {
      title.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                   static_cast<size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return title;
  }

  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
  xcb_atom_t net_wm_name_ = XCB_ATOM_NONE, utf8_string_ = XCB_ATOM_NONE;
  xcb_atom_t wm_protocols_ = XCB_ATOM_NONE, wm_delete_window_ = XCB_ATOM_NONE;
};

// The value below which a share `q` of the values lie (nearest rank).
inline double Quantile(std::vector<double> values, double q) {
  std::sort(values.begin(), values.end());
  const size_t rank = static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5);
  return values[rank];
}

inline double Median(const std::vector<double>& values) { return Quantile(values, 0.5); }

inline void PrintSpread(const char* what, const std::vector<double>& values, const char* unit) {
  std::printf("%s median %.2f%s, middle half %.2f-%.2f, all %.2f-%.2f", what, Median(values), unit,
              Quantile(values, 0.25), Quantile(values, 0.75), Quantile(values, 0),
              Quantile(values, 1));
}

}  // namespace rc::bench

#endif  // ROLLCALL_BENCH_MAP_WATCH_H_
