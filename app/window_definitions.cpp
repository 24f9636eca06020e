#include "app/window_definitions.h"

#include <initializer_list>
#include <utility>

#include "app/windows.h"
#include "forms/balloon_style_sheet.h"
#include "forms/definition_codec.h"
#include "forms/definition_format.h"
#include "forms/indexes.h"

namespace rc::app {
namespace {

using namespace forms;

// The handler reference stored for a bound event. The application binds its handlers to
// (window, control, event) at run time; the stored reference only says "bound".
constexpr int32_t kBound = 0;

std::vector<EventBinding> Bind(std::initializer_list<int32_t> events) {
  std::vector<EventBinding> out;
  for (int32_t e : events) out.push_back({e, kBound});
  return out;
}

ItemDef Control(ControlId id, uint32_t type, const char* name, int32_t left, int32_t top,
                int32_t width, int32_t height, bool visible, bool tab_stop) {
  ItemDef item;
  item.id = id.value;
  item.type = type;
  item.name = Text::FromUtf8(name);
  item.left = left;
  item.top = top;
  item.width = width;
  item.height = height;
  item.flags = (visible ? kFlagVisible : 0) | (tab_stop ? kFlagTabStop : 0);
  return item;
}

ItemDef WindowItem(ControlId id, int32_t left, int32_t top, int32_t width, int32_t height) {
  ItemDef item = Control(id, kTypeWindow, "", left, top, width, height, true, false);
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
  item.handler = bound ? kBound : kNoHandler;
  return item;
}

ButtonProps Button(const char* caption) {
  ButtonProps p;
  p.caption = Text::FromUtf8(caption);
  return p;
}

LabelProps CountLabel(const char* caption) {
  LabelProps p;
  p.caption = Text::FromUtf8(caption);
  return p;
}

ListViewProps ReportList(std::vector<ListColumn> columns, bool full_row_and_grid) {
  ListViewProps p;
  p.full_row_select = full_row_and_grid ? 1 : 0;
  p.grid_lines = full_row_and_grid ? 1 : 0;
  p.columns = std::move(columns);
  return p;
}

ListColumn Column(const char* title, int32_t width, int32_t alignment) {
  ListColumn c;
  c.title = Text::FromUtf8(title);
  c.width = width;
  c.alignment = alignment;
  return c;
}

// The main window's right-click menu, every entry of it: a hidden top item whose entries pop
// up, a level-2 item under a level-1 one makes a submenu. The check marks are set when the
// menu is shown.
void AddMainWindowMenu(WindowDef& win) {
  win.items.push_back(MenuItem(kMainMenu, 0, kMenuFlagHidden, "菜单", false));
  win.items.push_back(MenuItem(kPickModeMenu, 1, 0, "点名方式", false));
  win.items.push_back(MenuItem(kFullyRandomItem, 2, 0, "完全随机", true));
  win.items.push_back(MenuItem(kNoRepeatItem, 2, 0, "一轮不重复", true));
  win.items.push_back(MenuItem(kSizeMenu, 1, 0, "大小（重新启动后生效）", false));
  win.items.push_back(MenuItem(kSize100Item, 2, 0, "100 %", true));
  win.items.push_back(MenuItem(kSize150Item, 2, 0, "150 %", true));
  win.items.push_back(MenuItem(kSize200Item, 2, 0, "200 %", true));
  win.items.push_back(MenuItem(kSize300Item, 2, 0, "300 %", true));
}

WindowDef MainWindow() {
  WindowDef win;
  win.id = kMainWindow.value;

  ItemDef self = WindowItem(kMainWindowItem, 50, 50, 246, 98);
  WindowProps frame;
  frame.border_style = 4;
  frame.title = Text::FromUtf8("C键 随机点名");
  self.props = frame;
  // Moved: the teacher's own place is remembered. Right-clicked: the menu.
  self.events = Bind({0, kEventMoved, kEventContextMenu});
  win.items.push_back(std::move(self));

  ItemDef html =
      Control(kUnusedHtmlView, kTypeHtmlView, "超文本浏览框1", 96, 24, 24, 16, false, true);
  html.props = HtmlViewProps{};
  win.items.push_back(std::move(html));

  ItemDef tip =
      Control(kKeyHelpTip, kTypeBalloonTip, "气球提示框1", 136, 40, 8, 8, false, false);
  BalloonTipProps balloon;
  balloon.colours = {0xE1FFFF, 0xE1FFFF, 0xC0C0FF, 0xFFC0C0};
  balloon.placement_style = 0;
  balloon.style_sheet = DefaultBalloonStyleSheet();
  tip.props = balloon;
  win.items.push_back(std::move(tip));

  ItemDef timer2 = Control(kHideTimer, kTypeTimer, "时钟2", 136, 8, 16, 16, false, false);
  timer2.props = TimerProps{100};
  timer2.events = Bind({0});
  win.items.push_back(std::move(timer2));

  struct ButtonRow {
    ControlId id;
    const char* name;
    int32_t left, top, width, height;
    const char* caption;
  };
  const ButtonRow upper[] = {
      {kNarrowButton, "按钮6", 222, 32, 16, 16, "←"},
      {kManageButton, "按钮5", 170, 28, 48, 20, "管理"},
      {kWidenButton, "按钮4", 144, 58, 20, 16, "→"},
  };
  for (const ButtonRow& b : upper) {
    ItemDef item = Control(b.id, kTypeButton, b.name, b.left, b.top, b.width, b.height, true, true);
    item.props = Button(b.caption);
    item.events = Bind({0});
    win.items.push_back(std::move(item));
  }

  ItemDef label3 = Control(kWrongLabel, kTypeLabel, "标签3", 79, 59, 64, 16, true, false);
  label3.props = CountLabel("错误: 次数");
  win.items.push_back(std::move(label3));
  ItemDef label2 = Control(kAskedLabel, kTypeLabel, "标签2", -1, 59, 64, 16, true, false);
  label2.props = CountLabel("回答: 次数");
  win.items.push_back(std::move(label2));

  ItemDef button2 = Control(kStatisticsButton, kTypeButton, "按钮2", 170, 4, 48, 20, true, true);
  button2.props = Button("统计");
  button2.events = Bind({0});
  win.items.push_back(std::move(button2));

  ItemDef timer1 = Control(kRollTimer, kTypeTimer, "时钟1", -16, -8, 24, 32, false, false);
  timer1.events = Bind({0});
  win.items.push_back(std::move(timer1));

  ItemDef label1 = Control(kNameLabel, kTypeLabel, "标签1", 0, 2, 168, 55, true, false);
  LabelProps name = CountLabel("姓名");
  LogFont font;
  font.height = -56;
  font.weight = 700;
  font.char_set = 134;
  font.face = Text::FromUtf8("宋体");
  name.font = EncodeLogFont(font);
  name.h_align = 1;
  label1.props = name;
  label1.events = Bind({0});
  win.items.push_back(std::move(label1));

  ItemDef combo = Control(kClassCombo, kTypeComboBox, "组合框1", 168, 54, 72, 20, true, true);
  ComboProps classes;
  classes.kind = 1;
  classes.items = {Text::FromUtf8("九（1）班"), Text::FromUtf8("九（2）班")};
  classes.current_selection = 0;
  classes.extra_row_height = 1;
  combo.props = classes;
  combo.events = Bind({0});
  win.items.push_back(std::move(combo));
  AddMainWindowMenu(win);
  return win;
}

WindowDef StatisticsWindow() {
  WindowDef win;
  win.id = kStatsWindow.value;
  ItemDef self = WindowItem(kStatsWindowItem, 50, 50, 440, 373);
  self.events = Bind({0});
  win.items.push_back(std::move(self));

  ItemDef button = Control(kClearCountsButton, kTypeButton, "按钮1", 152, 320, 88, 24, true, true);
  button.props = Button("清空回答清空");
  button.events = Bind({0});
  win.items.push_back(std::move(button));

  ItemDef list = Control(kCountsList, kTypeListView, "超级列表框1", 8, 8, 416, 312, true, true);
  list.props = ReportList({Column("Num", 30, 0), Column("班级", 90, 1), Column("姓名", 50, 1),
                           Column("被点名次数", 90, 1), Column("回答错误次数", 90, 1)},
                          true);
  list.events = Bind({kEventRightClicked});
  win.items.push_back(std::move(list));

  win.items.push_back(MenuItem(kCountsMenu, 0, kMenuFlagHidden, "统计", false));
  win.items.push_back(MenuItem(kCopyAllItem, 1, 0, "复制全部", true));
  win.items.push_back(MenuItem(kExportCsvItem, 1, 0, "导出为 CSV…", true));
  return win;
}

WindowDef ClassManagementWindow() {
  WindowDef win;
  win.id = kClassWindow.value;
  ItemDef self = WindowItem(kClassWindowItem, 50, 50, 351, 373);
  self.events = Bind({0, 2});
  win.items.push_back(std::move(self));

  win.items.push_back(
      Control(kPasteHelpTip, kTypeBalloonTip, "气球提示框1", 160, 96, 32, 32, false, false));

  ItemDef create = Control(kCreateButton, kTypeButton, "按钮1", 48, 319, 60, 24, true, true);
  create.container = kCreateGroup.value;
  create.props = Button("创建");
  create.events = Bind({0});
  win.items.push_back(std::move(create));

  ItemDef names = Control(kPasteBox, kTypeEditBox, "编辑框1", 4, 72, 148, 237, true, true);
  names.container = kCreateGroup.value;
  EditProps paste;
  paste.multi_line = 1;
  paste.scroll_bars = 2;
  paste.content = Text::FromUtf8("请复制学生的姓名进入本编辑框。一行一个姓名。");
  names.props = paste;
  names.events = Bind({-7});
  win.items.push_back(std::move(names));

  ItemDef label2 = Control(kPasteCaption, kTypeTransparentLabel, "透明标签2", 48, 56, 48,
                           16, true, false);
  label2.container = kCreateGroup.value;
  TransparentLabelProps student;
  student.caption = Text::FromUtf8("学生姓名\r\n\r\n");
  label2.props = student;
  win.items.push_back(std::move(label2));

  ItemDef edit2 = Control(kClassNameBox, kTypeEditBox, "编辑框2", 3, 24, 144, 24, true, true);
  edit2.container = kCreateGroup.value;
  win.items.push_back(std::move(edit2));

  ItemDef label1 = Control(kClassNameCaption, kTypeTransparentLabel, "透明标签1", 40, 8, 72,
                           16, true, false);
  label1.container = kCreateGroup.value;
  TransparentLabelProps klass;
  klass.caption = Text::FromUtf8("班级名称");
  klass.h_align = 1;
  label1.props = klass;
  win.items.push_back(std::move(label1));

  ItemDef group = Control(kCreateGroup, kTypeGroupBox, "分组框1", 185, -5, 160, 349, true, false);
  group.children = {kCreateButton.value, kPasteBox.value, kPasteCaption.value,
                    kClassNameBox.value, kClassNameCaption.value};
  win.items.push_back(std::move(group));

  ItemDef list2 = Control(kStudentList, kTypeListView, "超级列表框2", 100, 0, 84, 336, true, true);
  list2.props = ReportList({Column("姓名", 70, 0)}, false);
  win.items.push_back(std::move(list2));

  ItemDef list1 = Control(kClassList, kTypeListView, "超级列表框1", 2, 0, 96, 338, true, true);
  list1.props = ReportList({Column("班级", 90, 0)}, false);
  list1.events = Bind({0, 5});
  win.items.push_back(std::move(list1));

  win.items.push_back(MenuItem(kClassMenu, 0, kMenuFlagHidden, "班级", false));
  win.items.push_back(MenuItem(kDeleteClassItem, 1, 0, "删除班级", true));
  win.items.push_back(MenuItem(kStudentMenu, 0, kMenuFlagHidden, "姓名", false));
  win.items.push_back(MenuItem(kDeleteStudentItem, 1, 0, "删除", true));
  return win;
}

}  // namespace

std::vector<WindowDef> WindowDefinitionsSource() {
  return {MainWindow(), StatisticsWindow(), ClassManagementWindow()};
}

}  // namespace rc::app
