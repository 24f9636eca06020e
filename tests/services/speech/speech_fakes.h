// Test doubles for the speech module: an audio output that records what it was asked to
// play and when, clocks whose time passes only by sleeping or when the test moves it on, and
// a wrapper that notes the moments a reading asked to sleep until.
#ifndef ROLLCALL_TESTS_SERVICES_SPEECH_SPEECH_FAKES_H_
#define ROLLCALL_TESTS_SERVICES_SPEECH_SPEECH_FAKES_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
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

// Virtual time for readings that run side by side, each on its own thread. Time stands still
// until the test moves it on; a reading that sleeps waits for that. Every thread that sleeps
// on this clock is taken for a reading that ends after `pauses_per_reading` pauses (one per
// character), so the test can tell when each reading has either gone to sleep or ended.
class SteppedSpeechClock : public SpeechClock {
 public:
  explicit SteppedSpeechClock(int pauses_per_reading) : pauses_per_reading_(pauses_per_reading) {}

  TimePoint Now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  void SleepUntil(TimePoint when) override {
    std::unique_lock lock(mutex_);
    Reading* reading = nullptr;
    for (Reading& r : readings_) {
      if (r.thread == std::this_thread::get_id()) reading = &r;
    }
    if (reading == nullptr) {
      reading = &readings_.emplace_back();
      reading->thread = std::this_thread::get_id();
    }
    ++reading->pauses;
    reading->until = when;
    changed_.notify_all();
    changed_.wait(lock, [&] { return now_ >= when; });
  }

  // Waits until `readings` readings have slept at least once and each now either sleeps
  // toward a moment still ahead or has made its last pause. False after 30 s: a reading
  // that waits for something else, or never comes.
  bool WaitUntilSettled(size_t readings) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30), [&] {
      if (readings_.size() < readings) return false;
      for (const Reading& r : readings_) {
        if (r.until <= now_ && r.pauses < pauses_per_reading_) return false;
      }
      return true;
    });
  }

  // Moves the time on to `ms` after the clock was made and wakes the readings that are due.
  void AdvanceTo(int64_t ms) {
    std::lock_guard lock(mutex_);
    now_ = start_ + std::chrono::milliseconds(ms);
    changed_.notify_all();
  }

  // The earliest moment still ahead that a reading sleeps toward; none when all have ended.
  std::optional<int64_t> NextWakeMs() {
    std::lock_guard lock(mutex_);
    std::optional<TimePoint> next;
    for (const Reading& r : readings_) {
      if (r.until > now_ && (!next || r.until < *next)) next = r.until;
    }
    if (!next) return std::nullopt;
    return Ms(*next);
  }

  // When each reading ended (the end of its last pause), in the order they first slept.
  std::vector<int64_t> EndsMs() {
    std::lock_guard lock(mutex_);
    std::vector<int64_t> ends;
    for (const Reading& r : readings_) {
      if (r.pauses == pauses_per_reading_ && r.until <= now_) ends.push_back(Ms(r.until));
    }
    return ends;
  }

  int64_t ElapsedMs() {
    std::lock_guard lock(mutex_);
    return Ms(now_);
  }

 private:
  struct Reading {
    std::thread::id thread;
    int pauses = 0;
    TimePoint until;
  };
  int64_t Ms(TimePoint t) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t - start_).count();
  }

  const int pauses_per_reading_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const TimePoint start_ = TimePoint() + std::chrono::hours(1);
  TimePoint now_ = start_;
  std::vector<Reading> readings_;
};

// Another clock (the steady one, for a real device) that notes each moment a reading asks
// to sleep until, in milliseconds after the clock was first read. What a reading asked for
// is its schedule, which a loaded machine can only make later, never earlier.
class RecordingSpeechClock : public SpeechClock {
 public:
  explicit RecordingSpeechClock(std::unique_ptr<SpeechClock> inner) : inner_(std::move(inner)) {}

  TimePoint Now() override {
    TimePoint now = inner_->Now();
    std::lock_guard lock(mutex_);
    if (!origin_) origin_ = now;
    return now;
  }
  void SleepUntil(TimePoint when) override {
    {
      std::lock_guard lock(mutex_);
      if (!origin_) origin_ = inner_->Now();
      wakes_.push_back(
          std::chrono::duration_cast<std::chrono::milliseconds>(when - *origin_).count());
    }
    inner_->SleepUntil(when);
  }

  // The moments asked for so far, in the order asked.
  std::vector<int64_t> WakeMs() {
    std::lock_guard lock(mutex_);
    return wakes_;
  }

 private:
  const std::unique_ptr<SpeechClock> inner_;
  std::mutex mutex_;
  std::optional<TimePoint> origin_;
  std::vector<int64_t> wakes_;
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
