// Waits until a window manager manages new windows: maps a small window of its own and
// waits for the manager to take it (WM_STATE set). A manager that has announced itself may
// still be starting and lose a map request made in that moment, so the window is mapped
// again until one is honoured. Exit code 0 when managed, 1 when the deadline passed.
#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>

#include "tests/e2e/xcb_atom.h"

namespace {

bool Managed(xcb_connection_t* c, xcb_window_t window, xcb_atom_t wm_state) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, wm_state, XCB_ATOM_ANY, 0, 2), nullptr);
  bool managed = reply && reply->type != XCB_NONE;
  std::free(reply);
  return managed;
}

}  // namespace

int main() {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_window_t window = xcb_generate_id(c);
  uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 10, 10, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK,
                    &events);
  xcb_atom_t wm_state = Atom(c, "WM_STATE");
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  bool managed = false;
  while (!managed && std::chrono::steady_clock::now() < deadline) {
    xcb_unmap_window(c, window);
    xcb_map_window(c, window);
    xcb_flush(c);
    auto retry = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (!managed && std::chrono::steady_clock::now() < retry) {
      managed = Managed(c, window, wm_state);
      if (managed) break;
      pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
      poll(&p, 1, 20);  // woken early by the property change
      while (xcb_generic_event_t* event = xcb_poll_for_event(c)) std::free(event);
    }
  }
  xcb_destroy_window(c, window);
  xcb_flush(c);
  xcb_disconnect(c);
  return managed ? 0 : 1;
}
