// The stored definition block: its layout read by hand, a round trip through the codec, and
// damaged blocks refused. The blocks are made from the tests' own windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <string>

#include "forms/definition_codec.h"
#include "forms/definition_format.h"
#include "forms/ids.h"
#include "tests/forms/test_windows.h"

namespace rc::forms {
namespace {

using namespace rc::literals;

// Reads the stored layout by hand, without the codec.
uint32_t U32(const ByteSet& b, size_t at) {
  return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) |
         (static_cast<uint32_t>(b.at(at + 3)) << 24);
}

TEST(StoredBlock, HoldsTheLayoutAtKnownOffsets) {
  const ByteSet& b = TestDefinitionBlock();
  EXPECT_EQ(U32(b, 0), 3 * kWindowTableEntrySize);
  EXPECT_EQ(U32(b, 4), kToolWindow.value);
  EXPECT_EQ(U32(b, 8), kPlainWindow.value);
  EXPECT_EQ(U32(b, 12), kGroupWindow.value);
  for (size_t slot : {16, 20, 24}) EXPECT_EQ(U32(b, slot), 0u) << slot;

  // The first window: two values, two empty texts, then its item list.
  const size_t first_window = 4 + 24;
  EXPECT_EQ(U32(b, first_window + 8), 0u);
  EXPECT_EQ(U32(b, first_window + 12), 0u);
  const size_t list = first_window + 16;
  const uint32_t count = U32(b, list);
  EXPECT_EQ(count, 10u);  // the window and its nine controls
  const size_t ids = list + 8;
  EXPECT_EQ(U32(b, ids), kToolWindowItem.value);
  EXPECT_EQ(U32(b, ids + 4), kToolHtmlView.value);
  EXPECT_EQ(U32(b, ids + 4 * 9), kToolCombo.value);
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

  // The list's byte size leads to the second window: the window and its two controls.
  const size_t second_window = list + 8 + U32(b, list + 4);
  EXPECT_EQ(U32(b, second_window + 16), 3u);
  EXPECT_EQ(U32(b, second_window + 24), kPlainWindowItem.value);
}

// Nothing is lost in a round trip: the decoded windows are the encoded ones.
TEST(DefinitionBlock, DecodesToWhatWasEncoded) {
  EXPECT_EQ(DecodeDefinitions(TestDefinitionBlock()), TestWindowDefinitions());
}

TEST(DefinitionBlock, DamagedBlocksAreRefused) {
  const ByteSet& block = TestDefinitionBlock();
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
  const ByteSet& block = TestDefinitionBlock();
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
  std::vector<WindowDef> windows = TestWindowDefinitions();
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
