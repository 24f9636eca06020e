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

  // Forgets every grab without a word to the server: for when the connection is gone (its
  // grabs went with it) and must not be touched again.
  void ForgetGrabs() { grabs_.clear(); }

  // Turns a press of a grabbed key into the hot-key message for the intercepted window; a
  // key held down gives one message, however long it is held. Other events are left alone.
  // The event is never consumed.
  void HandleEvent(const xcb_generic_event_t* event);

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
};

}  // namespace rc

#endif  // ROLLCALL_SERVICES_HOTKEYS_HOT_KEYS_X11_H_
