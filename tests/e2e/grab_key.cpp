// Another X client that holds one key: grabs the key named on the command line (a key symbol
// name such as "x") on the root window with no modifiers, says "grabbed" on stdout, and
// keeps the grab until its stdin is closed. Exit code 2 when the grab was refused.
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2 || std::strlen(argv[1]) != 1) {
    std::fprintf(stderr, "usage: grab_key <letter>\n");
    return 1;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) return 1;
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, static_cast<unsigned char>(argv[1][0]));
  if (!codes) return 1;
  xcb_generic_error_t* error = xcb_request_check(
      connection, xcb_grab_key_checked(connection, 0, root, 0, codes[0], XCB_GRAB_MODE_ASYNC,
                                       XCB_GRAB_MODE_ASYNC));
  std::free(codes);
  xcb_key_symbols_free(symbols);
  if (error) {
    std::free(error);
    std::puts("refused");
    return 2;
  }
  std::puts("grabbed");
  std::fflush(stdout);
  // Hold the grab until the harness closes our stdin (or ends us).
  char buffer[64];
  while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
  }
  xcb_disconnect(connection);
  return 0;
}
