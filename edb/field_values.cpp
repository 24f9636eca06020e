#include "edb/field_values.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "edb/coding.h"

namespace rc {
namespace {

bool IsIntegerValue(const Value& v) {
  return std::holds_alternative<uint8_t>(v) || std::holds_alternative<int16_t>(v) ||
         std::holds_alternative<int32_t>(v) || std::holds_alternative<int64_t>(v);
}

// An integer kind widened to 64 bits: a byte is unsigned, the others sign-extend.
int64_t IntegerOf(const Value& v) {
  if (auto p = std::get_if<uint8_t>(&v)) return *p;
  if (auto p = std::get_if<int16_t>(&v)) return *p;
  if (auto p = std::get_if<int32_t>(&v)) return *p;
  if (auto p = std::get_if<int64_t>(&v)) return *p;
  return 0;
}

double RealOf(const Value& v) {
  if (auto p = std::get_if<float>(&v)) return static_cast<double>(*p);
  if (auto p = std::get_if<double>(&v)) return *p;
  return static_cast<double>(IntegerOf(v));
}

// Truncation toward zero to 64 bits. A value that has no 64-bit integer (NaN, infinities,
// out of range) gives the machine's "integer indefinite", the lowest 64-bit integer.
int64_t TruncateToInt64(double d) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (std::isnan(d) || d >= kLimit || d < -kLimit) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(d);
}

// The field's integer from any numeric value.
int64_t AsFieldInteger(const Value& v) {
  if (IsIntegerValue(v)) return IntegerOf(v);
  return TruncateToInt64(RealOf(v));
}

// The length of the longest prefix of `s` of at most `limit` bytes that ends between
// characters: one byte below 0x81, four for a character outside GBK, two for any other lead
// byte.
size_t WholeCharactersWithin(std::string_view s, size_t limit) {
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<uint8_t>(s[i]);
    size_t n = 1;
    if (b >= 0x81 && b <= 0xFE && i + 1 < s.size()) {
      n = IsFourByteCharacterAt(s, i) ? kFourByteCharacterLength : 2;
    }
    if (i + n > limit) break;
    i += n;
  }
  return i;
}

float ToFloat(double d) {
  // Beyond the float range a double rounds to the largest float or to infinity, as the
  // hardware does it; the C++ cast would leave that undefined. Half a unit in the last
  // place of the largest float is 2^103, and the tie goes to infinity.
  constexpr double kMax = static_cast<double>(std::numeric_limits<float>::max());
  if (std::isfinite(d) && std::fabs(d) > kMax) {
    float big = std::fabs(d) >= kMax + 0x1p103 ? std::numeric_limits<float>::infinity()
                                               : std::numeric_limits<float>::max();
    return d > 0 ? big : -big;
  }
  return static_cast<float>(d);
}

}  // namespace

ValueKind FieldValueKind(FieldType type) {
  switch (type) {
    case FieldType::kByte:
      return ValueKind::kByte;
    case FieldType::kShort:
      return ValueKind::kShort;
    case FieldType::kInt:
      return ValueKind::kInt;
    case FieldType::kLong:
      return ValueKind::kLong;
    case FieldType::kFloat:
      return ValueKind::kFloat;
    case FieldType::kDouble:
      return ValueKind::kDouble;
    case FieldType::kLogical:
      return ValueKind::kLogical;
    case FieldType::kDateTime:
      return ValueKind::kDateTime;
    case FieldType::kSubroutinePtr:
      return ValueKind::kSubroutinePtr;
    case FieldType::kText:
    case FieldType::kMemo:
      return ValueKind::kText;
    case FieldType::kByteSet:
      return ValueKind::kByteSet;
  }
  return ValueKind::kNone;
}

bool IsNumericKind(ValueKind kind) {
  switch (kind) {
    case ValueKind::kByte:
    case ValueKind::kShort:
    case ValueKind::kInt:
    case ValueKind::kLong:
    case ValueKind::kFloat:
    case ValueKind::kDouble:
      return true;
    default:
      return false;
  }
}

bool ValueFitsField(FieldType type, const Value& value) {
  ValueKind field = FieldValueKind(type);
  ValueKind given = KindOf(value);
  return given == field || (IsNumericKind(given) && IsNumericKind(field));
}

void StoreFieldValue(FieldType type, int32_t width, const Value& value, uint8_t* bytes) {
  switch (type) {
    case FieldType::kByte:
      bytes[0] = static_cast<uint8_t>(AsFieldInteger(value));
      return;
    case FieldType::kShort:
      EncodeFixed16(bytes, static_cast<uint16_t>(AsFieldInteger(value)));
      return;
    case FieldType::kInt:
      EncodeFixed32(bytes, static_cast<uint32_t>(AsFieldInteger(value)));
      return;
    case FieldType::kLong:
      EncodeFixed64(bytes, static_cast<uint64_t>(AsFieldInteger(value)));
      return;
    case FieldType::kFloat:
      if (auto p = std::get_if<float>(&value)) {
        EncodeFloat(bytes, *p);
      } else {
        EncodeFloat(bytes, ToFloat(RealOf(value)));
      }
      return;
    case FieldType::kDouble:
      EncodeDouble(bytes, RealOf(value));
      return;
    case FieldType::kLogical:
      bytes[0] = std::get<Logical>(value).value != 0 ? 1 : 0;
      return;
    case FieldType::kDateTime:
      EncodeDouble(bytes, std::get<DateTime>(value).days);
      return;
    case FieldType::kSubroutinePtr:
      EncodeFixed32(bytes, std::get<SubroutinePtr>(value).value);
      return;
    case FieldType::kText: {
      // The bytes and the terminator: a text of exactly width bytes fills the field and has
      // no terminator. A longer one is cut after its last whole character, so that a name
      // never ends in half a character, and the rest of the field is zero.
      const std::string& s = std::get<Text>(value).bytes();
      const size_t w = static_cast<size_t>(width);
      if (s.size() <= w) {
        if (!s.empty()) std::memcpy(bytes, s.data(), s.size());
        if (s.size() < w) bytes[s.size()] = 0;
        return;
      }
      const size_t n = WholeCharactersWithin(s, w);
      if (n) std::memcpy(bytes, s.data(), n);
      std::memset(bytes + n, 0, w - n);
      return;
    }
    case FieldType::kByteSet:
    case FieldType::kMemo:
      return;  // the block number is stored by the caller
  }
}

Text TextAsStored(const Text& text, int32_t width) {
  const std::string& s = text.bytes();
  const size_t w = static_cast<size_t>(std::max(width, 0));
  if (s.size() <= w) return text;
  return Text(s.substr(0, WholeCharactersWithin(s, w)));
}

Value LoadFieldValue(FieldType type, int32_t width, const uint8_t* bytes) {
  switch (type) {
    case FieldType::kByte:
      return bytes[0];
    case FieldType::kShort:
      return static_cast<int16_t>(DecodeFixed16(bytes));
    case FieldType::kInt:
      return DecodeInt32(bytes);
    case FieldType::kLong:
      return static_cast<int64_t>(DecodeFixed64(bytes));
    case FieldType::kFloat:
      return DecodeFloat(bytes);
    case FieldType::kDouble:
      return DecodeDouble(bytes);
    case FieldType::kLogical:
      return Logical(bytes[0] != 0);
    case FieldType::kDateTime: {
      double d = DecodeDouble(bytes);
      if (std::isnan(d)) d = 0.0;  // not a date at all; reads as the zero date
      return DateTime{std::clamp(d, kMinDateTime, kMaxDateTime)};
    }
    case FieldType::kSubroutinePtr:
      return SubroutinePtr{DecodeFixed32(bytes)};
    case FieldType::kText: {
      const void* zero = std::memchr(bytes, 0, static_cast<size_t>(width));
      size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes)
                      : static_cast<size_t>(width);
      return Text(reinterpret_cast<const char*>(bytes), n);
    }
    case FieldType::kByteSet:
    case FieldType::kMemo:
      break;
  }
  return EmptyFieldValue(type);
}

Value EmptyFieldValue(FieldType type) {
  static const uint8_t kZero[8] = {};
  switch (type) {
    case FieldType::kText:
    case FieldType::kMemo:
      return Text();
    case FieldType::kByteSet:
      return ByteSet();
    default:
      return LoadFieldValue(type, 8, kZero);
  }
}

std::string_view BlobBytes(const Value& value) {
  if (auto t = std::get_if<Text>(&value)) return t->bytes();
  if (auto b = std::get_if<ByteSet>(&value)) {
    return std::string_view(reinterpret_cast<const char*>(b->data()), b->size());
  }
  return {};
}

Value BlobValue(FieldType type, std::string_view bytes) {
  if (type == FieldType::kByteSet) return ByteSet(bytes.begin(), bytes.end());
  size_t zero = bytes.find('\0');
  return Text(bytes.substr(0, zero));
}

}  // namespace rc
