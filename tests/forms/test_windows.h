// Three small windows of the tests' own for the tests of the form runtime and of the
// services over it: one of every control kind, with the frames, events and menus the
// runtime treats differently. The program's own windows are the application's (app/).
#ifndef ROLLCALL_TESTS_FORMS_TEST_WINDOWS_H_
#define ROLLCALL_TESTS_FORMS_TEST_WINDOWS_H_

#include <vector>

#include "core/value.h"
#include "forms/definition_model.h"
#include "forms/ids.h"

namespace rc::forms {

// A tool window (border style 4) titled "测试窗口", 246 by 98, that binds its created event.
constexpr WindowId kToolWindow{0x52000101};
constexpr ControlId kToolWindowItem{0x06000100};
constexpr ControlId kToolHtmlView{0x16000109};     // 超文本浏览框1, not visible
constexpr ControlId kToolBalloonTip{0x16000108};   // 气球提示框1, with stored colours
constexpr ControlId kToolTickingTimer{0x16000107};  // 时钟2, 100 ms, tick bound
constexpr ControlId kToolSmallButton{0x16000106};  // 按钮4, click bound
constexpr ControlId kToolPlainLabel{0x16000105};   // 标签2, left -1, nothing bound
constexpr ControlId kToolButton{0x16000104};       // 按钮2 "统计", click bound
constexpr ControlId kToolTimer{0x16000103};        // 时钟1, no property data, tick bound
constexpr ControlId kToolLabel{0x16000102};        // 标签1 "姓名", large font, feedback bound
constexpr ControlId kToolCombo{0x16000101};        // 组合框1, two items, choice bound

// A window without property data, 440 by 373, that binds its created event.
constexpr WindowId kPlainWindow{0x52000201};
constexpr ControlId kPlainWindowItem{0x06000200};
constexpr ControlId kPlainButton{0x16000202};  // 按钮1 at (152, 320), click bound
constexpr ControlId kPlainList{0x16000201};    // 超级列表框1, five columns (all but the first centred), grid lines

// A window with a group box, edit boxes, a list and a pop-up menu, that binds its created
// and destroying events.
constexpr WindowId kGroupWindow{0x52000301};
constexpr ControlId kGroupWindowItem{0x06000300};
constexpr ControlId kGroupBalloonTip{0x16000306};  // 气球提示框1, no property data
constexpr ControlId kGroupButton{0x16000305};      // 按钮1 in the group box, click bound
constexpr ControlId kGroupPasteBox{0x16000304};    // 编辑框1, multi-line, got-focus bound
constexpr ControlId kGroupLineBox{0x16000303};     // 编辑框2, one line
constexpr ControlId kGroupBox{0x16000302};         // 分组框1 at (185, -5)
constexpr ControlId kGroupList{0x16000301};        // 超级列表框1, row change and right click bound
constexpr ControlId kGroupMenu{0x26000301};        // "班级", hidden, not bound
constexpr ControlId kGroupMenuItem{0x26000302};    // "删除班级", bound
constexpr ControlId kGroupOtherMenu{0x26000303};   // "姓名", hidden, not bound
constexpr ControlId kGroupOtherMenuItem{0x26000304};  // "删除", bound

// The three windows in that order, and their stored block.
std::vector<WindowDef> TestWindowDefinitions();
const ByteSet& TestDefinitionBlock();

}  // namespace rc::forms

#endif  // ROLLCALL_TESTS_FORMS_TEST_WINDOWS_H_
