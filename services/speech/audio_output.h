// Playing a sound: a WAV image from memory, asynchronously.
#ifndef ROLLCALL_SERVICES_SPEECH_AUDIO_OUTPUT_H_
#define ROLLCALL_SERVICES_SPEECH_AUDIO_OUTPUT_H_

#include <cstdint>
#include <memory>
#include <span>

namespace rc {

// The widest sounds that playback takes. A WAV header is only numbers in a file: rates and
// channel counts outside these bounds are no sound anyone recorded, and samples are at most
// 32 bits wide.
inline constexpr int kMinSoundRate = 1000;
inline constexpr int kMaxSoundRate = 384000;
inline constexpr int kMaxSoundChannels = 8;
inline constexpr int kMaxSampleBytes = 4;

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;

  // Starts playing the WAV image and returns at once; the bytes are not needed after the
  // call. A new sound replaces one that is still playing. False (and silence, never a
  // default sound) when the image cannot be played or there is no audio device; a sound
  // that cannot be played leaves the one that is playing alone. Safe to call from several
  // threads at once.
  virtual bool Play(std::span<const uint8_t> wav) = 0;
};

// The audio output of the system's sound device. The device is opened on the first sound
// and kept open; when it cannot be opened the output stays silent and does not try again.
std::unique_ptr<AudioOutput> CreateSdlAudioOutput();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SPEECH_AUDIO_OUTPUT_H_
