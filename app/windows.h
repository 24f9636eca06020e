// The program's three windows and their controls, named by the part each plays. The names in
// quotes in the comments are the controls' names inside the window definitions
// (app/window_definitions.cpp), which stay as they are: stored blocks and skins know them.
//
// A window's own item addresses the window as kWindowItself does.
#ifndef ROLLCALL_APP_WINDOWS_H_
#define ROLLCALL_APP_WINDOWS_H_

#include "forms/ids.h"

namespace rc::app {

using forms::ControlId;
using forms::WindowId;

// The main window "C键 随机点名", the start-up window.
constexpr WindowId kMainWindow{0x52010001};
constexpr ControlId kMainWindowItem{0x06010000};
constexpr ControlId kUnusedHtmlView{0x16010108};  // 超文本浏览框1, never shown
constexpr ControlId kKeyHelpTip{0x160100C5};      // 气球提示框1
constexpr ControlId kHideTimer{0x1601006E};       // 时钟2: the countdown to hiding
constexpr ControlId kNarrowButton{0x1601005F};    // 按钮6 "←"
constexpr ControlId kManageButton{0x1601005E};    // 按钮5 "管理"
constexpr ControlId kWidenButton{0x1601005C};     // 按钮4 "→"
constexpr ControlId kWrongLabel{0x1601003F};      // 标签3 "错误: 次数"
constexpr ControlId kAskedLabel{0x1601003E};      // 标签2 "回答: 次数"
constexpr ControlId kStatisticsButton{0x1601002B};  // 按钮2 "统计"
constexpr ControlId kRollTimer{0x16010017};       // 时钟1: the roll's steps
constexpr ControlId kNameLabel{0x16010016};       // 标签1: the name on screen
constexpr ControlId kClassCombo{0x16010015};      // 组合框1
// The right-click menu.
constexpr ControlId kMainMenu{0x26010120};         // "菜单" (hidden, pop-up only)
constexpr ControlId kPickModeMenu{0x26010121};     // "点名方式"
constexpr ControlId kFullyRandomItem{0x26010122};  // "完全随机"
constexpr ControlId kNoRepeatItem{0x26010123};     // "一轮不重复"
constexpr ControlId kSizeMenu{0x26010124};         // "大小（重新启动后生效）"
constexpr ControlId kSize100Item{0x26010125};      // "100 %"
constexpr ControlId kSize150Item{0x26010126};      // "150 %"
constexpr ControlId kSize200Item{0x26010127};      // "200 %"
constexpr ControlId kSize300Item{0x26010128};      // "300 %"

// The statistics window.
constexpr WindowId kStatsWindow{0x5201002D};
constexpr ControlId kStatsWindowItem{0x0601002C};
constexpr ControlId kClearCountsButton{0x1601002F};  // 按钮1 "清空回答清空"
constexpr ControlId kCountsList{0x1601002E};         // 超级列表框1
// The list's right-click menu.
constexpr ControlId kCountsMenu{0x26010130};    // "统计" (hidden, pop-up only)
constexpr ControlId kCopyAllItem{0x26010131};   // "复制全部"
constexpr ControlId kExportCsvItem{0x26010132};  // "导出为 CSV…"

// The class management window.
constexpr WindowId kClassWindow{0x5201007F};
constexpr ControlId kClassWindowItem{0x0601007E};
constexpr ControlId kPasteHelpTip{0x160100C0};      // 气球提示框1
constexpr ControlId kCreateButton{0x160100BE};      // 按钮1 "创建"
constexpr ControlId kPasteBox{0x160100BD};          // 编辑框1: the pasted names
constexpr ControlId kPasteCaption{0x160100BC};      // 透明标签2 "学生姓名"
constexpr ControlId kClassNameBox{0x160100BA};      // 编辑框2
constexpr ControlId kClassNameCaption{0x160100BB};  // 透明标签1 "班级名称"
constexpr ControlId kCreateGroup{0x160100B9};       // 分组框1
constexpr ControlId kStudentList{0x160100AB};       // 超级列表框2
constexpr ControlId kClassList{0x16010082};         // 超级列表框1
constexpr ControlId kClassMenu{0x260100B1};          // "班级" (hidden, pop-up only)
constexpr ControlId kDeleteClassItem{0x260100B2};    // "删除班级"
constexpr ControlId kStudentMenu{0x260100B3};        // "姓名" (hidden, pop-up only)
constexpr ControlId kDeleteStudentItem{0x260100B4};  // "删除"

}  // namespace rc::app

#endif  // ROLLCALL_APP_WINDOWS_H_
