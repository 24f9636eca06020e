#include "core/settings.h"

#include <fstream>
#include <vector>

#include "core/paths.h"
#include "core/program_location.h"

namespace rc {
namespace {

// A file larger than this was not written by the program; it is not read whole into memory.
constexpr std::streamoff kLargestSettingsFile = 64 * 1024;

bool StorableKey(std::string_view key) {
  if (key.empty()) return false;
  for (char c : key) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || c == '=') return false;
  }
  return true;
}

bool StorableValue(std::string_view value) {
  return value.find_first_of("\r\n", 0) == std::string_view::npos &&
         value.find('\0') == std::string_view::npos;
}

std::vector<std::string> ReadLines() {
  std::ifstream in(NativePath(SettingsPath()), std::ios::binary);
  std::vector<std::string> lines;
  if (!in) return lines;
  in.seekg(0, std::ios::end);
  if (in.tellg() > kLargestSettingsFile) return lines;
  in.seekg(0);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The value of a "key=value" line for `key`, or nothing.
std::optional<std::string_view> ValueOf(std::string_view line, std::string_view key) {
  if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=') {
    return std::nullopt;
  }
  return line.substr(key.size() + 1);
}

}  // namespace

Text SettingsPath() { return ProgramFolder() + "/rollcall.ini"_gbk; }

std::optional<std::string> ReadSetting(std::string_view key) {
  if (!StorableKey(key)) return std::nullopt;
  std::optional<std::string> found;
  // The last line for a key wins, as an editor appending a line would expect.
  for (const std::string& line : ReadLines()) {
    if (auto value = ValueOf(line, key)) found = std::string(*value);
  }
  return found;
}

bool WriteSetting(std::string_view key, std::string_view value) {
  if (!StorableKey(key) || !StorableValue(value)) return false;
  std::string out;
  for (const std::string& line : ReadLines()) {
    if (ValueOf(line, key)) continue;
    out += line;
    out += '\n';
  }
  if (!value.empty()) {
    out.append(key);
    out += '=';
    out.append(value);
    out += '\n';
  }
  return WriteFileWhole(SettingsPath(), out);
}

}  // namespace rc
