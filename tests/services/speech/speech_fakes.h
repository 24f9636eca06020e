// Test doubles for the speech module: an audio output that records what it was asked to
// play and when, and a clock whose time passes only by sleeping.
#ifndef ROLLCALL_TESTS_SERVICES_SPEECH_SPEECH_FAKES_H_
#define ROLLCALL_TESTS_SERVICES_SPEECH_SPEECH_FAKES_H_

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "services/speech/audio_output.h"
#include "services/speech/speech_clock.h"

namespace rc::testing {

// Virtual time in milliseconds since the clock was made. Meant for one reading at a time.
class FakeSpeechClock : public SpeechClock {
 public:
  TimePoint Now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void SleepUntil(TimePoint when) override {
    std::lock_guard lock(mutex_);
    if (when > now_) now_ = when;
  }
  int64_t ElapsedMs() {
    std::lock_guard lock(mutex_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(now_ - start_).count();
  }

 private:
  std::mutex mutex_;
  const TimePoint start_ = TimePoint() + std::chrono::hours(1);
  TimePoint now_ = start_;
};

struct PlayedSound {
  int64_t at_ms;  // time of the call on the output's clock
  std::vector<uint8_t> wav;
};

// Records every sound; the test keeps the shared log after handing the output over.
class FakeAudioOutput : public AudioOutput {
 public:
  struct Log {
    std::mutex mutex;
    std::vector<PlayedSound> played;
    std::vector<PlayedSound> Snapshot() {
      std::lock_guard lock(mutex);
      return played;
    }
  };

  // `now_ms` gives the time stamped on each sound.
  FakeAudioOutput(std::shared_ptr<Log> log, std::function<int64_t()> now_ms)
      : log_(std::move(log)), now_ms_(std::move(now_ms)) {}

  bool Play(std::span<const uint8_t> wav) override {
    std::lock_guard lock(log_->mutex);
    log_->played.push_back({now_ms_(), std::vector<uint8_t>(wav.begin(), wav.end())});
    if (on_play_) on_play_();
    return true;
  }

  // Called on each sound, after it has been recorded.
  void OnPlay(std::function<void()> f) { on_play_ = std::move(f); }

 private:
  std::shared_ptr<Log> log_;
  std::function<int64_t()> now_ms_;
  std::function<void()> on_play_;
};

// Milliseconds on the steady clock since `start`.
inline int64_t MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

}  // namespace rc::testing

#endif  // ROLLCALL_TESTS_SERVICES_SPEECH_SPEECH_FAKES_H_
