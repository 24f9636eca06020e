// Text: the system's string type. Every text in the system, in memory and in files, is a
// byte string in code page 936 (GBK). A byte of 0x80 or more is the lead byte of a
// two-byte character. Texts are converted to and from Unicode only at the edge (screen,
// clipboard, file names), through the functions below.
//
// The converters use GB18030, a superset of GBK: a character that GBK cannot hold (a rare
// surname character typed by a teacher) is kept as a four-byte GB18030 sequence instead of
// being replaced by "?". A four-byte sequence is two lead-byte pairs, so code that steps
// over two-byte characters keeps working on it.
#ifndef ROLLCALL_CORE_TEXT_H_
#define ROLLCALL_CORE_TEXT_H_

#include <compare>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rc {

class Text {
 public:
  // The empty text, which is also the no-text value.
  Text() = default;
  // Takes GBK bytes as they are; no conversion. Use FromUtf8 or ""_gbk for source literals.
  explicit Text(std::string bytes) : bytes_(std::move(bytes)) {}
  explicit Text(std::string_view bytes) : bytes_(bytes) {}
  explicit Text(const char* bytes) : bytes_(bytes ? bytes : "") {}
  Text(const char* data, size_t size) : bytes_(data, size) {}

  // Conversions at the edge. Decoding never fails: bytes that do not decode become U+FFFD
  // in the result, and the text itself is never changed by being displayed.
  static Text FromUtf8(std::string_view utf8);
  static Text FromUtf16(std::u16string_view utf16);
  std::string ToUtf8() const;
  std::u16string ToUtf16() const;

  const std::string& bytes() const { return bytes_; }
  std::string& bytes() { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  const char* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  uint8_t at(size_t i) const { return static_cast<uint8_t>(bytes_[i]); }

  Text& operator+=(const Text& other) {
    bytes_ += other.bytes_;
    return *this;
  }
  friend Text operator+(Text a, const Text& b) { return a += b; }
  friend bool operator==(const Text&, const Text&) = default;
  friend std::strong_ordering operator<=>(const Text&, const Text&) = default;

 private:
  std::string bytes_;
};

// True when the byte starts a two-byte character.
inline bool IsLeadByte(uint8_t b) { return b >= 0x80; }

// A character outside GBK is kept as its four-byte GB18030 sequence: lead byte (0x81-0xFE),
// digit, lead byte, digit. GBK never has a digit as its second byte, so the digit tells the
// two apart. True when such a sequence starts at `pos` of `bytes`.
constexpr size_t kFourByteCharacterLength = 4;
bool IsFourByteCharacterAt(std::string_view bytes, size_t pos);

// Compares two texts ignoring the case of the ASCII letters, with two-byte characters
// compared as units (a trail byte is never folded). This is how aliases, titles, paths and
// field names are compared.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
inline bool EqualsIgnoreCase(const Text& a, const Text& b) {
  return EqualsIgnoreCase(std::string_view(a.bytes()), std::string_view(b.bytes()));
}

inline namespace literals {
// "数据库"_gbk: a UTF-8 source literal as a GBK text (converted at run time).
inline Text operator""_gbk(const char* utf8, size_t size) {
  return Text::FromUtf8(std::string_view(utf8, size));
}
}  // namespace literals

}  // namespace rc

#endif  // ROLLCALL_CORE_TEXT_H_
