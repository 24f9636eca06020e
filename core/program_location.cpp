#include "core/program_location.h"

#include <unistd.h>

#include <climits>

#include "core/paths.h"

namespace rc {
namespace {

Text g_folder;
Text g_file_name;

}  // namespace

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
