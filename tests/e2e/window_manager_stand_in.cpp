// Does to a window what a window manager does on a person's click or key, for sessions where
// no click or key can reach the manager: weston's headless back end has no seat.
//
//   window_manager_stand_in close WINDOW-ID
//       asks the window to close, as a close button does (WM_DELETE_WINDOW);
//   window_manager_stand_in activate-full-screen WINDOW-ID
//       marks it full screen and the active window, as for a slide show that has the focus.
//
// Exit code 0 when done, 1 when the X server refused, 2 for bad arguments.
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tests/e2e/xcb_atom.h"

namespace {

xcb_void_cookie_t Close(xcb_connection_t* c, xcb_window_t window) {
  xcb_client_message_event_t message;
  std::memset(&message, 0, sizeof message);
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = window;
  message.type = Atom(c, "WM_PROTOCOLS");
  message.data.data32[0] = Atom(c, "WM_DELETE_WINDOW");
  message.data.data32[1] = XCB_CURRENT_TIME;
  return xcb_send_event_checked(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                reinterpret_cast<const char*>(&message));
}

xcb_void_cookie_t ActivateFullScreen(xcb_connection_t* c, xcb_window_t window) {
  const xcb_atom_t full_screen = Atom(c, "_NET_WM_STATE_FULLSCREEN");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, Atom(c, "_NET_WM_STATE"),
                      XCB_ATOM_ATOM, 32, 1, &full_screen);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  return xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, root,
                                     Atom(c, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1,
                                     &window);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string_view command = argv[1];
  const auto window = static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0));
  if (command != "close" && command != "activate-full-screen") return 2;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) return 1;
  const xcb_void_cookie_t done =
      command == "close" ? Close(c, window) : ActivateFullScreen(c, window);
  xcb_generic_error_t* error = xcb_request_check(c, done);
  const bool refused = error != nullptr;
  std::free(error);
  xcb_disconnect(c);
  return refused ? 1 : 0;
}
