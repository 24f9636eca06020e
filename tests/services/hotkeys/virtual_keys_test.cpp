#include "services/hotkeys/virtual_keys.h"

#include <gtest/gtest.h>
#include <xcb/xproto.h>

namespace rc {
namespace {

TEST(VirtualKeysTest, LettersAreTheirKeysNotTheirCapitals) {
  EXPECT_EQ(KeySymbolOfVirtualKey(0x43), 0x63u);  // C -> c
  EXPECT_EQ(KeySymbolOfVirtualKey(0x41), 0x61u);
  EXPECT_EQ(KeySymbolOfVirtualKey(0x5A), 0x7Au);
  EXPECT_EQ(KeySymbolOfVirtualKey(0x30), 0x30u);
  EXPECT_EQ(KeySymbolOfVirtualKey(0x70), 0xFFBEu);  // F1
  EXPECT_EQ(KeySymbolOfVirtualKey(0x87), 0xFFD5u);  // F24
  EXPECT_EQ(KeySymbolOfVirtualKey(0x60), 0xFFB0u);  // keypad 0
  EXPECT_EQ(KeySymbolOfVirtualKey(0x2E), 0xFFFFu);  // Delete
  EXPECT_FALSE(KeySymbolOfVirtualKey(0));
  EXPECT_FALSE(KeySymbolOfVirtualKey(0x5B));  // left Windows key: a modifier, not a hot key
  EXPECT_FALSE(KeySymbolOfVirtualKey(0x10000 + 0x43));
}

TEST(VirtualKeysTest, ModifierBitsBecomeXMasks) {
  EXPECT_EQ(ModifierMaskOfBits(0), 0);
  EXPECT_EQ(ModifierMaskOfBits(1 | 2 | 4 | 8),
            XCB_MOD_MASK_1 | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4);
  EXPECT_FALSE(ModifierMaskOfBits(16));
  EXPECT_FALSE(ModifierMaskOfBits(0x4000));
}

}  // namespace
}  // namespace rc
