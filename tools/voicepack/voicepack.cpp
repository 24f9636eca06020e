// voicepack: makes the voice file "VoxSound.dat" from Debian's own data, with no network.
//
//   voicepack [--output PATH] [--force] [--characters TEXT] [--unihan PATH]
//
// Every character of GB2312 and the letters a to z (or only the characters of TEXT) get
// the sound of their reading, synthesized by libespeak-ng. The file is written whole under
// a temporary name and then renamed into place; an existing file is only replaced with
// --force, since a teacher may have recorded their own.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/voicepack/speech_synthesizer.h"
#include "tools/voicepack/unihan_readings.h"
#include "tools/voicepack/voice_pack.h"

namespace {

using namespace rc::voicepack;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: voicepack [--output PATH] [--force] [--characters TEXT] [--unihan PATH]\n"
    "  --output PATH      the voice file to write (default: VoxSound.dat)\n"
    "  --force            replace the file when it exists\n"
    "  --characters TEXT  only these characters and letters (default: all of GB2312, a-z)\n"
    "  --unihan PATH      the Unihan readings (default: /usr/share/unicode/Unihan_Readings.txt.bz2)\n";

struct Options {
  std::string output = "VoxSound.dat";
  bool force = false;
  bool has_characters = false;
  std::string characters;
  std::string unihan = kUnihanReadingsPath;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (arg == "--force") {
      options->force = true;
    } else if (arg == "--output") {
      if (!value(&options->output) || options->output.empty()) return false;
    } else if (arg == "--characters") {
      if (!value(&options->characters)) return false;
      options->has_characters = true;
    } else if (arg == "--unihan") {
      if (!value(&options->unihan)) return false;
    } else {
      return false;
    }
  }
  return true;
}

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// Writes `bytes` to a new file beside `path` and renames it to `path` once it is complete
// and on disk, so that the program never finds half a pack. Without `replace` the rename
// fails when `path` exists, even when it appeared while the pack was being made.
bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes, bool replace,
                std::string* error) {
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    *error = SystemError(path);
    return false;
  }
  // mkstemp makes the file private; a voice pack is as readable as any file the user makes.
  mode_t mask = umask(0);
  umask(mask);
  bool ok = fchmod(fd, 0666 & ~mask) == 0;
  for (size_t done = 0; ok && done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  if (!ok) *error = SystemError(temp);
  if (close(fd) != 0 && ok) {
    ok = false;
    *error = SystemError(temp);
  }
  if (ok) {
    int renamed = renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), replace ? 0 : RENAME_NOREPLACE);
    if (renamed != 0) {
      ok = false;
      *error = errno == EEXIST ? path + " exists; --force replaces it" : SystemError(path);
    }
  }
  if (!ok) unlink(temp.c_str());
  return ok;
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "voicepack: %s\n", error.c_str());
  return kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  // Told before the work rather than after it.
  struct stat existing;
  if (!options.force && lstat(options.output.c_str(), &existing) == 0) {
    return Fail(options.output + " exists; --force replaces it");
  }
  const auto start = std::chrono::steady_clock::now();
  std::string error;
  std::vector<rc::Text> characters = FullCharacterSet();
  if (options.has_characters && !CharacterSetFromUtf8(options.characters, &characters, &error)) {
    return Fail(error);
  }
  MandarinReadings readings;
  if (!ReadMandarinReadings(options.unihan, &readings, &error)) return Fail(error);
  VoicePackPlan plan;
  if (!PlanVoicePack(characters, readings, &plan, &error)) return Fail(error);
  auto synthesizer = SpeechSynthesizer::Open(&error);
  if (!synthesizer) return Fail(error);
  std::vector<uint8_t> file;
  VoicePackStats stats;
  if (!MakeVoicePack(plan, *synthesizer, &file, &stats, &error)) return Fail(error);
  if (!WriteWhole(options.output, file, options.force, &error)) return Fail(error);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("voicepack: %s: %zu characters, %zu sounds (%zu spoken faster to fit, longest %.0f ms), "
              "%zu bytes in %.1f s\n",
              options.output.c_str(), plan.characters.size(), plan.sounds.size(), stats.sped_up,
              stats.longest_ms, file.size(), seconds);
  return 0;
}
