// The program's embedded window definitions against their readable source and against the
// window tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include "app/embedded_definitions.h"
#include "app/window_definitions.h"
#include "app/windows.h"
#include "forms/balloon_style_sheet.h"
#include "forms/definition_codec.h"
#include "forms/definition_format.h"
#include "forms/indexes.h"

namespace rc::app {
namespace {

using namespace rc::forms;

using namespace rc::literals;

class EmbeddedBlock : public testing::Test {
 protected:
  void SetUp() override {
    auto decoded = DecodeDefinitions(EmbeddedDefinitionBlock());
    ASSERT_TRUE(decoded.has_value());
    windows_ = std::move(*decoded);
    ASSERT_EQ(windows_.size(), 3u);
  }
  const ItemDef& Item(size_t window, ControlId id) {
    for (const ItemDef& item : windows_[window].items) {
      if (item.id == id.value) return item;
    }
    ADD_FAILURE() << std::hex << id.value;
    static ItemDef none;
    return none;
  }
  std::vector<WindowDef> windows_;
};

TEST_F(EmbeddedBlock, DecodesToExactlyTheReadableSource) {
  EXPECT_EQ(windows_, WindowDefinitionsSource());
  // Nothing is lost in decoding: the decoded windows encode to the stored bytes again.
  EXPECT_EQ(EncodeDefinitions(windows_),
            ByteSet(EmbeddedDefinitionBlock().begin(), EmbeddedDefinitionBlock().end()));
}

// The windows' own settings beyond the table below: the main window's frame and title; the
// other two windows keep the defaults of a window without property data.
TEST_F(EmbeddedBlock, WindowFrames) {
  const auto& frame = std::get<WindowProps>(windows_[0].items[0].props);
  EXPECT_EQ(frame.border_style, 4);
  EXPECT_EQ(frame.start_position, 1);
  EXPECT_EQ(frame.control_box, 1);
  EXPECT_EQ(frame.maximise_box + frame.minimise_box + frame.topmost, 0);
  EXPECT_EQ(frame.title, "C键 随机点名"_gbk);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(windows_[1].items[0].props));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(windows_[2].items[0].props));
}

struct Row {
  size_t window;
  ControlId id;
  uint32_t type;
  const char* name;
  int32_t left, top, width, height;
  uint32_t flags;
  std::vector<int32_t> events;
  uint32_t container;
};

// The one check of the stored layout: every window and control as the window tables list
// them, in definition order.
TEST_F(EmbeddedBlock, EveryWindowAndControlAsTabled) {
  const uint32_t V = kFlagVisible, T = kFlagTabStop, G = kCreateGroup.value;
  const uint32_t W = kTypeWindow, L = kTypeTransparentLabel;
  const Row rows[] = {
      {0, kMainWindowItem, W, "", 50, 50, 246, 98, V, {0, kEventMoved, kEventContextMenu}, 0},
      {0, kUnusedHtmlView, kTypeHtmlView, "超文本浏览框1", 96, 24, 24, 16, T, {}, 0},
      {0, kKeyHelpTip, kTypeBalloonTip, "气球提示框1", 136, 40, 8, 8, 0, {}, 0},
      {0, kHideTimer, kTypeTimer, "时钟2", 136, 8, 16, 16, 0, {0}, 0},
      {0, kNarrowButton, kTypeButton, "按钮6", 222, 32, 16, 16, V | T, {0}, 0},
      {0, kManageButton, kTypeButton, "按钮5", 170, 28, 48, 20, V | T, {0}, 0},
      {0, kWidenButton, kTypeButton, "按钮4", 144, 58, 20, 16, V | T, {0}, 0},
      {0, kWrongLabel, kTypeLabel, "标签3", 79, 59, 64, 16, V, {}, 0},
      {0, kAskedLabel, kTypeLabel, "标签2", -1, 59, 64, 16, V, {}, 0},
      {0, kStatisticsButton, kTypeButton, "按钮2", 170, 4, 48, 20, V | T, {0}, 0},
      {0, kRollTimer, kTypeTimer, "时钟1", -16, -8, 24, 32, 0, {0}, 0},
      {0, kNameLabel, kTypeLabel, "标签1", 0, 2, 168, 55, V, {0}, 0},
      {0, kClassCombo, kTypeComboBox, "组合框1", 168, 54, 72, 20, V | T, {0}, 0},
      {1, kStatsWindowItem, W, "", 50, 50, 440, 373, V, {0}, 0},
      {1, kClearCountsButton, kTypeButton, "按钮1", 152, 320, 88, 24, V | T, {0}, 0},
      {1, kCountsList, kTypeListView, "超级列表框1", 8, 8, 416, 312, V | T, {kEventRightClicked}, 0},
      {2, kClassWindowItem, W, "", 50, 50, 351, 373, V, {0, 2}, 0},
      {2, kPasteHelpTip, kTypeBalloonTip, "气球提示框1", 160, 96, 32, 32, 0, {}, 0},
      {2, kCreateButton, kTypeButton, "按钮1", 48, 319, 60, 24, V | T, {0}, G},
      {2, kPasteBox, kTypeEditBox, "编辑框1", 4, 72, 148, 237, V | T, {-7}, G},
      {2, kPasteCaption, L, "透明标签2", 48, 56, 48, 16, V, {}, G},
      {2, kClassNameBox, kTypeEditBox, "编辑框2", 3, 24, 144, 24, V | T, {}, G},
      {2, kClassNameCaption, L, "透明标签1", 40, 8, 72, 16, V, {}, G},
      {2, kCreateGroup, kTypeGroupBox, "分组框1", 185, -5, 160, 349, V, {}, 0},
      {2, kStudentList, kTypeListView, "超级列表框2", 100, 0, 84, 336, V | T, {}, 0},
      {2, kClassList, kTypeListView, "超级列表框1", 2, 0, 96, 338, V | T, {0, 5}, 0},
  };
  EXPECT_EQ(windows_[0].id, kMainWindow.value);
  EXPECT_EQ(windows_[1].id, kStatsWindow.value);
  EXPECT_EQ(windows_[2].id, kClassWindow.value);
  size_t next[3] = {0, 0, 0};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_LT(next[row.window], windows_[row.window].items.size());
    const ItemDef& item = windows_[row.window].items[next[row.window]++];
    EXPECT_EQ(item.id, row.id.value);
    EXPECT_EQ(item.type, row.type);
    EXPECT_EQ(item.name, Text::FromUtf8(row.name));
    EXPECT_EQ(std::tie(item.left, item.top, item.width, item.height),
              std::tie(row.left, row.top, row.width, row.height));
    EXPECT_EQ(item.flags, row.flags);
    std::vector<int32_t> events;
    for (const EventBinding& e : item.events) events.push_back(e.event);
    EXPECT_EQ(events, row.events);
    EXPECT_EQ(item.container, row.container);
    EXPECT_EQ(item.cursor, (ByteSet{0, 0, 0, 0}));
  }
  // Nothing but the right-click menus follow: the main window's nine items, the list's three
  // and the class window's four.
  EXPECT_EQ(windows_[0].items.size(), next[0] + 9);
  EXPECT_EQ(windows_[1].items.size(), next[1] + 3);
  EXPECT_EQ(windows_[2].items.size(), next[2] + 4);
  EXPECT_EQ(Item(2, kCreateGroup).children,
            (std::vector<uint32_t>{kCreateButton.value, kPasteBox.value, kPasteCaption.value,
                                   kClassNameBox.value, kClassNameCaption.value}));
}

TEST_F(EmbeddedBlock, FontsCaptionsAndSettings) {
  const auto& name = std::get<LabelProps>(Item(0, kNameLabel).props);
  auto font = DecodeLogFont(name.font);
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->height, -56);
  EXPECT_EQ(font->weight, 700);
  EXPECT_EQ(font->char_set, 134);
  EXPECT_EQ(font->face, "宋体"_gbk);
  EXPECT_EQ(name.caption, "姓名"_gbk);
  EXPECT_EQ(std::tie(name.h_align, name.v_align, name.word_wrap), std::make_tuple(1, 1, 0));
  for (ControlId id : {kAskedLabel, kWrongLabel}) {
    const auto& count = std::get<LabelProps>(Item(0, id).props);
    EXPECT_TRUE(count.font.empty());
    EXPECT_EQ(std::tie(count.h_align, count.v_align), std::make_tuple(0, 1));
    EXPECT_EQ(count.gradient_border_width, 8);
  }
  EXPECT_EQ(std::get<LabelProps>(Item(0, kAskedLabel).props).caption, "回答: 次数"_gbk);

  const auto& combo = std::get<ComboProps>(Item(0, kClassCombo).props);
  EXPECT_EQ(combo.items, (std::vector<Text>{"九（1）班"_gbk, "九（2）班"_gbk}));
  EXPECT_EQ(combo.current_selection, 0);
  EXPECT_EQ(combo.kind, 1);
  EXPECT_EQ(std::get<TimerProps>(Item(0, kHideTimer).props).interval, 100);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Item(0, kRollTimer).props));
  EXPECT_EQ(std::get<ButtonProps>(Item(0, kNarrowButton).props).caption, "←"_gbk);

  const auto& tip = std::get<BalloonTipProps>(Item(0, kKeyHelpTip).props);
  EXPECT_EQ(tip.placement_style, 0);
  EXPECT_EQ(tip.initial_delay, 600);
  EXPECT_EQ(tip.display_time, 3000);
  EXPECT_EQ(tip.style_sheet, DefaultBalloonStyleSheet());
  EXPECT_EQ(tip.style_sheet.size(), 990u);
  EXPECT_EQ(tip.style_sheet.bytes().substr(tip.style_sheet.size() - 2), "\r\n");

  const auto& paste = std::get<EditProps>(Item(2, kPasteBox).props);
  EXPECT_EQ(std::tie(paste.multi_line, paste.scroll_bars), std::make_tuple(1, 2));
  EXPECT_EQ(paste.content, "请复制学生的姓名进入本编辑框。一行一个姓名。"_gbk);
  EXPECT_EQ(std::get<TransparentLabelProps>(Item(2, kPasteCaption).props).caption,
            "学生姓名\r\n\r\n"_gbk);
}

TEST_F(EmbeddedBlock, ColumnTitles) {
  const auto& stats = std::get<ListViewProps>(Item(1, kCountsList).props);
  std::vector<std::tuple<Text, int32_t, int32_t>> got;
  for (const ListColumn& c : stats.columns) got.emplace_back(c.title, c.width, c.alignment);
  EXPECT_EQ(got, (std::vector<std::tuple<Text, int32_t, int32_t>>{{"Num"_gbk, 30, 0},
                                                                  {"班级"_gbk, 90, 1},
                                                                  {"姓名"_gbk, 50, 1},
                                                                  {"被点名次数"_gbk, 90, 1},
                                                                  {"回答错误次数"_gbk, 90, 1}}));
  EXPECT_EQ(std::tie(stats.full_row_select, stats.grid_lines, stats.single_selection),
            std::make_tuple(1, 1, 1));
  const auto& classes = std::get<ListViewProps>(Item(2, kClassList).props);
  ASSERT_EQ(classes.columns.size(), 1u);
  EXPECT_EQ(classes.columns[0].title, "班级"_gbk);
  EXPECT_EQ(classes.full_row_select, 0);
  EXPECT_EQ(std::get<ListViewProps>(Item(2, kStudentList).props).columns[0].width, 70);
}

TEST_F(EmbeddedBlock, MenuItems) {
  std::vector<const ItemDef*> menu;
  for (const ItemDef& item : windows_[2].items) {
    if (item.type == kTypeMenuItem) menu.push_back(&item);
  }
  ASSERT_EQ(menu.size(), 4u);
  EXPECT_EQ(menu[0]->id, kClassMenu.value);
  EXPECT_EQ(menu[0]->caption, "班级"_gbk);
  EXPECT_EQ(std::tie(menu[0]->level, menu[0]->menu_flags, menu[0]->handler),
            std::make_tuple(0, kMenuFlagHidden, kNoHandler));
  EXPECT_EQ(menu[1]->caption, "删除班级"_gbk);
  EXPECT_EQ(std::tie(menu[1]->level, menu[1]->menu_flags), std::make_tuple(1, 0u));
  EXPECT_NE(menu[1]->handler, kNoHandler);
  EXPECT_EQ(menu[2]->caption, "姓名"_gbk);
  EXPECT_EQ(menu[3]->caption, "删除"_gbk);
  EXPECT_NE(menu[3]->handler, kNoHandler);
}

}  // namespace
}  // namespace rc::app
