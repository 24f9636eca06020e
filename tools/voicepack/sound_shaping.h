// Turning a synthesized syllable into a sound of the pack: the silence around it cut, the
// sample rate lowered, the loudness evened out, and the result as a WAV image.
#ifndef ROLLCALL_TOOLS_VOICEPACK_SOUND_SHAPING_H_
#define ROLLCALL_TOOLS_VOICEPACK_SOUND_SHAPING_H_

#include <cstdint>
#include <span>
#include <vector>

namespace rc::voicepack {

// The pack's sounds: 16 kHz mono, signed 16-bit. Speech needs nothing above 8 kHz, and the
// whole pack stays well under 16 MB.
inline constexpr int kPackSampleRate = 16000;
// At the reading rate the program uses, the next character starts 450 ms after a sound
// starts; a sound ends well before that, so that it is never cut off.
inline constexpr int kMaxSoundMs = 420;
// Silence at the end of each sound, within kMaxSoundMs: the sound device's rate converter
// drops the last millisecond or two of what it is given, which is then this silence rather
// than the end of the fade.
inline constexpr int kTailMs = 5;
// The loudness every sound is brought to: the level of its voiced part, in dB below full
// scale. Peaks are kept below kPeakLimitDb, even when that leaves a sound a little quieter.
inline constexpr double kSpeechLevelDb = -18.0;
inline constexpr double kPeakLimitDb = -1.0;

// Samples as numbers in [-1, 1].
using Signal = std::vector<float>;

Signal ToSignal(std::span<const int16_t> samples);

// Takes out the synthesizer's slight offset from zero (a high-pass filter far below the
// voice), which would otherwise make every sound start and end with a step.
void RemoveOffset(Signal* signal, int rate);

// The part of `signal` between the first and the last moment of speech, with a few
// milliseconds kept before it and a short fade in and out, so that the sound starts at once
// and ends without a click. Empty when the signal is silent throughout.
Signal TrimSilence(const Signal& signal, int rate);

// How long `frames` samples last at `rate`, in milliseconds.
double DurationMs(size_t frames, int rate);

// Cuts `signal` to at most `max_ms`, fading out its last milliseconds; for a syllable that
// is still too long at the synthesizer's fastest speed.
void CutToLength(Signal* signal, int rate, int max_ms);

// Converts from one sample rate to another through a windowed-sinc low-pass filter, so that
// nothing above the new rate's half folds back into the sound. Deterministic.
class Resampler {
 public:
  Resampler(int from_rate, int to_rate);
  Signal Run(const Signal& in) const;

 private:
  int up_;    // to_rate / gcd
  int down_;  // from_rate / gcd
  std::vector<float> taps_;  // one row of kTaps coefficients per output phase (up_ rows)
};

// Scales `signal` so that its voiced part is at kSpeechLevelDb, its peaks at most at
// kPeakLimitDb.
void EvenLoudness(Signal* signal, int rate);

// A complete WAV image: RIFF, "fmt " (PCM, mono, 16-bit) and "data".
std::vector<uint8_t> EncodeWav(const Signal& signal, int rate);

}  // namespace rc::voicepack

#endif  // ROLLCALL_TOOLS_VOICEPACK_SOUND_SHAPING_H_
