// Reports the top-level windows as they are mapped and unmapped, the moment the X server
// tells, so that a test can time a window's showing by the program's own doing rather than by
// polling. One line each, flushed at once:
//
//   ready                                   listening (printed first)
//   <seconds> map <window> <title>          shown
//   <seconds> unmap <window> <title>        hidden
//
// Seconds are CLOCK_MONOTONIC's, the clock of Python's time.monotonic(). <window> is the
// program's own window, also when a window manager has put it into a frame of its own; the
// title is its _NET_WM_NAME (or WM_NAME), as it was when the window was shown. A window that
// is hidden may be reported twice (by the program and by the manager's frame).
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>

#include "tests/e2e/xcb_atom.h"

namespace {

std::string Property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, property, XCB_ATOM_ANY, 0, 1024), nullptr);
  std::string value;
  if (reply) {
    value.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                 static_cast<size_t>(xcb_get_property_value_length(reply)));
  }
  std::free(reply);
  return value;
}

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

int main() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &events);
  const xcb_atom_t net_wm_name = Atom(c, "_NET_WM_NAME");  // a round trip: the mask is set
  std::printf("ready\n");
  std::fflush(stdout);

  std::map<xcb_window_t, xcb_window_t> client_of_frame;
  std::map<xcb_window_t, std::string> title_of_client;
  auto report = [&](double at, const char* what, xcb_window_t window) {
    auto frame = client_of_frame.find(window);
    const xcb_window_t client = frame == client_of_frame.end() ? window : frame->second;
    std::string& title = title_of_client[client];
    if (std::strcmp(what, "map") == 0 || title.empty()) {
      title = Property(c, client, net_wm_name);
      if (title.empty()) title = Property(c, client, XCB_ATOM_WM_NAME);
    }
    std::printf("%.6f %s %u %s\n", at, what, client, title.c_str());
    std::fflush(stdout);
  };
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
    const double at = Now();
    switch (event->response_type & 0x7F) {
      case XCB_REPARENT_NOTIFY: {
        auto* e = reinterpret_cast<xcb_reparent_notify_event_t*>(event);
        if (e->parent != root) client_of_frame[e->parent] = e->window;
        break;
      }
      case XCB_MAP_NOTIFY:
        report(at, "map", reinterpret_cast<xcb_map_notify_event_t*>(event)->window);
        break;
      case XCB_UNMAP_NOTIFY:
        report(at, "unmap", reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window);
        break;
      case XCB_DESTROY_NOTIFY: {
        const xcb_window_t window = reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window;
        client_of_frame.erase(window);
        title_of_client.erase(window);
        break;
      }
      default:
        break;
    }
    std::free(event);
  }
  xcb_disconnect(c);
  return 0;
}
