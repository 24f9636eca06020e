#include "tools/voicepack/sound_shaping.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "tools/voicepack/wav_format.h"

namespace rc::voicepack {
namespace {

// Speech is looked for in frames of this length.
constexpr double kFrameMs = 5.0;
// A frame is speech when its level is within this many dB of the loudest frame's; the
// breath and hiss of a synthesized voice lie further below.
constexpr double kSpeechThresholdDb = -36.0;
// Kept before the first frame of speech, so that a soft onset ("f", "s") is not cut.
constexpr double kLeadInMs = 5.0;
constexpr double kFadeInMs = 3.0;
constexpr double kFadeOutMs = 20.0;
// Half the length of the resampling filter, in input samples: enough for a steep low-pass
// without smearing a syllable's start.
constexpr int kHalfTaps = 24;
constexpr int kTaps = 2 * kHalfTaps;
// The filter passes up to this share of the lower rate's half, and with its transition
// band stops by that half (8 kHz), so nothing folds back.
constexpr double kPassBand = 0.85;
constexpr double kPi = 3.14159265358979323846;
// Below the lowest voice pitch, so that only the offset is taken out.
constexpr double kOffsetCutoffHz = 40.0;

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }

size_t MsToFrames(double ms, int rate) {
  return static_cast<size_t>(std::lround(ms * rate / 1000.0));
}

// Level of each frame (root mean square).
std::vector<double> FrameLevels(const Signal& signal, size_t frame) {
  std::vector<double> levels;
  for (size_t start = 0; start < signal.size(); start += frame) {
    size_t end = std::min(signal.size(), start + frame);
    double sum = 0;
    for (size_t i = start; i < end; ++i) sum += static_cast<double>(signal[i]) * signal[i];
    levels.push_back(std::sqrt(sum / static_cast<double>(end - start)));
  }
  return levels;
}

// Raised-cosine fades over the first and last samples.
void Fade(Signal* signal, size_t fade_in, size_t fade_out) {
  const size_t n = signal->size();
  fade_in = std::min(fade_in, n);
  fade_out = std::min(fade_out, n);
  for (size_t i = 0; i < fade_in; ++i) {
    (*signal)[i] *= static_cast<float>(0.5 - 0.5 * std::cos(kPi * (i + 0.5) / fade_in));
  }
  for (size_t i = 0; i < fade_out; ++i) {
    (*signal)[n - 1 - i] *= static_cast<float>(0.5 - 0.5 * std::cos(kPi * (i + 0.5) / fade_out));
  }
}

double Sinc(double x) { return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x); }

double Blackman(double x) {  // x in [0, 1]
  return 0.42 - 0.5 * std::cos(2 * kPi * x) + 0.08 * std::cos(4 * kPi * x);
}

}  // namespace

Signal ToSignal(std::span<const int16_t> samples) {
  Signal signal(samples.size());
  std::transform(samples.begin(), samples.end(), signal.begin(),
                 [](int16_t s) { return static_cast<float>(s) / 32768.0f; });
  return signal;
}

void RemoveOffset(Signal* signal, int rate) {
  const double pole = std::exp(-2 * kPi * kOffsetCutoffHz / rate);
  double previous_in = 0, previous_out = 0;
  for (float& s : *signal) {
    double out = s - previous_in + pole * previous_out;
    previous_in = s;
    previous_out = out;
    s = static_cast<float>(out);
  }
}

double DurationMs(size_t frames, int rate) { return 1000.0 * static_cast<double>(frames) / rate; }

Signal TrimSilence(const Signal& signal, int rate) {
  const size_t frame = std::max<size_t>(1, MsToFrames(kFrameMs, rate));
  std::vector<double> levels = FrameLevels(signal, frame);
  double loudest = levels.empty() ? 0.0 : *std::max_element(levels.begin(), levels.end());
  if (loudest <= 0.0) return {};
  const double threshold = loudest * DbToGain(kSpeechThresholdDb);
  size_t first = 0;
  while (levels[first] < threshold) ++first;
  size_t last = levels.size() - 1;
  while (levels[last] < threshold) --last;
  const size_t lead_in = MsToFrames(kLeadInMs, rate);
  size_t begin = first * frame > lead_in ? first * frame - lead_in : 0;
  size_t end = std::min(signal.size(), (last + 1) * frame);
  Signal trimmed(signal.begin() + static_cast<ptrdiff_t>(begin),
                 signal.begin() + static_cast<ptrdiff_t>(end));
  Fade(&trimmed, MsToFrames(kFadeInMs, rate), MsToFrames(kFadeOutMs, rate));
  return trimmed;
}

void CutToLength(Signal* signal, int rate, int max_ms) {
  size_t max_frames = MsToFrames(max_ms, rate);
  if (signal->size() <= max_frames) return;
  signal->resize(max_frames);
  Fade(signal, 0, MsToFrames(kFadeOutMs, rate));
}

Resampler::Resampler(int from_rate, int to_rate) {
  int g = std::gcd(from_rate, to_rate);
  up_ = to_rate / g;
  down_ = from_rate / g;
  // Cut-off relative to the input rate: below the lower of the two halves.
  const double cutoff = kPassBand * 0.5 * std::min(1.0, static_cast<double>(up_) / down_);
  taps_.resize(static_cast<size_t>(up_) * kTaps);
  for (int phase = 0; phase < up_; ++phase) {
    // An output sample lies `phase / up_` of an input sample after the input sample that
    // precedes it; tap k weighs the input sample k - kHalfTaps + 1 places from that one.
    const double offset = static_cast<double>(phase) / up_;
    double sum = 0;
    float* row = &taps_[static_cast<size_t>(phase) * kTaps];
    for (int k = 0; k < kTaps; ++k) {
      double t = (k - kHalfTaps + 1) - offset;
      double w = Blackman((t + kHalfTaps) / (2.0 * kHalfTaps));
      row[k] = static_cast<float>(2 * cutoff * Sinc(2 * cutoff * t) * w);
      sum += row[k];
    }
    for (int k = 0; k < kTaps; ++k) row[k] = static_cast<float>(row[k] / sum);  // unity gain
  }
}

Signal Resampler::Run(const Signal& in) const {
  const size_t out_size =
      (in.size() * static_cast<size_t>(up_) + static_cast<size_t>(down_) - 1) / static_cast<size_t>(down_);
  Signal out(out_size);
  for (size_t n = 0; n < out_size; ++n) {
    const size_t position = n * static_cast<size_t>(down_);  // in units of 1 / up_ input samples
    const ptrdiff_t base = static_cast<ptrdiff_t>(position / static_cast<size_t>(up_));
    const float* row = &taps_[(position % static_cast<size_t>(up_)) * kTaps];
    double sum = 0;
    for (int k = 0; k < kTaps; ++k) {
      ptrdiff_t i = base + k - kHalfTaps + 1;
      if (i >= 0 && i < static_cast<ptrdiff_t>(in.size())) sum += row[k] * in[static_cast<size_t>(i)];
    }
    out[n] = static_cast<float>(sum);
  }
  return out;
}

void EvenLoudness(Signal* signal, int rate) {
  const size_t frame = std::max<size_t>(1, MsToFrames(kFrameMs, rate));
  std::vector<double> levels = FrameLevels(*signal, frame);
  if (levels.empty()) return;
  const double threshold = *std::max_element(levels.begin(), levels.end()) * DbToGain(kSpeechThresholdDb);
  // The level of the voiced frames only: the quiet edges of a short syllable would
  // otherwise make it louder than a long one.
  double sum = 0;
  size_t count = 0;
  for (double level : levels) {
    if (level >= threshold && level > 0) {
      sum += level * level;
      ++count;
    }
  }
  if (count == 0) return;
  double gain = DbToGain(kSpeechLevelDb) / std::sqrt(sum / static_cast<double>(count));
  float peak = 0;
  for (float s : *signal) peak = std::max(peak, std::fabs(s));
  gain = std::min(gain, DbToGain(kPeakLimitDb) / peak);
  for (float& s : *signal) s = static_cast<float>(s * gain);
}

std::vector<uint8_t> EncodeWav(const Signal& signal, int rate) {
  std::vector<uint8_t> wav;
  const uint32_t data_bytes = static_cast<uint32_t>(signal.size() * wav_format::kBytesPerSample);
  wav.reserve(wav_format::kHeaderSize + data_bytes);
  auto put = [&wav](uint64_t v, int n) {
    for (int i = 0; i < n; ++i) wav.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&wav](const char (&four)[5]) {
    for (int i = 0; i < 4; ++i) wav.push_back(static_cast<uint8_t>(four[i]));
  };
  tag(wav_format::kRiffTag);
  put(wav_format::kHeaderSize - wav_format::kRiffChunkHeaderSize + data_bytes, 4);
  tag(wav_format::kWaveTag);
  tag(wav_format::kFmtTag);
  put(wav_format::kFmtChunkSize, 4);
  put(wav_format::kFormatPcm, 2);
  put(wav_format::kChannels, 2);
  put(static_cast<uint32_t>(rate), 4);
  put(static_cast<uint32_t>(rate) * wav_format::kBytesPerSample * wav_format::kChannels, 4);
  put(wav_format::kBytesPerSample * wav_format::kChannels, 2);
  put(wav_format::kBitsPerSample, 2);
  tag(wav_format::kDataTag);
  put(data_bytes, 4);
  for (float s : signal) {
    long q = std::lround(static_cast<double>(s) * 32767.0);
    put(static_cast<uint16_t>(static_cast<int16_t>(std::clamp(q, -32768L, 32767L))), 2);
  }
  return wav;
}

}  // namespace rc::voicepack
