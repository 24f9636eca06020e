#include "core/random.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace rc {
namespace {

TEST(RandomTest, KnownSequenceAfterSeedOne) {
  SeedRandom(1);
  EXPECT_EQ(RandomInRange(0, 32767), 41);
  EXPECT_EQ(RandomInRange(0, 32767), 18467);
  EXPECT_EQ(RandomInRange(0, 32767), 6334);
}

TEST(RandomTest, BoundsRules) {
  SeedRandom(7);
  EXPECT_EQ(RandomInRange(5, 5), 5);
  for (int i = 0; i < 500; ++i) {
    int32_t a = RandomInRange(9, 2);
    EXPECT_GE(a, 2);
    EXPECT_LE(a, 9);
    int32_t b = RandomInRange();
    EXPECT_GE(b, 0);
    EXPECT_LE(b, 32767);
    int32_t c = RandomInRange(-3, 4);
    EXPECT_GE(c, 0);
    EXPECT_LE(c, 4);
    int32_t d = RandomInRange(1, 0);
    EXPECT_TRUE(d == 0 || d == 1);
  }
}

TEST(RandomTest, EqualBoundsDoNotAdvanceTheGenerator) {
  SeedRandom(1);
  RandomInRange(3, 3);
  EXPECT_EQ(RandomInRange(0, 32767), 41);
}

TEST(RandomTest, StateIsPerThreadAndStartsAtOne) {
  SeedRandom(12345);
  int32_t first = 0;
  std::thread([&] { first = RandomInRange(0, 32767); }).join();
  EXPECT_EQ(first, 41);  // the new thread never saw the seed above
}

TEST(RandomTest, SeedsWithinOneMillisecondDiffer) {
  std::set<int32_t> draws;
  for (int i = 0; i < 20; ++i) {
    uint32_t before = RandomSeedSpreader();
    SeedRandom();
    EXPECT_NE(RandomSeedSpreader(), before);
    draws.insert(RandomInRange(0, 32767));
  }
  EXPECT_GT(draws.size(), 15u);
}

}  // namespace
}  // namespace rc
