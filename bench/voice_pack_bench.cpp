// The voice pack, whole: how long build/voicepack takes to make it and how big it is; that
// it holds every character and letter, each with the sound of its own reading; and what the
// first reading after start pays to load it (time, and resident memory against the file's
// size). Targets: made in under 60 s, at most 16 MB, loaded in under 150 ms with less than
// twice the file's size in memory.
//
//   voice_pack_bench [runs]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/paths.h"
#include "services/speech/speech.h"
#include "services/speech/voice_file.h"

namespace {

using Clock = std::chrono::steady_clock;
using rc::Text;

constexpr double kMakeTargetS = 60.0;
constexpr double kSizeTargetBytes = 16.0 * 1024 * 1024;
constexpr double kLoadTargetMs = 150.0;
constexpr double kMemoryTargetRatio = 2.0;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Makes the pack with the tool; wall seconds, or a negative number when it failed.
double MakePack(const std::string& path) {
  std::filesystem::remove(path);
  const Clock::time_point start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    execl(VOICEPACK_PATH, VOICEPACK_PATH, "--output", path.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The first dictionary reading of some characters, as the sound names of the pack, written
// out here rather than taken from the tool's planner: characters that share a syllable,
// two readings of which the first counts (都, 地), ü written v, syllables without a
// tone mark (tone 5), a reading without a vowel, and a letter beside the character read "a".
struct KnownReading {
  const char* character;  // UTF-8
  const char* sound;
};
constexpr KnownReading kKnownReadings[] = {
    {"张", "zhang1"}, {"章", "zhang1"}, {"长", "zhang3"}, {"掌", "zhang3"}, {"三", "san1"},
    {"叁", "san1"},   {"丰", "feng1"},  {"峰", "feng1"},  {"行", "xing2"},  {"都", "dou1"},
    {"地", "de5"},    {"的", "de5"},    {"了", "le5"},    {"绿", "lv4"},    {"女", "nv3"},
    {"略", "lve4"},   {"啊", "a5"},     {"嗯", "n2"},     {"a", "a"},       {"z", "z"},
};
// GB2312's two levels, and the letters a to z.
constexpr size_t kPackCharacters = 6763 + 26;

// Every character reads back to a sound with data and no sound is left over; the known
// characters have the sound of their reading, one sound per reading. Returns the number of
// faults, printing the first few.
int CheckPack(const std::vector<uint8_t>& file) {
  rc::VoiceData data = rc::ReadVoiceData(file);
  int faults = 0;
  auto fault = [&faults](const std::string& what) {
    if (++faults <= 5) std::printf("FAULT: %s\n", what.c_str());
  };
  if (data.status != rc::VoiceFileStatus::kComplete) fault("the file does not read back whole");
  if (data.characters.size() != kPackCharacters) {
    fault(std::to_string(data.characters.size()) + " characters, not " +
          std::to_string(kPackCharacters));
  }
  std::set<Text> used;
  for (const auto& [key, entry] : data.characters) {
    auto sound = entry ? data.sounds.find(entry->name) : data.sounds.end();
    if (sound == data.sounds.end() || sound->second == nullptr || sound->second->data.empty()) {
      fault("no sound data for " + key.ToUtf8());
      continue;
    }
    used.insert(entry->name);
  }
  if (used.size() != data.sounds.size()) fault("sounds that no character uses");
  // Sound data by reading: the same reading the same data, two readings never the same.
  std::map<std::string, const std::vector<uint8_t>*> data_by_reading;
  for (const KnownReading& known : kKnownReadings) {
    auto entry = data.characters.find(rc::Text::FromUtf8(known.character));
    if (entry == data.characters.end() || entry->second == nullptr ||
        entry->second->name != Text(known.sound)) {
      fault(std::string(known.character) + " is not read " + known.sound);
      continue;
    }
    auto sound = data.sounds.find(entry->second->name);
    if (sound == data.sounds.end() || sound->second == nullptr) continue;  // counted above
    data_by_reading.emplace(known.sound, &sound->second->data);
  }
  for (auto a = data_by_reading.begin(); a != data_by_reading.end(); ++a) {
    for (auto b = std::next(a); b != data_by_reading.end(); ++b) {
      if (*a->second == *b->second) fault(a->first + " and " + b->first + " sound the same");
    }
  }
  return faults;
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

class SilentOutput : public rc::AudioOutput {
 public:
  bool Play(std::span<const uint8_t>) override { return true; }
};

struct LoadCost {
  double ms;
  long resident_kb;
};

// What a program does at its first reading: the module loads the pack. Run in a process
// of its own (this program exec'd again with --load), so that no memory of the parent's
// is reused; prints the cost for the parent.
int LoadInThisProcess(const std::string& folder) {
  auto speech = rc::SpeechModule::Create(rc::TextFromNativePath(folder),
                                         std::make_unique<SilentOutput>(),
                                         rc::CreateSteadySpeechClock());
  const long before = ResidentKb();
  const Clock::time_point start = Clock::now();
  speech->LoadVoiceData();
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("%f %ld\n", ms, ResidentKb() - before);
  return 0;
}

LoadCost MeasureLoad(const std::string& self, const std::string& folder) {
  LoadCost cost{-1, -1};
  std::string command = "'" + self + "' --load '" + folder + "'";
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return cost;
  if (std::fscanf(child, "%lf %ld", &cost.ms, &cost.resident_kb) != 2) cost = {-1, -1};
  pclose(child);
  return cost;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load") return LoadInThisProcess(argv[2]);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  char pattern[] = "/tmp/rollcall-voice-pack-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string folder = pattern;
  const std::string path = folder + "/VoxSound.dat";

  std::vector<double> make_s;
  std::vector<uint8_t> first;
  bool same_bytes = true;
  for (int i = 0; i < runs; ++i) {
    double s = MakePack(path);
    if (s < 0) {
      std::printf("voicepack failed\n");
      return 1;
    }
    make_s.push_back(s);
    std::vector<uint8_t> bytes = ReadFile(path);
    if (i == 0) first = std::move(bytes);
    else same_bytes = same_bytes && bytes == first;
  }
  const double size = static_cast<double>(first.size());
  const int faults = CheckPack(first);

  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  std::vector<double> load_ms, resident_kb;
  for (int i = 0; i < std::max(runs, 5); ++i) {
    LoadCost cost = MeasureLoad(self, folder);
    if (cost.ms < 0) {
      std::printf("loading the pack in a fresh process failed\n");
      return 1;
    }
    load_ms.push_back(cost.ms);
    resident_kb.push_back(static_cast<double>(cost.resident_kb));
  }
  const double memory_ratio = Median(resident_kb) * 1024.0 / size;
  std::filesystem::remove_all(folder);

  std::printf("make the whole pack:  median %.2f s of %d runs (target < %.0f s)  %s\n",
              Median(make_s), runs, kMakeTargetS, Median(make_s) < kMakeTargetS ? "ok" : "MISSED");
  std::printf("pack size:            %.0f bytes = %.2f MB (target <= 16 MB)  %s\n", size,
              size / (1024 * 1024), size <= kSizeTargetBytes ? "ok" : "MISSED");
  std::printf("same bytes each run:  %s\n", same_bytes ? "yes" : "NO");
  std::printf("read back:            %s\n", faults == 0 ? "every character and letter, one sound per reading" : "FAULTS");
  std::printf("first reading's load: median %.1f ms, first %.1f ms, of %zu fresh processes (target < %.0f ms)  %s\n",
              Median(load_ms), load_ms.front(), load_ms.size(), kLoadTargetMs,
              Median(load_ms) < kLoadTargetMs ? "ok" : "MISSED");
  std::printf("resident memory:      +%.0f kB = %.2f x the file's size (target < %.1f x)  %s\n",
              Median(resident_kb), memory_ratio, kMemoryTargetRatio,
              memory_ratio < kMemoryTargetRatio ? "ok" : "MISSED");
  return faults == 0 && same_bytes ? 0 : 1;
}
