// Global hot keys on X11: passive key grabs on the root window through xcb.
#ifndef ROLLCALL_SERVICES_HOTKEYS_HOT_KEYS_X11_H_
#define ROLLCALL_SERVICES_HOTKEYS_HOT_KEYS_X11_H_

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

#include "services/hotkeys/hot_key_platform.h"

namespace rc {

// Each key is grabbed on the root window under every Caps Lock / Num Lock combination, so
// that it works whatever the lock keys are. A grab that the server refuses (another client
// holds the key) is a refused registration, and whatever was grabbed for it is given back.
//
// The object does not read from the connection: whoever reads the events passes them to
// HandleEvent (the Qt event filter in the program, the test itself in tests). Not
// thread-safe; `connection` must outlive this object.
class X11HotKeyPlatform : public HotKeyPlatform {
 public:
  X11HotKeyPlatform(xcb_connection_t* connection, xcb_window_t root);
  ~X11HotKeyPlatform() override;
  X11HotKeyPlatform(const X11HotKeyPlatform&) = delete;
  X11HotKeyPlatform& operator=(const X11HotKeyPlatform&) = delete;

  bool RegisterHotKey(NativeHandle window, int32_t id, uint32_t modifier_bits,
                      int32_t key_code) override;
  bool UnregisterHotKey(NativeHandle window, int32_t id) override;
  bool Intercept(NativeHandle window, HotKeyMessageHandler handler) override;
  void StopIntercepting() override;
  // Hands the keys over (below) with no window focused yet. Which presses type is the
  // toolkit's to decide, with KeyId and Deliver.
  void LetTextBoxesType(bool on) override { HandOverWhileFocused(on, XCB_NONE); }

  // Forgets every grab without a word to the server: for when the connection is gone (its
  // grabs went with it) and must not be touched again.
  void ForgetGrabs() { grabs_.clear(); }

  // Turns a press of a grabbed key into the hot-key message for the intercepted window; a
  // key held down gives one message, however long it is held. Other events are left alone,
  // but for the focus and key events of the hand-over below. The event is never consumed.
  void HandleEvent(xcb_generic_event_t* event);

  // While `on`, the keys are handed over to the program's own windows whenever one of them
  // has the keyboard focus (HandleEvent follows the focus events): the grabs are given back,
  // so the focused window gets the presses in order with its other input and the toolkit
  // decides (KeyId, Deliver) whether a press types or is a hot key. A key event that the
  // server still reports through a grab (pressed before the grabs were given back, or while
  // a grabbed key was held) is readdressed to the focused window, in its place among the
  // events. The grabs are taken again as soon as the focus leaves the program.
  // `focused_now` is the program's window that has the focus now, or XCB_NONE.
  void HandOverWhileFocused(bool on, xcb_window_t focused_now);
  // The identifier of the intercepted key that a press of `code` with the modifier `state`
  // is; 0 when it is none of them.
  int32_t KeyId(xcb_keycode_t code, uint16_t state) const;
  // The hot-key message for `id`, as a press of its key gives it.
  void Deliver(int32_t id);

 private:
  struct Grab {
    NativeHandle window;
    int32_t id;
    std::vector<xcb_keycode_t> key_codes;
    uint16_t modifiers;
    uint16_t num_lock;  // the Num Lock mask at the time of the grab
  };

  // A grabbed key that went down and has not been seen to go up.
  struct HeldKey {
    xcb_keycode_t code;
    xcb_timestamp_t last_press;  // the key's own press, or its latest repeat
  };

  void Ungrab(const Grab& grab);
  const Grab* FindGrab(xcb_keycode_t code, uint16_t state) const;
  void FollowFocus(const xcb_generic_event_t* event);
  void SetFocusedWindow(xcb_window_t window);
  // Asks for every lock variant of `grab`; the cookies tell which the server refused.
  std::vector<xcb_void_cookie_t> SendGrabs(const Grab& grab);
  // Whether a press is the auto-repeat of a key that is held; notes it either way.
  bool IsRepeat(xcb_keycode_t code, xcb_timestamp_t time);
  void NoteRelease(xcb_keycode_t code, xcb_timestamp_t time);

  xcb_connection_t* connection_;
  xcb_window_t root_;
  std::vector<Grab> grabs_;
  bool intercepting_ = false;
  NativeHandle intercepted_window_ = 0;
  HotKeyMessageHandler handler_;
  std::vector<HeldKey> held_;
  // The latest release of a held key: without detectable auto-repeat, each repeat arrives as
  // a release and a press at once.
  xcb_keycode_t released_code_ = 0;
  xcb_timestamp_t released_time_ = 0;
  bool hand_over_ = false;
  // The program's window that has the keyboard focus while the keys are handed over.
  xcb_window_t focused_ = XCB_NONE;
  bool grabs_given_back_ = false;
};

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_HOT_KEYS_X11_H_
