#include "services/hotkeys/hot_keys_x11.h"

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "services/hotkeys/virtual_keys.h"

namespace rc {
namespace {

constexpr uint32_t kNumLockSymbol = 0xFF7F;
// Without detectable auto-repeat, the server makes each repeat as a release and a press,
// stamping each with the time of its own making: the two may fall on either side of a
// millisecond tick. A finger lifts and presses a key again in tens of milliseconds at best.
constexpr xcb_timestamp_t kRepeatPairMs = 2;
// A held key repeats every few tens of milliseconds after a delay of under a second (the
// longest delay desktops offer is 2 s). A "held" key not heard from for longer than this
// lost its release somewhere (an event that never came here): its next press is a new one,
// so that a lost release can never swallow the key for good.
constexpr xcb_timestamp_t kLongestRepeatGapMs = 5000;
// Modifiers that choose a hot key; the lock keys and the mouse buttons do not.
constexpr uint16_t kChoosingModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct KeySymbolsDeleter {
  void operator()(xcb_key_symbols_t* p) const { xcb_key_symbols_free(p); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

// Every key code that produces `symbol` in any column of the current keyboard mapping.
std::vector<xcb_keycode_t> KeyCodesOf(xcb_key_symbols_t* symbols, uint32_t symbol) {
  std::vector<xcb_keycode_t> codes;
  XcbReply<xcb_keycode_t> list(xcb_key_symbols_get_keycode(symbols, symbol));
  if (!list) return codes;
  for (const xcb_keycode_t* code = list.get(); *code != XCB_NO_SYMBOL; ++code) {
    if (std::find(codes.begin(), codes.end(), *code) == codes.end()) codes.push_back(*code);
  }
  return codes;
}

// The modifier that Num Lock sets: it differs between keyboard mappings.
uint16_t NumLockMask(xcb_connection_t* connection, xcb_key_symbols_t* symbols) {
  std::vector<xcb_keycode_t> num_lock = KeyCodesOf(symbols, kNumLockSymbol);
  if (num_lock.empty()) return 0;
  XcbReply<xcb_get_modifier_mapping_reply_t> reply(xcb_get_modifier_mapping_reply(
      connection, xcb_get_modifier_mapping(connection), nullptr));
  if (!reply) return 0;
  const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(reply.get());
  int per_modifier = reply->keycodes_per_modifier;
  for (int modifier = 0; modifier < 8; ++modifier) {
    for (int i = 0; i < per_modifier; ++i) {
      xcb_keycode_t code = map[modifier * per_modifier + i];
      if (code != 0 && std::find(num_lock.begin(), num_lock.end(), code) != num_lock.end()) {
        return static_cast<uint16_t>(1u << modifier);
      }
    }
  }
  return 0;
}

std::vector<uint16_t> LockVariants(uint16_t modifiers, uint16_t num_lock) {
  std::vector<uint16_t> variants = {modifiers, static_cast<uint16_t>(modifiers | XCB_MOD_MASK_LOCK)};
  if (num_lock != 0) {
    variants.push_back(static_cast<uint16_t>(modifiers | num_lock));
    variants.push_back(static_cast<uint16_t>(modifiers | num_lock | XCB_MOD_MASK_LOCK));
  }
  return variants;
}

// Waits for the answers to the grabs; false when the server refused any (BadAccess: another
// client holds that combination).
bool Granted(xcb_connection_t* connection, const std::vector<xcb_void_cookie_t>& cookies) {
  bool granted = true;
  for (xcb_void_cookie_t cookie : cookies) {
    XcbReply<xcb_generic_error_t> error(xcb_request_check(connection, cookie));
    if (error) granted = false;
  }
  return granted;
}

}  // namespace

X11HotKeyPlatform::X11HotKeyPlatform(xcb_connection_t* connection, xcb_window_t root)
    : connection_(connection), root_(root) {}

X11HotKeyPlatform::~X11HotKeyPlatform() {
  for (const Grab& grab : grabs_) Ungrab(grab);
  if (!grabs_.empty()) xcb_flush(connection_);
}

bool X11HotKeyPlatform::RegisterHotKey(NativeHandle window, int32_t id, uint32_t modifier_bits,
                                       int32_t key_code) {
  std::optional<uint32_t> symbol = KeySymbolOfVirtualKey(key_code);
  std::optional<uint16_t> modifiers = ModifierMaskOfBits(modifier_bits);
  if (!symbol || !modifiers) return false;
  // Read fresh each time: the keyboard mapping may have changed since the last key.
  KeySymbols symbols(xcb_key_symbols_alloc(connection_));
  if (!symbols) return false;
  Grab grab{window, id, KeyCodesOf(symbols.get(), *symbol), *modifiers,
            NumLockMask(connection_, symbols.get())};
  if (grab.key_codes.empty()) return false;
  // The server lets a client grab its own key twice; the system does not.
  for (const Grab& held : grabs_) {
    if (held.modifiers != grab.modifiers) continue;
    for (xcb_keycode_t code : grab.key_codes) {
      if (std::find(held.key_codes.begin(), held.key_codes.end(), code) != held.key_codes.end()) {
        return false;
      }
    }
  }
  // Send every grab first and check them afterwards: one round trip instead of one per grab.
  if (!Granted(connection_, SendGrabs(grab))) {
    // Ungrabbing a combination that another client holds does not touch that client's grab.
    Ungrab(grab);
    xcb_flush(connection_);
    return false;
  }
  // Asked for all the same, so that a key another program holds is refused now.
  if (grabs_given_back_) {
    Ungrab(grab);
    xcb_flush(connection_);
  }
  grabs_.push_back(std::move(grab));
  return true;
}

std::vector<xcb_void_cookie_t> X11HotKeyPlatform::SendGrabs(const Grab& grab) {
  std::vector<xcb_void_cookie_t> cookies;
  for (xcb_keycode_t code : grab.key_codes) {
    for (uint16_t variant : LockVariants(grab.modifiers, grab.num_lock)) {
      cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, variant, code,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
  }
  return cookies;
}

bool X11HotKeyPlatform::UnregisterHotKey(NativeHandle window, int32_t id) {
  auto it = std::find_if(grabs_.begin(), grabs_.end(),
                         [&](const Grab& g) { return g.id == id && g.window == window; });
  if (it == grabs_.end()) return false;
  Ungrab(*it);
  grabs_.erase(it);
  xcb_flush(connection_);
  return true;
}

bool X11HotKeyPlatform::Intercept(NativeHandle window, HotKeyMessageHandler handler) {
  intercepting_ = true;
  intercepted_window_ = window;
  handler_ = std::move(handler);
  return true;
}

void X11HotKeyPlatform::StopIntercepting() {
  intercepting_ = false;
  intercepted_window_ = 0;
  handler_ = nullptr;
  // Releases are not seen from here on: what is down now is unknown.
  held_.clear();
  released_code_ = 0;
  // Focus events are not seen either; the grabs, if any are left, are taken again.
  SetFocusedWindow(XCB_NONE);
}

void X11HotKeyPlatform::HandOverWhileFocused(bool on, xcb_window_t focused_now) {
  hand_over_ = on;
  SetFocusedWindow(on ? focused_now : XCB_NONE);
}

void X11HotKeyPlatform::SetFocusedWindow(xcb_window_t window) {
  focused_ = window;
  const bool give_back = window != XCB_NONE;
  if (give_back == grabs_given_back_) return;
  grabs_given_back_ = give_back;
  if (give_back) {
    for (const Grab& grab : grabs_) Ungrab(grab);
    if (!grabs_.empty()) xcb_flush(connection_);
    return;
  }
  // A key another program took meanwhile stays with it, silently, as at registration;
  // whatever of its combinations were granted is given back so that none works half.
  for (const Grab& grab : grabs_) {
    if (!Granted(connection_, SendGrabs(grab))) Ungrab(grab);
  }
  if (!grabs_.empty()) xcb_flush(connection_);
}

void X11HotKeyPlatform::FollowFocus(const xcb_generic_event_t* event) {
  const auto* focus = reinterpret_cast<const xcb_focus_in_event_t*>(event);
  // A grab moves the focus only while it lasts (ours too, when a grabbed key is pressed in
  // one of our windows); the pointer's window is not the keyboard's.
  if (focus->mode == XCB_NOTIFY_MODE_GRAB || focus->detail == XCB_NOTIFY_DETAIL_POINTER ||
      focus->detail == XCB_NOTIFY_DETAIL_POINTER_ROOT || focus->detail == XCB_NOTIFY_DETAIL_NONE) {
    return;
  }
  // Only windows of this program report their focus here.
  if ((event->response_type & 0x7F) == XCB_FOCUS_IN) {
    if (focus->event != root_) SetFocusedWindow(focus->event);
  } else if (focus->event == focused_ && focus->detail != XCB_NOTIFY_DETAIL_INFERIOR) {
    SetFocusedWindow(XCB_NONE);
  }
}

const X11HotKeyPlatform::Grab* X11HotKeyPlatform::FindGrab(xcb_keycode_t code,
                                                           uint16_t state) const {
  if (!intercepting_) return nullptr;
  const uint16_t modifiers = state & kChoosingModifiers;
  for (const Grab& grab : grabs_) {
    if (grab.window != intercepted_window_ || grab.modifiers != (modifiers & ~grab.num_lock)) {
      continue;
    }
    if (std::find(grab.key_codes.begin(), grab.key_codes.end(), code) != grab.key_codes.end()) {
      return &grab;
    }
  }
  return nullptr;
}

int32_t X11HotKeyPlatform::KeyId(xcb_keycode_t code, uint16_t state) const {
  const Grab* grab = FindGrab(code, state);
  return grab ? grab->id : 0;
}

void X11HotKeyPlatform::Deliver(int32_t id) {
  if (!intercepting_) return;
  // A copy: the handler may register or release keys, which may replace handler_.
  HotKeyMessageHandler handler = handler_;
  handler(id);
}

bool X11HotKeyPlatform::IsRepeat(xcb_keycode_t code, xcb_timestamp_t time) {
  auto held = std::find_if(held_.begin(), held_.end(),
                           [code](const HeldKey& key) { return key.code == code; });
  if (held != held_.end()) {
    // Pressed again without a release: detectable auto-repeat, which sends presses only.
    const bool repeat = time - held->last_press <= kLongestRepeatGapMs;
    held->last_press = time;
    return repeat;
  }
  held_.push_back(HeldKey{code, time});
  return code == released_code_ && time - released_time_ <= kRepeatPairMs;
}

void X11HotKeyPlatform::NoteRelease(xcb_keycode_t code, xcb_timestamp_t time) {
  auto held = std::find_if(held_.begin(), held_.end(),
                           [code](const HeldKey& key) { return key.code == code; });
  if (held == held_.end()) return;
  held_.erase(held);
  released_code_ = code;
  released_time_ = time;
}

void X11HotKeyPlatform::HandleEvent(xcb_generic_event_t* event) {
  if (!intercepting_) return;
  const uint8_t type = event->response_type & 0x7F;
  if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
    if (hand_over_) FollowFocus(event);
    return;
  }
  if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return;
  // Presses and releases have the same layout.
  auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
  if (type == XCB_KEY_RELEASE) {
    // The grab that a press of a grabbed key starts sends its release here too, wherever
    // the focus is; any release of the key ends the hold, whatever window it names.
    NoteRelease(key->detail, key->time);
  }
  if (focused_ != XCB_NONE && key->event == root_) {
    // Only our grabs report keys on the root window: this key belongs to the focused window.
    key->event = focused_;
    key->child = XCB_NONE;
    key->event_x = key->root_x;
    key->event_y = key->root_y;
    return;
  }
  if (type != XCB_KEY_PRESS || key->event != root_) return;
  const Grab* grab = FindGrab(key->detail, key->state);
  if (grab == nullptr || IsRepeat(key->detail, key->time)) return;
  Deliver(grab->id);
}

void X11HotKeyPlatform::Ungrab(const Grab& grab) {
  for (xcb_keycode_t code : grab.key_codes) {
    for (uint16_t variant : LockVariants(grab.modifiers, grab.num_lock)) {
      xcb_ungrab_key(connection_, code, root_, variant);
    }
  }
}

}  // namespace rc
