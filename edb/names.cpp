#include "edb/names.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "core/paths.h"

namespace rc {
namespace {

bool IsSeparator(uint8_t b) { return b == '/' || b == '\\'; }

bool IsAsciiLetter(uint8_t b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }
bool IsAsciiDigit(uint8_t b) { return b >= '0' && b <= '9'; }

// Two-byte GBK characters by class.
bool IsWideLetter(uint8_t lead, uint8_t trail) {
  return lead == 0xA3 && ((trail >= 0xC1 && trail <= 0xDA) || (trail >= 0xE1 && trail <= 0xFA));
}
bool IsWideDigit(uint8_t lead, uint8_t trail) {
  return lead == 0xA3 && trail >= 0xB0 && trail <= 0xB9;
}
bool IsChineseCharacter(uint8_t lead, uint8_t trail) {
  if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE) return true;  // GB2312
  if (trail == 0x7F) return false;
  if (lead >= 0x81 && lead <= 0xA0 && trail >= 0x40 && trail <= 0xFE) return true;  // GBK/3
  if (lead >= 0xAA && lead <= 0xFE && trail >= 0x40 && trail <= 0xA0) return true;  // GBK/4
  return false;
}

// Position just after the last separator, two-byte characters stepped over (a "\" can be
// the trail byte of one).
size_t FilePartStart(const std::string& s) {
  size_t start = 0;
  for (size_t i = 0; i < s.size();) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (IsSeparator(b)) start = i + 1;
    ++i;
  }
  return start;
}

// Position of the last "." in the file part, or npos. "." is never a trail byte.
size_t ExtensionDot(const std::string& s) {
  size_t dot = s.rfind('.');
  if (dot == std::string::npos || dot < FilePartStart(s)) return std::string::npos;
  return dot;
}

}  // namespace

bool IsValidIdentifier(const Text& name) {
  const std::string& s = name.bytes();
  if (s.empty()) return false;
  for (size_t i = 0; i < s.size();) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    const bool first = i == 0;
    if (IsLeadByte(b)) {
      if (i + 1 >= s.size()) return false;
      uint8_t t = static_cast<uint8_t>(s[i + 1]);
      if (!IsWideLetter(b, t) && !IsChineseCharacter(b, t) && (first || !IsWideDigit(b, t))) {
        return false;
      }
      i += 2;
      continue;
    }
    if (!IsAsciiLetter(b) && (first || !IsAsciiDigit(b))) return false;
    ++i;
  }
  return true;
}

Text WithDefaultExtension(const Text& path) {
  const std::string& s = path.bytes();
  size_t dot = ExtensionDot(s);
  if (dot == std::string::npos) return Text(s + ".EDB");
  if (dot + 1 == s.size()) return Text(s + "EDB");
  return path;
}

Text CompanionPath(const Text& main_path) {
  const std::string& s = main_path.bytes();
  size_t dot = ExtensionDot(s);
  return Text((dot == std::string::npos ? s : s.substr(0, dot)) + ".EDT");
}

Text FullPath(const Text& path) {
  std::string s = path.bytes();
  if (s.empty() || !IsSeparator(static_cast<uint8_t>(s[0]))) {
    std::string cwd(4096, '\0');
    if (getcwd(cwd.data(), cwd.size()) != nullptr) {
      cwd.resize(cwd.find('\0'));
      s = TextFromNativePath(cwd).bytes() + "/" + s;
    }
  }
  std::vector<std::string> kept;
  for (std::string& part : SplitPathComponents(s)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(std::move(part));
  }
  std::string out;
  for (const std::string& part : kept) out += "/" + part;
  return Text(out.empty() ? std::string("/") : out);
}

Text TitleOf(const Text& path) {
  const std::string& s = path.bytes();
  size_t start = FilePartStart(s);
  size_t dot = ExtensionDot(s);
  return Text(s.substr(start, (dot == std::string::npos ? s.size() : dot) - start));
}

}  // namespace rc
