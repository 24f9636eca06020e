#include "core/text_commands.h"

#include <cstring>

namespace rc {
namespace {

inline uint8_t FoldAscii(uint8_t c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

bool BytesEqual(const char* a, const char* b, size_t n, bool ignore_case) {
  if (!ignore_case) return std::memcmp(a, b, n) == 0;
  for (size_t i = 0; i < n; ++i) {
    if (FoldAscii(static_cast<uint8_t>(a[i])) != FoldAscii(static_cast<uint8_t>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Width of the character at `pos`: 2 for a lead byte, 1 otherwise; 0 when a lead byte is
// followed by the terminator (or the end), which ends a scan.
size_t CharWidth(const std::string& s, size_t pos) {
  if (!IsLeadByte(static_cast<uint8_t>(s[pos]))) return 1;
  if (pos + 1 >= s.size() || s[pos + 1] == '\0') return 0;
  return 2;
}

}  // namespace

int32_t TextLength(const Text& text) { return static_cast<int32_t>(text.size()); }

Text RightText(const Text& text, int32_t count) {
  if (count <= 0) return Text();
  size_t n = std::min<size_t>(static_cast<size_t>(count), text.size());
  return Text(text.bytes().substr(text.size() - n));
}

Text MiddleText(const Text& text, int32_t start, int32_t count) {
  if (start < 1 || static_cast<size_t>(start) > text.size() || count <= 0) return Text();
  return Text(text.bytes().substr(static_cast<size_t>(start) - 1, static_cast<size_t>(count)));
}

Text CharFromCode(uint8_t code) {
  if (code == 0) return Text();
  return Text(std::string(1, static_cast<char>(code)));
}

int32_t FindText(const Text& text, const Text& search, std::optional<int32_t> start,
                 std::optional<bool> ignore_case) {
  const std::string& s = text.bytes();
  size_t len = s.size();
  size_t pos = 0;
  if (start) {
    int64_t first = static_cast<int64_t>(*start) - 1;
    if (first < 0) first = 0;
    pos = static_cast<size_t>(first) < len ? static_cast<size_t>(first) : len;
  }
  if (search.empty()) return pos < len ? 1 : -1;
  const bool fold = ignore_case.value_or(false);
  const size_t n = search.size();
  while (len - pos >= n) {
    if (BytesEqual(s.data() + pos, search.data(), n, fold)) {
      return static_cast<int32_t>(pos + 1);
    }
    size_t w = CharWidth(s, pos);
    if (w == 0) break;
    pos += w;
    if (pos > len) break;
  }
  return -1;
}

std::vector<Text> SplitText(const Text& text, std::optional<Text> separator,
                            std::optional<int32_t> max_pieces) {
  std::vector<Text> pieces;
  const Text sep = separator ? *separator : Text(",");
  std::optional<int32_t> max = max_pieces;
  if (max && *max < 0) max = 0;
  if (text.empty() || (max && *max == 0)) return pieces;
  if (sep.empty()) {
    pieces.push_back(text);
    return pieces;
  }
  const std::string& s = text.bytes();
  const size_t len = s.size();
  const size_t n = sep.size();
  size_t piece_start = 0;
  size_t pos = 0;
  bool used_up = false;
  while (len - pos >= n) {
    if (std::memcmp(s.data() + pos, sep.data(), n) == 0) {
      pieces.emplace_back(s.substr(piece_start, pos - piece_start));
      pos += n;
      piece_start = pos;
      if (max && --*max == 0) {
        used_up = true;
        break;
      }
      continue;
    }
    size_t w = CharWidth(s, pos);
    if (w == 0) break;
    pos += w;
    if (pos > len) break;
  }
  if (!used_up && piece_start < len) pieces.emplace_back(s.substr(piece_start));
  return pieces;
}

Text BlankText(int32_t count) {
  if (count < 1) return Text();
  return Text(std::string(static_cast<size_t>(count), ' '));
}

}  // namespace rc
