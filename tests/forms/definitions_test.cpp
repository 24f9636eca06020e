// The embedded block against the readable source and against the window tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include "forms/definition_codec.h"
#include "forms/definition_format.h"
#include "forms/embedded_definitions.h"
#include "forms/ids.h"
#include "forms/indexes.h"
#include "forms/window_definitions.h"

namespace rc::forms {
namespace {

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

// Reads the stored layout by hand, without the codec.
uint32_t U32(const ByteSet& b, size_t at) {
  return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
         (static_cast<uint32_t>(b.at(at + 3)) << 24);
}

TEST_F(EmbeddedBlock, DecodesToExactlyTheReadableSource) {
  EXPECT_EQ(windows_, WindowDefinitionsSource());
  // Nothing is lost in decoding: the decoded windows encode to the stored bytes again.
  EXPECT_EQ(EncodeDefinitions(windows_),
            ByteSet(EmbeddedDefinitionBlock().begin(), EmbeddedDefinitionBlock().end()));
}

// The stored bytes at the offsets the layout gives, read without the codec.
TEST(StoredBlock, HoldsTheLayoutAtKnownOffsets) {
  ByteSet b(EmbeddedDefinitionBlock().begin(), EmbeddedDefinitionBlock().end());
  EXPECT_EQ(U32(b, 0), 3 * kWindowTableEntrySize);
  EXPECT_EQ(U32(b, 4), kMainWindow.value);
  EXPECT_EQ(U32(b, 8), kStatsWindow.value);
  EXPECT_EQ(U32(b, 12), kClassWindow.value);
  for (size_t slot : {16, 20, 24}) EXPECT_EQ(U32(b, slot), 0u) << slot;

  // The main window: two values, two empty texts, then its item list.
  const size_t first_window = 4 + 24;
  EXPECT_EQ(U32(b, first_window + 8), 0u);
  EXPECT_EQ(U32(b, first_window + 12), 0u);
  const size_t list = first_window + 16;
  const uint32_t count = U32(b, list);
  EXPECT_EQ(count, 22u);  // the window, its twelve controls and its menu's nine items
  const size_t ids = list + 8;
  EXPECT_EQ(U32(b, ids), kMainWindowItem.value);
  EXPECT_EQ(U32(b, ids + 4), kMainHtmlView1.value);
  EXPECT_EQ(U32(b, ids + 4 * 12), kMainCombo1.value);
  const size_t offsets = ids + 4 * count;
  const size_t items = offsets + 4 * count;
  EXPECT_EQ(U32(b, offsets), 0u);

  // Item 0 is the window: its type, then the rest of the header zero.
  EXPECT_EQ(U32(b, items + 4), kTypeWindow);
  for (int word = 1; word < kItemHeaderWords; ++word) {
    EXPECT_EQ(U32(b, items + 4 + 4 * word), 0u) << word;
  }
  // The second item starts where its offset says, with its type and its GBK name.
  const size_t second = items + U32(b, offsets + 4);
  EXPECT_EQ(second, items + 4 + U32(b, items));
  EXPECT_EQ(U32(b, second + 4), kTypeHtmlView);
  const std::string name = "超文本浏览框1"_gbk.bytes();
  const size_t name_at = second + 4 + 4 * kItemHeaderWords;
  EXPECT_EQ(std::string(b.begin() + name_at, b.begin() + name_at + name.size()), name);
  EXPECT_EQ(b.at(name_at + name.size()), 0);

  // The list's byte size leads to the statistics window: the window, its two controls and
  // the three items of the list's menu.
  const size_t second_window = list + 8 + U32(b, list + 4);
  EXPECT_EQ(U32(b, second_window + 16), 6u);
  EXPECT_EQ(U32(b, second_window + 24), kStatsWindowItem.value);
}

TEST_F(EmbeddedBlock, WindowTableAndOwnItems) {
  EXPECT_EQ(windows_[0].id, kMainWindow.value);
  EXPECT_EQ(windows_[1].id, kStatsWindow.value);
  EXPECT_EQ(windows_[2].id, kClassWindow.value);
  const ItemDef& main = windows_[0].items[0];
  EXPECT_EQ(main.id, kMainWindowItem.value);
  EXPECT_EQ(main.type, kTypeWindow);
  EXPECT_EQ(std::tie(main.left, main.top, main.width, main.height),
            std::make_tuple(50, 50, 246, 98));
  const auto& frame = std::get<WindowProps>(main.props);
  EXPECT_EQ(frame.border_style, 4);
  EXPECT_EQ(frame.start_position, 1);
  EXPECT_EQ(frame.control_box, 1);
  EXPECT_EQ(frame.maximise_box + frame.minimise_box + frame.topmost, 0);
  EXPECT_EQ(frame.title, "C键 随机点名"_gbk);
  EXPECT_EQ(main.events,
            (std::vector<EventBinding>{{0, 0}, {kEventMoved, 0}, {kEventContextMenu, 0}}));

  const ItemDef& stats = windows_[1].items[0];
  EXPECT_EQ(stats.id, kStatsWindowItem.value);
  EXPECT_EQ(std::tie(stats.width, stats.height), std::make_tuple(440, 373));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(stats.props));
  const ItemDef& klass = windows_[2].items[0];
  EXPECT_EQ(klass.id, kClassWindowItem.value);
  EXPECT_EQ(std::tie(klass.width, klass.height), std::make_tuple(351, 373));
  EXPECT_EQ(klass.events.size(), 2u);
  EXPECT_EQ(klass.events[1].event, 2);
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

TEST_F(EmbeddedBlock, EveryControlAsTabled) {
  const uint32_t V = kFlagVisible, T = kFlagTabStop;
  const Row rows[] = {
      {0, kMainHtmlView1, kTypeHtmlView, "超文本浏览框1", 96, 24, 24, 16, T, {}, 0},
      {0, kMainBalloonTip1, kTypeBalloonTip, "气球提示框1", 136, 40, 8, 8, 0, {}, 0},
      {0, kMainTimer2, kTypeTimer, "时钟2", 136, 8, 16, 16, 0, {0}, 0},
      {0, kMainButton6, kTypeButton, "按钮6", 222, 32, 16, 16, V | T, {0}, 0},
      {0, kMainButton5, kTypeButton, "按钮5", 170, 28, 48, 20, V | T, {0}, 0},
      {0, kMainButton4, kTypeButton, "按钮4", 144, 58, 20, 16, V | T, {0}, 0},
      {0, kMainLabel3, kTypeLabel, "标签3", 79, 59, 64, 16, V, {}, 0},
      {0, kMainLabel2, kTypeLabel, "标签2", -1, 59, 64, 16, V, {}, 0},
      {0, kMainButton2, kTypeButton, "按钮2", 170, 4, 48, 20, V | T, {0}, 0},
      {0, kMainTimer1, kTypeTimer, "时钟1", -16, -8, 24, 32, 0, {0}, 0},
      {0, kMainLabel1, kTypeLabel, "标签1", 0, 2, 168, 55, V, {0}, 0},
      {0, kMainCombo1, kTypeComboBox, "组合框1", 168, 54, 72, 20, V | T, {0}, 0},
      {1, kStatsButton1, kTypeButton, "按钮1", 152, 320, 88, 24, V | T, {0}, 0},
      {1, kStatsList1, kTypeListView, "超级列表框1", 8, 8, 416, 312, V | T, {5}, 0},
      {2, kClassBalloonTip1, kTypeBalloonTip, "气球提示框1", 160, 96, 32, 32, 0, {}, 0},
      {2, kClassButton1, kTypeButton, "按钮1", 48, 319, 60, 24, V | T, {0}, kClassGroup1.value},
      {2, kClassEdit1, kTypeEditBox, "编辑框1", 4, 72, 148, 237, V | T, {-7}, kClassGroup1.value},
      {2,
       kClassTransparentLabel2,
       kTypeTransparentLabel,
       "透明标签2",
       48,
       56,
       48,
       16,
       V,
       {},
       kClassGroup1.value},
      {2, kClassEdit2, kTypeEditBox, "编辑框2", 3, 24, 144, 24, V | T, {}, kClassGroup1.value},
      {2,
       kClassTransparentLabel1,
       kTypeTransparentLabel,
       "透明标签1",
       40,
       8,
       72,
       16,
       V,
       {},
       kClassGroup1.value},
      {2, kClassGroup1, kTypeGroupBox, "分组框1", 185, -5, 160, 349, V, {}, 0},
      {2, kClassList2, kTypeListView, "超级列表框2", 100, 0, 84, 336, V | T, {}, 0},
      {2, kClassList1, kTypeListView, "超级列表框1", 2, 0, 96, 338, V | T, {0, 5}, 0},
  };
  size_t controls[3] = {0, 0, 0};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const ItemDef& item = Item(row.window, row.id);
    ++controls[row.window];
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
  // Definition order is the table order; item 0 is the window; the right-click menus follow
  // the controls.
  EXPECT_EQ(windows_[0].items.size(), 1 + controls[0] + 9);
  EXPECT_EQ(windows_[0].items[1].id, kMainHtmlView1.value);
  EXPECT_EQ(windows_[0].items[controls[0]].id, kMainCombo1.value);
  EXPECT_EQ(windows_[1].items.size(), 1 + controls[1] + 3);
  EXPECT_EQ(windows_[2].items.size(), 1 + controls[2] + 4);
  EXPECT_EQ(Item(2, kClassGroup1).children,
            (std::vector<uint32_t>{kClassButton1.value, kClassEdit1.value,
                                   kClassTransparentLabel2.value, kClassEdit2.value,
                                   kClassTransparentLabel1.value}));
}

TEST_F(EmbeddedBlock, FontsCaptionsAndSettings) {
  const auto& name = std::get<LabelProps>(Item(0, kMainLabel1).props);
  auto font = DecodeLogFont(name.font);
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->height, -56);
  EXPECT_EQ(font->weight, 700);
  EXPECT_EQ(font->char_set, 134);
  EXPECT_EQ(font->face, "宋体"_gbk);
  EXPECT_EQ(name.caption, "姓名"_gbk);
  EXPECT_EQ(std::tie(name.h_align, name.v_align, name.word_wrap), std::make_tuple(1, 1, 0));
  for (ControlId id : {kMainLabel2, kMainLabel3}) {
    const auto& count = std::get<LabelProps>(Item(0, id).props);
    EXPECT_TRUE(count.font.empty());
    EXPECT_EQ(std::tie(count.h_align, count.v_align), std::make_tuple(0, 1));
    EXPECT_EQ(count.gradient_border_width, 8);
  }
  EXPECT_EQ(std::get<LabelProps>(Item(0, kMainLabel2).props).caption, "回答: 次数"_gbk);

  const auto& combo = std::get<ComboProps>(Item(0, kMainCombo1).props);
  EXPECT_EQ(combo.items, (std::vector<Text>{"九（1）班"_gbk, "九（2）班"_gbk}));
  EXPECT_EQ(combo.current_selection, 0);
  EXPECT_EQ(combo.kind, 1);
  EXPECT_EQ(std::get<TimerProps>(Item(0, kMainTimer2).props).interval, 100);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(Item(0, kMainTimer1).props));
  EXPECT_EQ(std::get<ButtonProps>(Item(0, kMainButton6).props).caption, "←"_gbk);

  const auto& tip = std::get<BalloonTipProps>(Item(0, kMainBalloonTip1).props);
  EXPECT_EQ(tip.placement_style, 0);
  EXPECT_EQ(tip.initial_delay, 600);
  EXPECT_EQ(tip.display_time, 3000);
  EXPECT_EQ(tip.style_sheet, DefaultBalloonStyleSheet());
  EXPECT_EQ(tip.style_sheet.size(), 990u);
  EXPECT_EQ(tip.style_sheet.bytes().substr(tip.style_sheet.size() - 2), "\r\n");

  const auto& paste = std::get<EditProps>(Item(2, kClassEdit1).props);
  EXPECT_EQ(std::tie(paste.multi_line, paste.scroll_bars), std::make_tuple(1, 2));
  EXPECT_EQ(paste.content, "请复制学生的姓名进入本编辑框。一行一个姓名。"_gbk);
  EXPECT_EQ(std::get<TransparentLabelProps>(Item(2, kClassTransparentLabel2).props).caption,
            "学生姓名\r\n\r\n"_gbk);
}

TEST_F(EmbeddedBlock, ColumnTitles) {
  const auto& stats = std::get<ListViewProps>(Item(1, kStatsList1).props);
  std::vector<std::tuple<Text, int32_t, int32_t>> got;
  for (const ListColumn& c : stats.columns) got.emplace_back(c.title, c.width, c.alignment);
  EXPECT_EQ(got, (std::vector<std::tuple<Text, int32_t, int32_t>>{{"Num"_gbk, 30, 0},
                                                                  {"班级"_gbk, 90, 1},
                                                                  {"姓名"_gbk, 50, 1},
                                                                  {"被点名次数"_gbk, 90, 1},
                                                                  {"回答错误次数"_gbk, 90, 1}}));
  EXPECT_EQ(std::tie(stats.full_row_select, stats.grid_lines, stats.single_selection),
            std::make_tuple(1, 1, 1));
  const auto& classes = std::get<ListViewProps>(Item(2, kClassList1).props);
  ASSERT_EQ(classes.columns.size(), 1u);
  EXPECT_EQ(classes.columns[0].title, "班级"_gbk);
  EXPECT_EQ(classes.full_row_select, 0);
  EXPECT_EQ(std::get<ListViewProps>(Item(2, kClassList2).props).columns[0].width, 70);
}

TEST_F(EmbeddedBlock, MenuItems) {
  std::vector<const ItemDef*> menu;
  for (const ItemDef& item : windows_[2].items) {
    if (item.type == kTypeMenuItem) menu.push_back(&item);
  }
  ASSERT_EQ(menu.size(), 4u);
  EXPECT_EQ(menu[0]->id, kClassMenuClass.value);
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

TEST(DefinitionBlock, DamagedBlocksAreRefused) {
  ByteSet block(EmbeddedDefinitionBlock().begin(), EmbeddedDefinitionBlock().end());
  EXPECT_FALSE(DecodeDefinitions({}).has_value());
  // Every truncation is refused, and so is a trailing byte.
  for (size_t cut : {size_t{3}, size_t{30}, block.size() / 2, block.size() - 1}) {
    EXPECT_FALSE(DecodeDefinitions(std::span(block.data(), cut)).has_value()) << cut;
  }
  ByteSet longer = block;
  longer.push_back(0);
  EXPECT_FALSE(DecodeDefinitions(longer).has_value());
  // A window table count that is not a multiple of 8, and an item count that overruns.
  ByteSet bad_table = block;
  bad_table[0] = 23;
  EXPECT_FALSE(DecodeDefinitions(bad_table).has_value());
  // A huge length inside the first window's item list.
  ByteSet bad_size = block;
  size_t first_window = 4 + 24 + 8 + 8;  // table, two values, two empty texts
  bad_size[first_window + 4 + 3] = 0x7F;
  EXPECT_FALSE(DecodeDefinitions(bad_size).has_value());
}

// Every prefix of the block is refused, and a block with any one byte damaged is either
// refused or decodes to something whole: the decoder never reads outside the block (the
// sanitizer build checks that) and never loses the window item at the head of each list.
TEST(DefinitionBlock, EveryTruncationAndEveryDamagedByte) {
  ByteSet block(EmbeddedDefinitionBlock().begin(), EmbeddedDefinitionBlock().end());
  for (size_t cut = 0; cut < block.size(); ++cut) {
    ASSERT_FALSE(DecodeDefinitions(std::span(block.data(), cut)).has_value()) << cut;
  }
  size_t refused = 0;
  for (size_t i = 0; i < block.size(); ++i) {
    for (uint8_t flip : {uint8_t{0x01}, uint8_t{0x80}, uint8_t{0xFF}}) {
      ByteSet damaged = block;
      damaged[i] ^= flip;
      std::optional<std::vector<WindowDef>> windows = DecodeDefinitions(damaged);
      if (!windows) {
        ++refused;
        continue;
      }
      for (const WindowDef& w : *windows) {
        ASSERT_FALSE(w.items.empty()) << i;
        ASSERT_EQ(w.items[0].type, kTypeWindow) << i;
      }
    }
  }
  EXPECT_GT(refused, 0u);
}

TEST(DefinitionBlock, AnUnknownPropertyVersionIsRefused) {
  std::vector<WindowDef> windows = WindowDefinitionsSource();
  ByteSet good = EncodeDefinitions(windows);
  // Find the timer's property data (version 1, interval 100) and bump its version.
  const uint8_t needle[] = {1, 0, 0, 0, 100, 0, 0, 0};
  auto at = std::search(good.begin(), good.end(), std::begin(needle), std::end(needle));
  ASSERT_NE(at, good.end());
  ByteSet bad = good;
  bad[static_cast<size_t>(at - good.begin())] = 2;
  EXPECT_TRUE(DecodeDefinitions(good).has_value());
  EXPECT_FALSE(DecodeDefinitions(bad).has_value());
}

TEST(LogFont, RoundTripsAndRefusesWrongSizes) {
  LogFont font;
  font.height = -12;
  font.weight = 400;
  font.char_set = 134;
  font.face = "宋体"_gbk;
  ByteSet bytes = EncodeLogFont(font);
  EXPECT_EQ(bytes.size(), static_cast<size_t>(kLogFontSize));
  EXPECT_EQ(DecodeLogFont(bytes), font);
  bytes.pop_back();
  EXPECT_FALSE(DecodeLogFont(bytes).has_value());
}

// Found by the fuzz target: a face with no terminator decoded to 32 bytes, which the encoder
// cuts to 31, so the font read from a block was not the font it wrote back.
TEST(LogFont, UnterminatedFaceEndsWhereTheTerminatorBelongs) {
  ByteSet bytes(kLogFontSize, 0xFF);
  const uint8_t head[] = {0xF4, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,
                          0,    0,    0,    0,    0, 0, 0, 0, 0xCB, 0};
  std::copy(std::begin(head), std::end(head), bytes.begin());
  const auto font = DecodeLogFont(bytes);
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->height, -12);
  EXPECT_EQ(font->weight, 0xCB0000);
  EXPECT_EQ(font->pitch_and_family, 0xFF);
  EXPECT_EQ(font->face, Text(std::string(kLogFontFaceSize - 1, '\xFF')));
  EXPECT_EQ(DecodeLogFont(EncodeLogFont(*font)), font);
}

}  // namespace
}  // namespace rc::forms
