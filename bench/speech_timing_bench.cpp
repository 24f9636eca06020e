// How closely a reading keeps its specified pace: each character's time against its delay
// (400 ms silent, (100 - rate) × 10 ms voiced), over 50 readings, through the real sound
// device (SDL; the dummy driver unless SDL_AUDIODRIVER says otherwise).
//
//   speech_timing_bench [readings]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "core/paths.h"
#include "services/speech/audio_output.h"
#include "services/speech/speech.h"
#include "tests/services/speech/voice_file_builder.h"

namespace {

using Clock = std::chrono::steady_clock;
using rc::Text;
using namespace rc::literals;

// Stamps each sound as the module hands it over, and how long the output took with it.
class TimedOutput : public rc::AudioOutput {
 public:
  explicit TimedOutput(std::unique_ptr<rc::AudioOutput> inner) : inner_(std::move(inner)) {}
  bool Play(std::span<const uint8_t> wav) override {
    Clock::time_point called = Clock::now();
    bool ok = inner_->Play(wav);
    std::lock_guard lock(mutex_);
    calls_.push_back(called);
    costs_us_.push_back(std::chrono::duration<double, std::micro>(Clock::now() - called).count());
    return ok;
  }
  std::vector<Clock::time_point> TakeCalls() {
    std::lock_guard lock(mutex_);
    return std::exchange(calls_, {});
  }
  std::vector<double> costs_us() {
    std::lock_guard lock(mutex_);
    return costs_us_;
  }

 private:
  std::unique_ptr<rc::AudioOutput> inner_;
  std::mutex mutex_;
  std::vector<Clock::time_point> calls_;
  std::vector<double> costs_us_;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}
double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[std::min(v.size() - 1, static_cast<size_t>(p * v.size()))];
}
double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

}  // namespace

int main(int argc, char** argv) {
  const int readings = argc > 1 ? std::atoi(argv[1]) : 50;
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  const int rate = 55;
  const double voiced_ms = (100 - rate) * 10.0, silent_ms = 400.0;

  char pattern[] = "/tmp/rollcall-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string root = pattern;
  {
    rc::testing::Bytes file = rc::testing::VoiceFileBuilder()
                                  .Character("张"_gbk, Text("zhang1"))
                                  .Character("王"_gbk, Text("wang2"))
                                  .Character("李"_gbk, Text("li3"))
                                  .Sound(Text("zhang1"), rc::testing::MakeToneWav(440, 300))
                                  .Sound(Text("wang2"), rc::testing::MakeToneWav(660, 300, 11025, 8, 2))
                                  .Sound(Text("li3"), rc::testing::MakeToneWav(880, 300, 48000, 32))
                                  .Build();
    std::ofstream out(root + "/VoxSound.dat", std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }
  auto output = std::make_unique<TimedOutput>(rc::CreateSdlAudioOutput());
  TimedOutput* timed = output.get();
  auto speech = rc::SpeechModule::Create(rc::TextFromNativePath(root), std::move(output),
                                         rc::CreateSteadySpeechClock());
  speech->LoadVoiceData();

  // Voiced, voiced, silent (a space), voiced, voiced: the silent character is measured as
  // the gap between the voiced ones around it.
  const Text text = "张王 李张"_gbk;
  const std::vector<double> offsets = {0, voiced_ms, 2 * voiced_ms + silent_ms,
                                       3 * voiced_ms + silent_ms};  // of the voiced ones
  const double total_ms = 4 * voiced_ms + silent_ms;

  std::vector<double> char_errors, start_errors, total_errors;
  for (int r = 0; r < readings; ++r) {
    Clock::time_point begin = Clock::now();
    speech->PlayTextAloud(text, rate);
    Clock::time_point end = Clock::now();
    std::vector<Clock::time_point> calls = timed->TakeCalls();
    if (calls.size() != offsets.size()) {
      std::fprintf(stderr, "reading %d played %zu sounds\n", r, calls.size());
      return 1;
    }
    start_errors.push_back(Ms(calls[0] - begin));
    for (size_t i = 1; i < calls.size(); ++i) {
      char_errors.push_back(std::abs(Ms(calls[i] - calls[i - 1]) - (offsets[i] - offsets[i - 1])));
    }
    char_errors.push_back(std::abs(Ms(end - calls.back()) - (total_ms - offsets.back())));
    total_errors.push_back(std::abs(Ms(end - begin) - total_ms));
  }
  std::vector<double> costs = timed->costs_us();

  // For comparison: how late the machine itself wakes a thread that sleeps until a moment.
  std::vector<double> wake_late;
  for (int i = 0; i < 100; ++i) {
    Clock::time_point until = Clock::now() + std::chrono::milliseconds(20);
    std::this_thread::sleep_until(until);
    wake_late.push_back(Ms(Clock::now() - until));
  }

  std::printf("speech timing: %d readings of 5 characters at rate %d (%s driver)\n", readings, rate,
              std::getenv("SDL_AUDIODRIVER"));
  std::printf("  per-character error   median %.3f ms   max %.3f ms   (target within 5 ms: %s)\n",
              Median(char_errors), Max(char_errors), Max(char_errors) <= 5.0 ? "met" : "MISSED");
  std::printf("  per-character error   p90 %.3f ms   p99 %.3f ms   over 5 ms: %zd of %zu\n",
              Percentile(char_errors, 0.9), Percentile(char_errors, 0.99),
              std::count_if(char_errors.begin(), char_errors.end(), [](double e) { return e > 5.0; }),
              char_errors.size());
  std::printf("  whole-reading error   median %.3f ms   max %.3f ms   (of %.0f ms)\n",
              Median(total_errors), Max(total_errors), total_ms);
  std::printf("  first sound after     median %.3f ms   max %.3f ms\n", Median(start_errors),
              Max(start_errors));
  std::printf("  starting a sound      median %.0f us    max %.0f us (first, opening the device: %.0f us)\n",
              Median(costs), Max(costs), costs.empty() ? 0 : costs[0]);
  std::printf("  machine's own wake-up lateness (100 sleeps): median %.3f ms   max %.3f ms\n",
              Median(wake_late), Max(wake_late));
  speech.reset();
  std::filesystem::remove_all(root);
  return 0;
}
