#include "services/windows/active_window.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>

namespace rc {
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t Atom(xcb_connection_t* c, std::string_view name) {
  Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 1, static_cast<uint16_t>(name.size()), name.data()), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The 32-bit values of a window property of type `type`; empty when it is not set.
Reply<xcb_get_property_reply_t> Property(xcb_connection_t* c, xcb_window_t window,
                                         xcb_atom_t property, xcb_atom_t type) {
  Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, property, type, 0, 64), nullptr));
  if (reply && (reply->format != 32 || reply->type != type)) reply.reset();
  return reply;
}

xcb_connection_t* Connection() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// Some managers (weston's) keep a withdrawn window inside their frame for good. Mapped there,
// it is mapped inside a frame that nobody shows, so it goes back to the root window, at the
// place on the screen where it is.
void TakeOutOfFrame(xcb_connection_t* c, xcb_window_t window, xcb_window_t root) {
  Reply<xcb_translate_coordinates_reply_t> place(xcb_translate_coordinates_reply(
      c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
  xcb_reparent_window(c, window, root, place ? place->dst_x : 0, place ? place->dst_y : 0);
  xcb_flush(c);
}

// The active window; XCB_NONE when there is none.
xcb_window_t ActiveWindow(xcb_connection_t* c) {
  static const xcb_atom_t active_atom = Atom(c, "_NET_ACTIVE_WINDOW");
  if (!active_atom) return XCB_NONE;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  Reply<xcb_get_property_reply_t> active = Property(c, root, active_atom, XCB_ATOM_WINDOW);
  if (!active || xcb_get_property_value_length(active.get()) < 4) return XCB_NONE;
  xcb_window_t window;
  std::memcpy(&window, xcb_get_property_value(active.get()), sizeof window);
  return window;
}

// Whether an atom-list property of the window holds `wanted`.
bool HasAtom(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t wanted) {
  if (!property || !wanted) return false;
  Reply<xcb_get_property_reply_t> list = Property(c, window, property, XCB_ATOM_ATOM);
  if (!list) return false;
  const int count = xcb_get_property_value_length(list.get()) / 4;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(list.get()));
  return std::find(atoms, atoms + count, wanted) != atoms + count;
}

}  // namespace

bool ActiveWindowIsFullScreen() {
  xcb_connection_t* c = Connection();
  if (!c) return false;
  // The atoms are interned once per connection's life; Qt keeps one connection.
  static const xcb_atom_t state_atom = Atom(c, "_NET_WM_STATE");
  static const xcb_atom_t full_screen_atom = Atom(c, "_NET_WM_STATE_FULLSCREEN");
  const xcb_window_t window = ActiveWindow(c);
  return window != XCB_NONE && HasAtom(c, window, state_atom, full_screen_atom);
}

std::optional<ScreenRect> ActiveWindowGeometry() {
  xcb_connection_t* c = Connection();
  if (!c) return std::nullopt;
  static const xcb_atom_t type_atom = Atom(c, "_NET_WM_WINDOW_TYPE");
  static const xcb_atom_t desktop_atom = Atom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
  const xcb_window_t window = ActiveWindow(c);
  if (window == XCB_NONE || HasAtom(c, window, type_atom, desktop_atom)) return std::nullopt;
  Reply<xcb_get_geometry_reply_t> geometry(
      xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
  if (!geometry) return std::nullopt;
  // Inside a window manager's frame the window's own position is the frame's offset.
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  Reply<xcb_translate_coordinates_reply_t> corner(xcb_translate_coordinates_reply(
      c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
  if (!corner) return std::nullopt;
  return ScreenRect{corner->dst_x, corner->dst_y, geometry->width, geometry->height};
}

void WaitUntilReleasedByWindowManager(unsigned long window, int timeout_ms) {
  xcb_connection_t* c = Connection();
  if (!c || window == XCB_NONE) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  const auto id = static_cast<xcb_window_t>(window);
  while (true) {
    // The request also sends what the program asked before it, the unmap included.
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, id), nullptr));
    if (!tree || tree->parent == tree->root) return;
    if (std::chrono::steady_clock::now() >= deadline) {
      TakeOutOfFrame(c, id, tree->root);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace rc
