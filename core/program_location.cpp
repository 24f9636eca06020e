#include "core/program_location.h"

#include <unistd.h>

#include <climits>

#include "core/paths.h"

namespace rc {
namespace {

Text g_folder;
Text g_file_name;

}  // namespace

void SplitProgramPath(const Text& full_path, Text* folder, Text* file_name) {
  const std::string& s = full_path.bytes();
  size_t last = std::string::npos;
  for (size_t i = 0; i < s.size();) {
    uint8_t b = static_cast<uint8_t>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      i += 2;
      continue;
    }
    if (b == '/' || b == '\\') last = i;
    ++i;
  }
  if (last == std::string::npos) {
    *folder = Text();
    *file_name = full_path;
    return;
  }
  *folder = Text(s.substr(0, last));
  *file_name = Text(s.substr(last + 1));
}

bool InitProgramLocation() {
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return false;
  // Split where the system separates, not where a text would: the folder may come from
  // another system, its name in another encoding or holding a "\".
  const std::string full(buffer, static_cast<size_t>(n));  // absolute
  const size_t last = full.rfind('/');
  const std::string native_folder = full.substr(0, last);  // "" for the root
  g_folder = KeepNativeFolder(native_folder);
  g_file_name = TextFromNativeName(full.substr(last + 1));
  return chdir(native_folder.empty() ? "/" : native_folder.c_str()) == 0;
}

const Text& ProgramFolder() { return g_folder; }
const Text& ProgramFileName() { return g_file_name; }

}  // namespace rc
