#include "services/skin/skin_format.h"

#include <charconv>
#include <cstring>

namespace rc {

namespace {

void PutFixed16(std::vector<uint8_t>* out, uint16_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

void PutFixed32(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

uint16_t GetFixed16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t GetFixed32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct KeyName {
  std::string_view name;
  SkinKey key;
  bool is_colour;
};

constexpr KeyName kKeyNames[] = {
    {"Window", SkinKey::kWindow, true},
    {"WindowText", SkinKey::kWindowText, true},
    {"Base", SkinKey::kBase, true},
    {"AlternateBase", SkinKey::kAlternateBase, true},
    {"Text", SkinKey::kText, true},
    {"Button", SkinKey::kButton, true},
    {"ButtonText", SkinKey::kButtonText, true},
    {"Highlight", SkinKey::kHighlight, true},
    {"HighlightedText", SkinKey::kHighlightedText, true},
    {"ToolTipBase", SkinKey::kToolTipBase, true},
    {"ToolTipText", SkinKey::kToolTipText, true},
    {"Frame", SkinKey::kFrame, true},
    {"ButtonHover", SkinKey::kButtonHover, true},
    {"ButtonPressed", SkinKey::kButtonPressed, true},
    {"DisabledText", SkinKey::kDisabledText, true},
    {"Accent", SkinKey::kAccent, true},
    {"Header", SkinKey::kHeader, true},
    {"CornerRadius", SkinKey::kCornerRadius, false},
    {"FrameWidth", SkinKey::kFrameWidth, false},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

// Parses all of s as a number in the given base; false on anything left over.
bool ParseNumber(std::string_view s, int base, uint32_t* value) {
  if (s.empty()) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *value, base);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

uint32_t SkinChecksum(const uint8_t* data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) {
    hash ^= data[i];
    hash *= 16777619u;
  }
  return hash;
}

std::vector<uint8_t> EncodeSkin(const std::vector<SkinEntry>& entries) {
  std::vector<uint8_t> out(kSkinMagic, kSkinMagic + sizeof(kSkinMagic));
  PutFixed16(&out, kSkinVersion);
  PutFixed16(&out, static_cast<uint16_t>(entries.size()));
  PutFixed32(&out, static_cast<uint32_t>(kSkinHeaderSize + entries.size() * kSkinEntrySize +
                                         kSkinTrailerSize));
  for (const SkinEntry& e : entries) {
    PutFixed16(&out, static_cast<uint16_t>(e.key));
    PutFixed16(&out, 0);
    PutFixed32(&out, e.value);
  }
  PutFixed32(&out, SkinChecksum(out.data(), out.size()));
  return out;
}

std::optional<std::vector<SkinEntry>> DecodeSkin(const uint8_t* data, size_t size,
                                                 std::string* error) {
  if (data == nullptr || size < kSkinHeaderSize + kSkinTrailerSize) {
    *error = "too short for a skin";
    return std::nullopt;
  }
  if (std::memcmp(data, kSkinMagic, sizeof(kSkinMagic)) != 0) {
    *error = "not a skin (bad magic)";
    return std::nullopt;
  }
  if (GetFixed16(data + 4) != kSkinVersion) {
    *error = "unknown skin version " + std::to_string(GetFixed16(data + 4));
    return std::nullopt;
  }
  const size_t count = GetFixed16(data + 6);
  const size_t length = GetFixed32(data + 8);
  if (count > kSkinMaxEntries ||
      length != kSkinHeaderSize + count * kSkinEntrySize + kSkinTrailerSize) {
    *error = "entry count and length disagree";
    return std::nullopt;
  }
  // Trailing bytes beyond the stated length are allowed (a resource may be padded); fewer
  // are not.
  if (size < length) {
    *error = "skin is cut short";
    return std::nullopt;
  }
  const size_t body = length - kSkinTrailerSize;
  if (GetFixed32(data + body) != SkinChecksum(data, body)) {
    *error = "checksum mismatch";
    return std::nullopt;
  }
  std::vector<SkinEntry> entries;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = data + kSkinHeaderSize + i * kSkinEntrySize;
    entries.push_back({static_cast<SkinKey>(GetFixed16(p)), GetFixed32(p + 4)});
  }
  return entries;
}

std::optional<std::vector<SkinEntry>> ParseSkinSource(std::string_view source,
                                                      std::string* error) {
  std::vector<SkinEntry> entries;
  int line_number = 0;
  while (!source.empty()) {
    ++line_number;
    const size_t eol = source.find('\n');
    std::string_view line = source.substr(0, eol);
    source = eol == std::string_view::npos ? std::string_view() : source.substr(eol + 1);
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    const std::string where = "line " + std::to_string(line_number) + ": ";
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      *error = where + "expected name = value";
      return std::nullopt;
    }
    const std::string_view name = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    const KeyName* known = nullptr;
    for (const KeyName& k : kKeyNames) {
      if (k.name == name) known = &k;
    }
    if (known == nullptr) {
      *error = where + "unknown name \"" + std::string(name) + "\"";
      return std::nullopt;
    }
    uint32_t number = 0;
    const bool ok = known->is_colour
                        ? value.size() == 7 && value[0] == '#' &&
                              ParseNumber(value.substr(1), 16, &number)
                        : ParseNumber(value, 10, &number) && number <= 64;
    if (!ok) {
      *error = where + (known->is_colour ? "expected a colour #RRGGBB"
                                         : "expected a size from 0 to 64");
      return std::nullopt;
    }
    entries.push_back({known->key, number});
  }
  return entries;
}

}  // namespace rc
