#include "tools/voicepack/unihan_readings.h"

#include <bzlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace rc::voicepack {
namespace {

constexpr std::string_view kMandarinField = "kMandarin";
constexpr int kNeutralTone = 5;
constexpr size_t kChunkSize = 1 << 16;

// Combining tone marks, for syllables that have no precomposed letter (m̄, ê̄).
constexpr char32_t kCombiningGrave = 0x0300;
constexpr char32_t kCombiningAcute = 0x0301;
constexpr char32_t kCombiningMacron = 0x0304;
constexpr char32_t kCombiningCaron = 0x030C;

struct MarkedLetter {
  char32_t code;
  char letter;  // ü is written "v", as the pinyin voice reads it
  int tone;     // 0: no tone mark
};

constexpr MarkedLetter kMarkedLetters[] = {
    {U'ā', 'a', 1}, {U'á', 'a', 2}, {U'ǎ', 'a', 3}, {U'à', 'a', 4},
    {U'ē', 'e', 1}, {U'é', 'e', 2}, {U'ě', 'e', 3}, {U'è', 'e', 4}, {U'ê', 'e', 0},
    {U'ī', 'i', 1}, {U'í', 'i', 2}, {U'ǐ', 'i', 3}, {U'ì', 'i', 4},
    {U'ō', 'o', 1}, {U'ó', 'o', 2}, {U'ǒ', 'o', 3}, {U'ò', 'o', 4},
    {U'ū', 'u', 1}, {U'ú', 'u', 2}, {U'ǔ', 'u', 3}, {U'ù', 'u', 4},
    {U'ǖ', 'v', 1}, {U'ǘ', 'v', 2}, {U'ǚ', 'v', 3}, {U'ǜ', 'v', 4}, {U'ü', 'v', 0},
    {U'ḿ', 'm', 2}, {U'ń', 'n', 2}, {U'ň', 'n', 3}, {U'ǹ', 'n', 4},
};

// The next code point of UTF-8 `s` at `pos`, or U+FFFD for a byte that starts none.
char32_t NextCodePoint(std::string_view s, size_t* pos) {
  auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  uint8_t b = byte(*pos);
  int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
  if (extra < 0 || *pos + static_cast<size_t>(extra) >= s.size()) {
    ++*pos;
    return 0xFFFD;
  }
  char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
  for (int i = 1; i <= extra; ++i) {
    if ((byte(*pos + i) & 0xC0) != 0x80) {
      ++*pos;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(*pos + i) & 0x3F);
  }
  *pos += extra + 1;
  return c;
}

// "U+5F20" -> 0x5F20; 0 when it is no code point.
char32_t ParseCodePoint(std::string_view field) {
  if (field.size() < 3 || field.substr(0, 2) != "U+") return 0;
  char32_t c = 0;
  for (char h : field.substr(2)) {
    int digit = h >= '0' && h <= '9' ? h - '0' : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
    if (digit < 0 || c > 0x10FFFF) return 0;
    c = c * 16 + static_cast<char32_t>(digit);
  }
  return c;
}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string ToNumberedPinyin(std::string_view marked) {
  std::string plain;
  int tone = 0;
  auto set_tone = [&](int t) {
    if (t == 0) return true;
    if (tone != 0) return false;  // two tone marks make no syllable
    tone = t;
    return true;
  };
  for (size_t pos = 0; pos < marked.size();) {
    char32_t c = NextCodePoint(marked, &pos);
    if (c >= 'a' && c <= 'z') {
      plain += static_cast<char>(c);
      continue;
    }
    int combining = c == kCombiningMacron ? 1 : c == kCombiningAcute ? 2 : c == kCombiningCaron ? 3
                  : c == kCombiningGrave ? 4 : 0;
    if (combining != 0) {
      if (plain.empty() || !set_tone(combining)) return {};
      continue;
    }
    const MarkedLetter* found = nullptr;
    for (const MarkedLetter& m : kMarkedLetters) {
      if (m.code == c) found = &m;
    }
    if (found == nullptr || !set_tone(found->tone)) return {};
    plain += found->letter;
  }
  if (plain.empty()) return {};
  return plain + std::to_string(tone == 0 ? kNeutralTone : tone);
}

void AddMandarinReading(std::string_view line, MandarinReadings* readings) {
  size_t tab1 = line.find('\t');
  if (tab1 == std::string_view::npos) return;
  size_t tab2 = line.find('\t', tab1 + 1);
  if (tab2 == std::string_view::npos || line.substr(tab1 + 1, tab2 - tab1 - 1) != kMandarinField) {
    return;
  }
  char32_t code = ParseCodePoint(line.substr(0, tab1));
  std::string_view values = line.substr(tab2 + 1);
  // The first of the readings is the customary one.
  std::string_view first = values.substr(0, values.find(' '));
  if (code == 0 || first.empty()) return;
  (*readings)[code] = std::string(first);
}

bool ReadMandarinReadings(const std::string& path, MandarinReadings* readings,
                          std::string* error) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    *error = path + ": " + std::strerror(errno) + " (install unicode-data)";
    return false;
  }
  int status = BZ_OK;
  BZFILE* bz = BZ2_bzReadOpen(&status, file.get(), 0, 0, nullptr, 0);
  if (status != BZ_OK) {
    BZ2_bzReadClose(&status, bz);
    *error = path + ": not a bzip2 file";
    return false;
  }
  std::string pending;
  std::vector<char> chunk(kChunkSize);
  while (status == BZ_OK) {
    int got = BZ2_bzRead(&status, bz, chunk.data(), static_cast<int>(chunk.size()));
    if (status != BZ_OK && status != BZ_STREAM_END) break;
    pending.append(chunk.data(), static_cast<size_t>(got));
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      AddMandarinReading(std::string_view(pending).substr(start, end - start), readings);
    }
    pending.erase(0, start);
  }
  bool complete = status == BZ_STREAM_END;
  int ignored;
  BZ2_bzReadClose(&ignored, bz);
  if (!complete) {
    *error = path + ": damaged bzip2 data";
    return false;
  }
  AddMandarinReading(pending, readings);
  return true;
}

}  // namespace rc::voicepack
