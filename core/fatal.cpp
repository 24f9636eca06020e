#include "core/fatal.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace rc {
namespace {

void PrintAndExit(int32_t code, const Text& message) {
  std::fprintf(stderr, "%s\n%d\n%s\n", "运行时出错!", code, message.ToUtf8().c_str());
  std::fflush(stderr);
  _exit(-1);
}

std::atomic<FatalErrorHandler> g_handler{&PrintAndExit};

}  // namespace

void SetFatalErrorHandler(FatalErrorHandler handler) {
  g_handler.store(handler ? handler : &PrintAndExit);
}

void RaiseFatalError(int32_t code, const Text& message) {
  g_handler.load()(code, message);
  std::fflush(nullptr);
  _exit(-1);
}

}  // namespace rc
