// The time base of a reading: where it is now, and waiting until a moment.
#ifndef ROLLCALL_SERVICES_SPEECH_SPEECH_CLOCK_H_
#define ROLLCALL_SERVICES_SPEECH_SPEECH_CLOCK_H_

#include <chrono>
#include <memory>

namespace rc {

class SpeechClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~SpeechClock() = default;
  virtual TimePoint Now() = 0;
  // Returns at `when` or soon after (at once when it has passed). Safe to call from several
  // threads at once.
  virtual void SleepUntil(TimePoint when) = 0;
};

// The steady clock of the system.
std::unique_ptr<SpeechClock> CreateSteadySpeechClock();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SPEECH_SPEECH_CLOCK_H_
