// The atom of a name on an X connection, for the helper programs of the end-to-end tests.
#ifndef ROLLCALL_TESTS_E2E_XCB_ATOM_H_
#define ROLLCALL_TESTS_E2E_XCB_ATOM_H_

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

// XCB_NONE when the server does not answer.
inline xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
  std::free(reply);
  return atom;
}

#endif  // ROLLCALL_TESTS_E2E_XCB_ATOM_H_
