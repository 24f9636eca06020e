// Identifiers fixed by the window definitions, and the control type identifiers.
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

// The main window, the start-up window. Its own item 0x06010000 also addresses it.
constexpr WindowId kMainWindow{0x52010001};
constexpr ControlId kMainWindowItem{0x06010000};
constexpr ControlId kMainHtmlView1{0x16010108};    // 超文本浏览框1
constexpr ControlId kMainBalloonTip1{0x160100C5};  // 气球提示框1
constexpr ControlId kMainTimer2{0x1601006E};       // 时钟2
constexpr ControlId kMainButton6{0x1601005F};      // 按钮6
constexpr ControlId kMainButton5{0x1601005E};      // 按钮5
constexpr ControlId kMainButton4{0x1601005C};      // 按钮4
constexpr ControlId kMainLabel3{0x1601003F};       // 标签3
constexpr ControlId kMainLabel2{0x1601003E};       // 标签2
constexpr ControlId kMainButton2{0x1601002B};      // 按钮2
constexpr ControlId kMainTimer1{0x16010017};       // 时钟1
constexpr ControlId kMainLabel1{0x16010016};       // 标签1
constexpr ControlId kMainCombo1{0x16010015};       // 组合框1
// The main window's right-click menu.
constexpr ControlId kMainMenu{0x26010120};            // "菜单" (hidden, pop-up only)
constexpr ControlId kMainMenuPickMode{0x26010121};    // "点名方式"
constexpr ControlId kMainMenuFullyRandom{0x26010122}; // "完全随机"
constexpr ControlId kMainMenuNoRepeat{0x26010123};    // "一轮不重复"
constexpr ControlId kMainMenuSize{0x26010124};        // "大小（重新启动后生效）"
constexpr ControlId kMainMenuSize100{0x26010125};     // "100 %"
constexpr ControlId kMainMenuSize150{0x26010126};     // "150 %"
constexpr ControlId kMainMenuSize200{0x26010127};     // "200 %"
constexpr ControlId kMainMenuSize300{0x26010128};     // "300 %"

// The statistics window.
constexpr WindowId kStatsWindow{0x5201002D};
constexpr ControlId kStatsWindowItem{0x0601002C};
constexpr ControlId kStatsButton1{0x1601002F};  // 按钮1
constexpr ControlId kStatsList1{0x1601002E};    // 超级列表框1
// The list's right-click menu.
constexpr ControlId kStatsMenuList{0x26010130};       // "统计" (hidden, pop-up only)
constexpr ControlId kStatsMenuCopyAll{0x26010131};    // "复制全部"
constexpr ControlId kStatsMenuExportCsv{0x26010132};  // "导出为 CSV…"

// The class management window.
constexpr WindowId kClassWindow{0x5201007F};
constexpr ControlId kClassWindowItem{0x0601007E};
constexpr ControlId kClassBalloonTip1{0x160100C0};        // 气球提示框1
constexpr ControlId kClassButton1{0x160100BE};            // 按钮1
constexpr ControlId kClassEdit1{0x160100BD};              // 编辑框1
constexpr ControlId kClassTransparentLabel2{0x160100BC};  // 透明标签2
constexpr ControlId kClassEdit2{0x160100BA};              // 编辑框2
constexpr ControlId kClassTransparentLabel1{0x160100BB};  // 透明标签1
constexpr ControlId kClassGroup1{0x160100B9};             // 分组框1
constexpr ControlId kClassList2{0x160100AB};              // 超级列表框2
constexpr ControlId kClassList1{0x16010082};              // 超级列表框1
constexpr ControlId kClassMenuClass{0x260100B1};          // "班级" (hidden, pop-up only)
constexpr ControlId kClassMenuDeleteClass{0x260100B2};    // "删除班级"
constexpr ControlId kClassMenuName{0x260100B3};           // "姓名" (hidden, pop-up only)
constexpr ControlId kClassMenuDelete{0x260100B4};         // "删除"

// Menu command numbers: the first menu item of a window has this one, the next one more.
constexpr int32_t kFirstMenuCommand = 20000;

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_IDS_H_
