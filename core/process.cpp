#include "core/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace rc {

void EndProcess(int32_t exit_code) {
  std::fflush(nullptr);
  _exit(exit_code);
}

namespace {

// The arguments this process was started with, as the kernel keeps them.
std::vector<std::string> StartArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> out;
  for (size_t start = 0; start < all.size();) {
    const size_t end = all.find('\0', start);
    out.push_back(all.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

// Marks every descriptor above the standard three to close on exec; the standard streams go
// on to the new run. Libraries open some without that flag.
void CloseEverythingOnExec() {
  if (close_range(3, ~0u, CLOSE_RANGE_CLOEXEC) == 0) return;
  // Kernels before 5.11 know no CLOSE_RANGE_CLOEXEC.
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    if (fd > 2 && fd != dirfd(dir)) fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  closedir(dir);
}

}  // namespace

void RestartProcess() {
  std::vector<std::string> arguments = StartArguments();
  if (arguments.empty()) return;
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  CloseEverythingOnExec();
  execv("/proc/self/exe", argv.data());
  // The descriptors keep their close-on-exec flag; this run never execs anything else.
}

}  // namespace rc
