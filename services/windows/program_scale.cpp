#include "services/windows/program_scale.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/process.h"

namespace rc {
namespace {

constexpr const char* kScaleVariable = "QT_SCALE_FACTOR";

// The desktop's own factor as this run found it; nothing when it set none. Kept so that a
// restart does not multiply the program's size into the desktop's twice.
std::optional<std::string>& DesktopFactor() {
  static std::optional<std::string> factor;
  return factor;
}

}  // namespace

void ScaleProgramWindows(int32_t percent) {
  const char* given = std::getenv(kScaleVariable);
  if (given) DesktopFactor() = given;
  if (percent == 100 || percent <= 0) return;
  double desktop = given ? std::strtod(given, nullptr) : 1.0;
  if (!(desktop > 0)) desktop = 1.0;  // what the toolkit does with a factor it cannot read
  char factor[32];
  std::snprintf(factor, sizeof factor, "%g", desktop * percent / 100.0);
  setenv(kScaleVariable, factor, 1);
}

void RestartProgram() {
  const std::optional<std::string>& desktop = DesktopFactor();
  const std::optional<std::string> ours = [] {
    const char* now = std::getenv(kScaleVariable);
    return now ? std::optional<std::string>(now) : std::nullopt;
  }();
  if (desktop) {
    setenv(kScaleVariable, desktop->c_str(), 1);
  } else {
    unsetenv(kScaleVariable);
  }
  RestartProcess();
  // Still here: this run goes on at its own size.
  if (ours) setenv(kScaleVariable, ours->c_str(), 1);
}

}  // namespace rc
