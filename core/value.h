// The value kinds of the library-command convention: what commands take and return, and
// what a database field reads as and expects. An argument that may be omitted is a
// std::optional of its kind: an omitted argument is distinct from a given 0, false or empty
// text.
#ifndef ROLLCALL_CORE_VALUE_H_
#define ROLLCALL_CORE_VALUE_H_

#include <cstdint>
#include <variant>
#include <vector>

#include "core/text.h"

namespace rc {

// The tags of the calling convention, as the database's field types report them.
enum class ValueKind : uint32_t {
  kNone = 0,
  kByte = 0x80000101,
  kShort = 0x80000201,
  kInt = 0x80000301,
  kLong = 0x80000401,
  kFloat = 0x80000501,
  kDouble = 0x80000601,
  kLogical = 0x80000002,
  kDateTime = 0x80000003,
  kText = 0x80000004,
  kByteSet = 0x80000005,
  kSubroutinePtr = 0x80000006,
};

// A byte set: a length and that many bytes. The empty byte set is the no-data value.
using ByteSet = std::vector<uint8_t>;

// A logical is 32 bits: 0 is false, anything else is true. Commands return 1 for true.
struct Logical {
  int32_t value = 0;
  Logical() = default;
  explicit Logical(bool b) : value(b ? 1 : 0) {}
  static Logical FromRaw(int32_t raw) {
    Logical l;
    l.value = raw;
    return l;
  }
  explicit operator bool() const { return value != 0; }
  friend bool operator==(const Logical& a, const Logical& b) {
    return (a.value != 0) == (b.value != 0);
  }
};

// An OLE automation date: days since 1899-12-30 00:00, the fraction being the time of day.
struct DateTime {
  double days = 0.0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// A 32-bit subroutine pointer as a database field stores it; never called by the system.
struct SubroutinePtr {
  uint32_t value = 0;
  friend bool operator==(const SubroutinePtr&, const SubroutinePtr&) = default;
};

// Number of bytes in a byte set; 0 for the empty byte set.
inline int32_t ByteSetLength(const ByteSet& set) { return static_cast<int32_t>(set.size()); }

// Any value of the convention. std::monostate stands for "no value" (an unknown kind).
using Value = std::variant<std::monostate, uint8_t, int16_t, int32_t, int64_t, float, double,
                           Logical, DateTime, SubroutinePtr, Text, ByteSet>;

ValueKind KindOf(const Value& value);

// The broken-down calendar form of a DateTime, at whole seconds.
struct CivilTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
CivilTime ToCivil(DateTime dt);
DateTime FromCivil(const CivilTime& civil);

// The text form of a value (the ToText command): "%d" for integers, "%.6g" for single and
// "%.13g" for double floats, "真"/"假" for logicals, the date-time as "2020年3月1日14时30分",
// a byte set up to its first zero byte, a text as it is; the empty text for anything else.
Text ToText(const Value& value);

}  // namespace rc

#endif  // ROLLCALL_CORE_VALUE_H_
