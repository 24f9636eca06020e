#include "core/text.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace rc {
namespace {

constexpr char kCodePage[] = "GB18030";

// One converter per thread and direction: iconv descriptors carry shift state and must not
// be shared between threads, and opening one per call would cost more than the conversion.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible. On an input sequence that cannot be converted, appends
  // `replacement`, skips `skip` input bytes and goes on; never fails.
  std::string Run(std::string_view in, std::string_view replacement, size_t skip) {
    std::string out;
    if (!ok()) return out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buffer[1024];
    while (src_left > 0) {
      char* dst = buffer;
      size_t dst_left = sizeof buffer;
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(buffer, dst - buffer);
      if (r != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // EILSEQ (invalid) or EINVAL (cut short at the end): mark it and step over.
      out.append(replacement);
      size_t step = std::min(skip, src_left);
      src += step;
      src_left -= step;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &dst, &dst_left);
    out.append(buffer, dst - buffer);
    return out;
  }

 private:
  iconv_t cd_;
};

Converter& GbkToUtf8() {
  thread_local Converter c("UTF-8", kCodePage);
  return c;
}
Converter& Utf8ToGbk() {
  thread_local Converter c(kCodePage, "UTF-8");
  return c;
}
Converter& GbkToUtf16() {
  thread_local Converter c("UTF-16LE", kCodePage);
  return c;
}
Converter& Utf16ToGbk() {
  thread_local Converter c(kCodePage, "UTF-16LE");
  return c;
}

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";
constexpr char kReplacementUtf16[] = "\xFD\xFF";  // U+FFFD, little-endian

inline uint8_t FoldAscii(uint8_t c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

}  // namespace

Text Text::FromUtf8(std::string_view utf8) {
  // Plain ASCII is the same in both encodings; skip the converter for it.
  bool ascii = true;
  for (char c : utf8) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) return Text(utf8);
  return Text(Utf8ToGbk().Run(utf8, "?", 1));
}

Text Text::FromUtf16(std::u16string_view utf16) {
  std::string_view raw(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
  return Text(Utf16ToGbk().Run(raw, "?", 2));
}

std::string Text::ToUtf8() const {
  bool ascii = true;
  for (char c : bytes_) ascii = ascii && static_cast<uint8_t>(c) < 0x80;
  if (ascii) return bytes_;
  return GbkToUtf8().Run(bytes_, kReplacementUtf8, 1);
}

std::u16string Text::ToUtf16() const {
  std::string raw = GbkToUtf16().Run(bytes_, std::string_view(kReplacementUtf16, 2), 1);
  std::u16string out(raw.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<uint8_t>(raw[2 * i]) |
                                   (static_cast<uint8_t>(raw[2 * i + 1]) << 8));
  }
  return out;
}

bool IsFourByteCharacterAt(std::string_view bytes, size_t pos) {
  auto lead = [&](size_t i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    return b >= 0x81 && b <= 0xFE;
  };
  auto digit = [&](size_t i) { return bytes[i] >= '0' && bytes[i] <= '9'; };
  return pos + kFourByteCharacterLength <= bytes.size() && lead(pos) && digit(pos + 1) &&
         lead(pos + 2) && digit(pos + 3);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  size_t i = 0;
  while (i < a.size()) {
    uint8_t x = static_cast<uint8_t>(a[i]);
    uint8_t y = static_cast<uint8_t>(b[i]);
    if (IsLeadByte(x) && i + 1 < a.size()) {
      // A two-byte character is compared as a unit, its trail byte unfolded.
      if (x != y || a[i + 1] != b[i + 1]) return false;
      i += 2;
      continue;
    }
    if (FoldAscii(x) != FoldAscii(y)) return false;
    ++i;
  }
  return true;
}

}  // namespace rc
