#include "core/value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace rc {
namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2));
}

constexpr int64_t kOleEpochFromUnixDays = -25569;  // 1899-12-30 counted from 1970-01-01
constexpr double kMaxOleDays = 2958465.99999;     // 9999-12-31, the last representable day

Text Format(const char* format, auto... args) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, args...);
  if (n < 0) return Text();
  return Text(std::string(buffer, std::min<size_t>(n, sizeof buffer - 1)));
}

}  // namespace

ValueKind KindOf(const Value& value) {
  static constexpr ValueKind kKinds[] = {
      ValueKind::kNone,     ValueKind::kByte,    ValueKind::kShort,    ValueKind::kInt,
      ValueKind::kLong,     ValueKind::kFloat,   ValueKind::kDouble,   ValueKind::kLogical,
      ValueKind::kDateTime, ValueKind::kSubroutinePtr, ValueKind::kText, ValueKind::kByteSet};
  return kKinds[value.index()];
}

CivilTime ToCivil(DateTime dt) {
  double v = dt.days;
  if (!std::isfinite(v)) v = 0.0;
  v = std::clamp(v, -kMaxOleDays, kMaxOleDays);
  // OLE dates before the epoch keep a positive time of day: -1.25 is 1899-12-29 06:00.
  double whole = std::trunc(v);
  double fraction = std::fabs(v - whole);
  int64_t day = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    day += (v < 0) ? -1 : 1;
  }
  CivilTime c;
  CivilFromDays(day + kOleEpochFromUnixDays, &c.year, &c.month, &c.day);
  c.hour = static_cast<int>(seconds / 3600);
  c.minute = static_cast<int>(seconds / 60 % 60);
  c.second = static_cast<int>(seconds % 60);
  return c;
}

DateTime FromCivil(const CivilTime& c) {
  int64_t day = DaysFromCivil(c.year, static_cast<unsigned>(c.month),
                              static_cast<unsigned>(c.day)) -
                kOleEpochFromUnixDays;
  double fraction = (c.hour * 3600 + c.minute * 60 + c.second) / 86400.0;
  return DateTime{day >= 0 ? day + fraction : day - fraction};
}

Text ToText(const Value& value) {
  struct Visitor {
    Text operator()(std::monostate) const { return Text(); }
    Text operator()(uint8_t v) const { return Format("%u", static_cast<unsigned>(v)); }
    Text operator()(int16_t v) const { return Format("%d", static_cast<int>(v)); }
    Text operator()(int32_t v) const { return Format("%d", v); }
    Text operator()(int64_t v) const { return Format("%lld", static_cast<long long>(v)); }
    Text operator()(float v) const { return Format("%.6g", static_cast<double>(v)); }
    Text operator()(double v) const { return Format("%.13g", v); }
    Text operator()(Logical v) const { return v ? "真"_gbk : "假"_gbk; }
    Text operator()(SubroutinePtr) const { return Text(); }
    Text operator()(const Text& v) const { return v; }
    Text operator()(const ByteSet& v) const {
      const void* zero = std::memchr(v.data(), 0, v.size());
      size_t n = zero ? static_cast<const uint8_t*>(zero) - v.data() : v.size();
      return Text(reinterpret_cast<const char*>(v.data()), n);
    }
    Text operator()(DateTime v) const {
      CivilTime c = ToCivil(v);
      std::string out = Format("%d", c.year).bytes() + "年"_gbk.bytes() +
                        Format("%d", c.month).bytes() + "月"_gbk.bytes() +
                        Format("%d", c.day).bytes() + "日"_gbk.bytes();
      if (c.second != 0 || c.minute != 0 || c.hour != 0) {
        out += Format("%d", c.hour).bytes() + "时"_gbk.bytes();
        if (c.second != 0 || c.minute != 0) {
          out += Format("%d", c.minute).bytes() + "分"_gbk.bytes();
          if (c.second != 0) out += Format("%d", c.second).bytes() + "秒"_gbk.bytes();
        }
      }
      return Text(std::move(out));
    }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace rc
