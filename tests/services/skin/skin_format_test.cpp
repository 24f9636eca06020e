#include "services/skin/skin_format.h"

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "services/skin/embedded_skin.h"

namespace rc {
namespace {

const std::vector<SkinEntry> kSample = {
    {SkinKey::kWindow, 0xF5F7FA}, {SkinKey::kButtonText, 0x141414}, {SkinKey::kCornerRadius, 3}};

TEST(SkinFormatTest, EncodesInTheDocumentedLayoutAndReadsBack) {
  const std::vector<uint8_t> bytes = EncodeSkin(kSample);
  ASSERT_EQ(bytes.size(), kSkinHeaderSize + 3 * kSkinEntrySize + kSkinTrailerSize);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RCSK");
  EXPECT_EQ(bytes[4], 1);   // version, little-endian
  EXPECT_EQ(bytes[6], 3);   // entry count
  EXPECT_EQ(bytes[8], 40);  // total length
  // First entry: key 0x0001, reserved, colour 0x00F5F7FA little-endian.
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 12, bytes.begin() + 20),
            (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x00, 0xFA, 0xF7, 0xF5, 0x00}));

  std::string error;
  const auto decoded = DecodeSkin(bytes.data(), bytes.size(), &error);
  ASSERT_TRUE(decoded) << error;
  EXPECT_EQ(*decoded, kSample);

  // Padding after the stated length is allowed; unknown keys come through for the engine
  // to skip.
  std::vector<uint8_t> padded = EncodeSkin({{static_cast<SkinKey>(0x7777), 5}});
  padded.resize(padded.size() + 16, 0);
  const auto with_unknown = DecodeSkin(padded.data(), padded.size(), &error);
  ASSERT_TRUE(with_unknown) << error;
  EXPECT_EQ(with_unknown->size(), 1u);
}

TEST(SkinFormatTest, EveryDamagedOrShortenedSkinIsRefused) {
  const std::vector<uint8_t> good = EncodeSkin(kSample);
  std::string error;
  for (size_t i = 0; i < good.size(); ++i) {
    std::vector<uint8_t> bad = good;
    bad[i] ^= 0x10;
    EXPECT_FALSE(DecodeSkin(bad.data(), bad.size(), &error)) << "byte " << i;
  }
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_FALSE(DecodeSkin(good.data(), n, &error)) << "length " << n;
  }
  EXPECT_FALSE(DecodeSkin(nullptr, 100, &error));

  // A length and count that agree but promise more than is there.
  std::vector<uint8_t> header = good;
  header[6] = 0xFF;
  header[7] = 0x03;  // 1023 entries
  const uint32_t length = static_cast<uint32_t>(kSkinHeaderSize + 1023 * kSkinEntrySize + 4);
  header[8] = length & 0xFF;
  header[9] = (length >> 8) & 0xFF;
  EXPECT_FALSE(DecodeSkin(header.data(), header.size(), &error));
  EXPECT_EQ(error, "skin is cut short");
}

TEST(SkinFormatTest, ReadsTheSourceAndNamesTheBadLine) {
  std::string error;
  const auto entries = ParseSkinSource(
      "# a comment\n\nWindow = #F5F7FA\r\n  ButtonText=#141414  \nCornerRadius = 3", &error);
  ASSERT_TRUE(entries) << error;
  EXPECT_EQ(*entries, kSample);

  struct Case {
    const char* source;
    const char* error;
  };
  const Case cases[] = {
      {"Window = #F5F7FA\nColour = #000000\n", "line 2: unknown name \"Colour\""},
      {"Window #F5F7FA\n", "line 1: expected name = value"},
      {"Window = F5F7FA\n", "line 1: expected a colour #RRGGBB"},
      {"Window = #F5F7F\n", "line 1: expected a colour #RRGGBB"},
      {"Window = #F5F7FG\n", "line 1: expected a colour #RRGGBB"},
      {"CornerRadius = 65\n", "line 1: expected a size from 0 to 64"},
      {"CornerRadius = -1\n", "line 1: expected a size from 0 to 64"},
      {"FrameWidth = #000001\n", "line 1: expected a size from 0 to 64"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(ParseSkinSource(c.source, &error)) << c.source;
    EXPECT_EQ(error, c.error) << c.source;
  }
}

// Relative luminance and contrast ratio as used for text legibility.
double Luminance(uint32_t rgb) {
  auto channel = [](uint32_t v) {
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel((rgb >> 16) & 0xFF) + 0.7152 * channel((rgb >> 8) & 0xFF) +
         0.0722 * channel(rgb & 0xFF);
}

double Contrast(uint32_t a, uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(SkinFormatTest, TheClassroomSkinKeepsTheNameAndCaptionsReadable) {
  std::string error;
  const auto entries = DecodeSkin(EmbeddedSkin().data(), EmbeddedSkin().size(), &error);
  ASSERT_TRUE(entries) << error;
  auto colour = [&](SkinKey key) {
    uint32_t value = 0xFFFFFFFF;
    for (const SkinEntry& e : *entries) {
      if (e.key == key) value = e.value;
    }
    return value;
  };
  const uint32_t window = colour(SkinKey::kWindow);
  ASSERT_NE(window, 0xFFFFFFFFu);
  // The name blinks red and black on the window background; the big bold name needs at
  // least 3:1 in both colours, ordinary text 7:1.
  EXPECT_GE(Contrast(0xFF0000, window), 3.0);
  EXPECT_GE(Contrast(0x000000, window), 7.0);
  EXPECT_GE(Contrast(colour(SkinKey::kWindowText), window), 7.0);
  EXPECT_GE(Contrast(colour(SkinKey::kButtonText), colour(SkinKey::kButton)), 7.0);
  EXPECT_GE(Contrast(colour(SkinKey::kButtonText), colour(SkinKey::kButtonPressed)), 7.0);
  EXPECT_GE(Contrast(colour(SkinKey::kText), colour(SkinKey::kBase)), 7.0);
  EXPECT_GE(Contrast(colour(SkinKey::kHighlightedText), colour(SkinKey::kHighlight)), 4.5);
}

}  // namespace
}  // namespace rc
