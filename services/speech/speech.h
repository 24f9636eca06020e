// Reading a text aloud, one recorded sound per character, from the voice file.
//
// How the application uses it, on a worker thread of its own:
//
//   Handle reading = SpeakText(name, 55);
//   WaitForHandle(reading);
//   reading.Release();
#ifndef ROLLCALL_SERVICES_SPEECH_SPEECH_H_
#define ROLLCALL_SERVICES_SPEECH_SPEECH_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/text.h"
#include "core/threads.h"
#include "services/speech/audio_output.h"
#include "services/speech/speech_clock.h"
#include "services/speech/voice_file.h"

namespace rc {

// The rate runs from 1 (slowest) to 100 (fastest); other rates are clamped into this range.
inline constexpr int32_t kSlowestRate = 1;
inline constexpr int32_t kFastestRate = 100;
// A character without a sound takes this long.
inline constexpr uint32_t kSilentCharacterMs = 400;
// After a voiced character the reading waits (100 - rate) times this long.
inline constexpr uint32_t kMsPerRateStep = 10;

// A speech module: its voice data, its audio output and its stop flag. The program has one
// (the functions below); tests make their own. Every member may be called from any thread.
class SpeechModule : public std::enable_shared_from_this<SpeechModule> {
 public:
  // `voice_folder` is the program folder in which "VoxSound.dat" is looked for.
  static std::shared_ptr<SpeechModule> Create(Text voice_folder,
                                              std::unique_ptr<AudioOutput> audio,
                                              std::unique_ptr<SpeechClock> clock);

  // Reads the voice file into the maps. Only the first call looks for the file; a missing
  // or damaged file leaves the maps empty or as far as they could be read, and is not
  // tried again.
  void LoadVoiceData();

  // Reads `text` aloud on the calling thread and returns when the reading has ended: each
  // character plays its sound, and takes (100 - rate) × 10 ms when it has one, 400 ms when
  // it has none. Loads the voice data first if that has not happened yet.
  void PlayTextAloud(const Text& text, int32_t rate);

  // Clears the stop flag and reads `text` aloud on a new thread. The returned handle is
  // signalled when the reading has ended and belongs to the caller; it is not valid when
  // the thread could not be started. The module stays alive until the reading ends.
  Handle StartTextReading(const Text& text, int32_t rate);

  // Asks every running reading to end before its next character.
  void StopTextReading();

  // Whether the voice file has been looked for.
  bool loaded() const { return loaded_.load(std::memory_order_acquire); }

 private:
  SpeechModule(Text voice_folder, std::unique_ptr<AudioOutput> audio,
               std::unique_ptr<SpeechClock> clock);

  // The sound for one character, or null when it has none.
  const VoiceEntry* FindSound(const Text& character) const;

  const Text voice_folder_;
  const std::unique_ptr<AudioOutput> audio_;
  const std::unique_ptr<SpeechClock> clock_;
  std::mutex load_mutex_;
  std::atomic<bool> loaded_{false};
  VoiceData voice_;  // written once under load_mutex_ before loaded_ is set; read-only after
  std::atomic<bool> stop_{false};
};

// The program's speech module: the voice file of the program folder, the system's sound
// device. Created on first use, after the program's location is known.

// The library command: starts reading `text` aloud at `rate` and returns the handle of the
// reading thread, to be waited on and released by the caller.
Handle SpeakText(const Text& text, int32_t rate);
Handle StartTextReading(const Text& text, int32_t rate);
void PlayTextAloud(const Text& text, int32_t rate);
void LoadVoiceData();
void StopTextReading();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SPEECH_SPEECH_H_
