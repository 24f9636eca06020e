#include "core/value.h"

#include <gtest/gtest.h>

namespace rc {
namespace {

TEST(ToTextTest, NumbersAndLogicals) {
  EXPECT_EQ(ToText(int32_t{-12}), Text("-12"));
  EXPECT_EQ(ToText(uint8_t{200}), Text("200"));
  EXPECT_EQ(ToText(int16_t{-7}), Text("-7"));
  EXPECT_EQ(ToText(int64_t{-9000000000}), Text("-9000000000"));
  EXPECT_EQ(ToText(1.5f), Text("1.5"));
  EXPECT_EQ(ToText(0.1), Text("0.1"));
  EXPECT_EQ(ToText(1.0 / 3), Text("0.3333333333333"));
  EXPECT_EQ(ToText(Logical(true)), "真"_gbk);
  EXPECT_EQ(ToText(Logical::FromRaw(-5)), "真"_gbk);
  EXPECT_EQ(ToText(Logical(false)), "假"_gbk);
  EXPECT_EQ(ToText(Value{}), Text());
  EXPECT_EQ(ToText(Text("abc")), Text("abc"));
  EXPECT_EQ(ToText(ByteSet{'a', 'b', 0, 'c'}), Text("ab"));
  EXPECT_EQ(ToText(ByteSet{'a', 'b'}), Text("ab"));
}

TEST(ToTextTest, DateTimeDropsZeroTail) {
  EXPECT_EQ(ToText(FromCivil({2020, 3, 1, 14, 30, 0})), "2020年3月1日14时30分"_gbk);
  EXPECT_EQ(ToText(FromCivil({2020, 3, 1, 0, 0, 0})), "2020年3月1日"_gbk);
  EXPECT_EQ(ToText(FromCivil({2020, 3, 1, 9, 0, 0})), "2020年3月1日9时"_gbk);
  EXPECT_EQ(ToText(FromCivil({2020, 3, 1, 0, 0, 5})), "2020年3月1日0时0分5秒"_gbk);
  EXPECT_EQ(ToText(DateTime{0.0}), "1899年12月30日"_gbk);
  EXPECT_EQ(ToText(DateTime{-1.25}), "1899年12月29日6时"_gbk);
}

TEST(DateTimeTest, CivilRoundTripAndKnownDates) {
  EXPECT_DOUBLE_EQ(FromCivil({1900, 1, 1, 0, 0, 0}).days, 2.0);
  EXPECT_DOUBLE_EQ(FromCivil({2020, 3, 1, 12, 0, 0}).days, 43891.5);
  CivilTime c = ToCivil(DateTime{43891.999999});  // rounds up into the next day
  EXPECT_EQ(c.month, 3);
  EXPECT_EQ(c.day, 2);
  EXPECT_EQ(c.hour, 0);
  // Hostile values never crash.
  ToText(DateTime{1e300});
  ToText(DateTime{-1e300});
  ToText(DateTime{std::numeric_limits<double>::quiet_NaN()});
}

TEST(ValueTest, KindsCarryTheirTags) {
  EXPECT_EQ(KindOf(int32_t{1}), ValueKind::kInt);
  EXPECT_EQ(KindOf(Text("x")), ValueKind::kText);
  EXPECT_EQ(static_cast<uint32_t>(KindOf(DateTime{})), 0x80000003u);
  EXPECT_EQ(ByteSetLength(ByteSet{}), 0);
  EXPECT_EQ(ByteSetLength(ByteSet{1, 2, 3}), 3);
}

}  // namespace
}  // namespace rc
