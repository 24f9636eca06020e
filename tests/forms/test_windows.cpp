#include "tests/forms/test_windows.h"

#include <initializer_list>
#include <utility>

#include "forms/balloon_style_sheet.h"
#include "forms/definition_codec.h"
#include "forms/definition_format.h"

namespace rc::forms {
namespace {

std::vector<EventBinding> Bind(std::initializer_list<int32_t> events) {
  std::vector<EventBinding> out;
  for (int32_t e : events) out.push_back({e, 0});
  return out;
}

struct Place {
  int32_t left, top, width, height;
};

ItemDef Control(ControlId id, uint32_t type, const char* name, Place at, uint32_t flags,
                PropertyData props = {}, std::initializer_list<int32_t> events = {}) {
  ItemDef item;
  item.id = id.value;
  item.type = type;
  item.name = Text::FromUtf8(name);
  item.left = at.left;
  item.top = at.top;
  item.width = at.width;
  item.height = at.height;
  item.flags = flags;
  item.props = std::move(props);
  item.events = Bind(events);
  return item;
}

ItemDef MenuItem(ControlId id, int32_t level, uint32_t flags, const char* caption, bool bound) {
  ItemDef item;
  item.id = id.value;
  item.type = kTypeMenuItem;
  item.cursor.clear();
  item.level = level;
  item.menu_flags = flags;
  item.caption = Text::FromUtf8(caption);
  item.handler = bound ? 0 : kNoHandler;
  return item;
}

ButtonProps Button(const char* caption) {
  ButtonProps p;
  p.caption = Text::FromUtf8(caption);
  return p;
}

struct Column {
  const char* title;
  int32_t width;
  int32_t alignment;  // 0 left, 1 centre
};

ListViewProps ReportList(std::initializer_list<Column> columns, bool grid) {
  ListViewProps p;
  p.full_row_select = p.grid_lines = grid ? 1 : 0;
  for (const Column& c : columns) {
    ListColumn column;
    column.title = Text::FromUtf8(c.title);
    column.width = c.width;
    column.alignment = c.alignment;
    p.columns.push_back(std::move(column));
  }
  return p;
}

constexpr uint32_t kShown = kFlagVisible | kFlagTabStop;

WindowDef ToolWindow() {
  WindowProps frame;
  frame.border_style = 4;
  frame.title = Text::FromUtf8("测试窗口");
  LabelProps name;
  name.caption = Text::FromUtf8("姓名");
  LogFont font;
  font.height = -56;
  font.weight = 700;
  font.char_set = 134;
  font.face = Text::FromUtf8("宋体");
  name.font = EncodeLogFont(font);
  name.h_align = 1;
  LabelProps plain;
  plain.caption = Text::FromUtf8("次数");
  BalloonTipProps balloon;
  balloon.colours = {0xE1FFFF, 0xE1FFFF, 0xC0C0FF, 0xFFC0C0};
  balloon.placement_style = 0;
  balloon.style_sheet = DefaultBalloonStyleSheet();
  ComboProps combo;
  combo.kind = 1;
  combo.items = {Text::FromUtf8("九（1）班"), Text::FromUtf8("九（2）班")};
  combo.current_selection = 0;

  WindowDef win;
  win.id = kToolWindow.value;
  win.items = {
      Control(kToolWindowItem, kTypeWindow, "", {50, 50, 246, 98}, kFlagVisible, frame, {0}),
      Control(kToolHtmlView, kTypeHtmlView, "超文本浏览框1", {96, 24, 24, 16}, kFlagTabStop,
              HtmlViewProps{}),
      Control(kToolBalloonTip, kTypeBalloonTip, "气球提示框1", {136, 40, 8, 8}, 0, balloon),
      Control(kToolTickingTimer, kTypeTimer, "时钟2", {136, 8, 16, 16}, 0, TimerProps{100}, {0}),
      Control(kToolSmallButton, kTypeButton, "按钮4", {144, 58, 20, 16}, kShown, Button("→"),
              {0}),
      Control(kToolPlainLabel, kTypeLabel, "标签2", {-1, 59, 64, 16}, kFlagVisible, plain),
      Control(kToolButton, kTypeButton, "按钮2", {170, 4, 48, 20}, kShown, Button("统计"), {0}),
      Control(kToolTimer, kTypeTimer, "时钟1", {-16, -8, 24, 32}, 0, {}, {0}),
      Control(kToolLabel, kTypeLabel, "标签1", {0, 2, 168, 55}, kFlagVisible, name, {0}),
      Control(kToolCombo, kTypeComboBox, "组合框1", {168, 54, 72, 20}, kShown, combo, {0}),
  };
  return win;
}

WindowDef PlainWindow() {
  WindowDef win;
  win.id = kPlainWindow.value;
  win.items = {
      Control(kPlainWindowItem, kTypeWindow, "", {50, 50, 440, 373}, kFlagVisible, {}, {0}),
      Control(kPlainButton, kTypeButton, "按钮1", {152, 320, 88, 24}, kShown, Button("清空"),
              {0}),
      Control(kPlainList, kTypeListView, "超级列表框1", {8, 8, 416, 312}, kShown,
              ReportList({{"Num", 30, 0}, {"班级", 90, 1}, {"姓名", 50, 1}, {"次数", 90, 1},
                          {"错误", 90, 1}},
                         true)),
  };
  return win;
}

WindowDef GroupWindow() {
  EditProps paste;
  paste.multi_line = 1;
  paste.scroll_bars = 2;
  paste.content = Text::FromUtf8("一行一个姓名。");
  ItemDef button =
      Control(kGroupButton, kTypeButton, "按钮1", {48, 319, 60, 24}, kShown, Button("创建"), {0});
  ItemDef paste_box =
      Control(kGroupPasteBox, kTypeEditBox, "编辑框1", {4, 72, 148, 237}, kShown, paste, {-7});
  ItemDef line_box = Control(kGroupLineBox, kTypeEditBox, "编辑框2", {3, 24, 144, 24}, kShown);
  for (ItemDef* inside : {&button, &paste_box, &line_box}) inside->container = kGroupBox.value;
  ItemDef group = Control(kGroupBox, kTypeGroupBox, "分组框1", {185, -5, 160, 349}, kFlagVisible);
  group.children = {kGroupButton.value, kGroupPasteBox.value, kGroupLineBox.value};

  WindowDef win;
  win.id = kGroupWindow.value;
  win.items = {
      Control(kGroupWindowItem, kTypeWindow, "", {50, 50, 351, 373}, kFlagVisible, {}, {0, 2}),
      Control(kGroupBalloonTip, kTypeBalloonTip, "气球提示框1", {160, 96, 32, 32}, 0),
      std::move(button),
      std::move(paste_box),
      std::move(line_box),
      std::move(group),
      Control(kGroupList, kTypeListView, "超级列表框1", {2, 0, 96, 338}, kShown,
              ReportList({{"班级", 90, 0}}, false), {0, 5}),
      MenuItem(kGroupMenu, 0, kMenuFlagHidden, "班级", false),
      MenuItem(kGroupMenuItem, 1, 0, "删除班级", true),
      MenuItem(kGroupOtherMenu, 0, kMenuFlagHidden, "姓名", false),
      MenuItem(kGroupOtherMenuItem, 1, 0, "删除", true),
  };
  return win;
}

}  // namespace

std::vector<WindowDef> TestWindowDefinitions() { return {ToolWindow(), PlainWindow(), GroupWindow()}; }

const ByteSet& TestDefinitionBlock() {
  static const ByteSet block = EncodeDefinitions(TestWindowDefinitions());
  return block;
}

}  // namespace rc::forms
