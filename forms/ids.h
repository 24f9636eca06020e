// The identifiers that window definitions give their windows, controls and menu items, and
// the control type identifiers. The application's own identifiers live with its windows.
//
// An identifier's bits 28-31 give its kind (5 window, 0 the window's own item, 1 control,
// 2 menu item), bits 24-27 its category (2 windows, 6 items inside a window) and bits 0-23
// a serial number that is never 0.
#ifndef ROLLCALL_FORMS_IDS_H_
#define ROLLCALL_FORMS_IDS_H_

#include <compare>
#include <cstdint>

namespace rc::forms {

constexpr bool IsValidId(uint32_t id) { return (id & 0x00FFFFFFu) != 0 && (id & 0x0F000000u) != 0; }

// A window's identifier (kind 5). Distinct from ControlId so that the two cannot be swapped;
// `value` is the number the window definitions store.
struct WindowId {
  uint32_t value = 0;
  constexpr WindowId() = default;
  constexpr explicit WindowId(uint32_t v) : value(v) {}
  friend constexpr bool operator==(WindowId, WindowId) = default;
  friend constexpr auto operator<=>(WindowId, WindowId) = default;
};

// The identifier of an item inside a window: a control, a menu item or the window's own item
// (kinds 0-2). `value` is the number the window definitions store.
struct ControlId {
  uint32_t value = 0;
  constexpr ControlId() = default;
  constexpr explicit ControlId(uint32_t v) : value(v) {}
  friend constexpr bool operator==(ControlId, ControlId) = default;
  friend constexpr auto operator<=>(ControlId, ControlId) = default;
};

// Control id 0 addresses the window itself, as its own item id does.
constexpr ControlId kWindowItself{0};

// Control type identifiers: (library number << 16) | type number.
constexpr uint32_t kTypeWindow = 0x00010001;
constexpr uint32_t kTypeMenuItem = 0x00010003;
constexpr uint32_t kTypeEditBox = 0x00010005;
constexpr uint32_t kTypeGroupBox = 0x00010009;
constexpr uint32_t kTypeLabel = 0x0001000A;
constexpr uint32_t kTypeButton = 0x0001000B;
constexpr uint32_t kTypeComboBox = 0x0001000E;
constexpr uint32_t kTypeTimer = 0x00010020;
constexpr uint32_t kTypeListView = 0x00020004;
constexpr uint32_t kTypeTransparentLabel = 0x00020005;
constexpr uint32_t kTypeBalloonTip = 0x00060001;
constexpr uint32_t kTypeHtmlView = 0x00070001;

// Menu command numbers: the first menu item of a window has this one, the next one more.
constexpr int32_t kFirstMenuCommand = 20000;

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_IDS_H_
