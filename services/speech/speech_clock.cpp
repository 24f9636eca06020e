#include "services/speech/speech_clock.h"

#include <thread>

namespace rc {
namespace {

class SteadySpeechClock : public SpeechClock {
 public:
  TimePoint Now() override { return std::chrono::steady_clock::now(); }
  void SleepUntil(TimePoint when) override { std::this_thread::sleep_until(when); }
};

}  // namespace

std::unique_ptr<SpeechClock> CreateSteadySpeechClock() {
  return std::make_unique<SteadySpeechClock>();
}

}  // namespace rc
