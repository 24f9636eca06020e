#include <SDL.h>

#include <climits>
#include <mutex>
#include <vector>

#include "services/speech/audio_output.h"

namespace rc {
namespace {

// The device runs in one fixed format; every sound is converted to it before it is queued,
// so sounds of any rate, width and channel count can follow each other.
constexpr int kDeviceRate = 44100;
constexpr SDL_AudioFormat kDeviceFormat = AUDIO_S16SYS;
constexpr Uint8 kDeviceChannels = 1;
constexpr Uint16 kDeviceSamples = 1024;  // about 23 ms per buffer
// A WAV header is only numbers in a file. Rates and channel counts outside these bounds are
// no sound anyone recorded, and the converter must not be asked to size buffers for them.
constexpr int kMinSourceRate = 1000;
constexpr int kMaxSourceRate = 384000;
constexpr Uint8 kMaxSourceChannels = 8;

class SdlAudioOutput : public AudioOutput {
 public:
  ~SdlAudioOutput() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Play(std::span<const uint8_t> wav) override {
    if (!EnsureOpen()) return false;
    std::vector<uint8_t> samples;
    if (!Decode(wav, &samples)) return false;
    std::lock_guard lock(device_mutex_);
    // Replacing, not mixing: what is left of the previous sound is dropped first.
    SDL_ClearQueuedAudio(device_);
    if (samples.empty()) return true;
    return SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size())) == 0;
  }

 private:
  bool EnsureOpen() {
    std::call_once(open_once_, [this] {
      // Audio brings up SDL's event part, which by default takes over SIGINT and SIGTERM to
      // queue a quit event that nobody here reads: after the first sound the program would
      // no longer end when it is told to. The signals stay the program's own.
      SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
      if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
      initialised_ = true;
      SDL_AudioSpec want{};
      want.freq = kDeviceRate;
      want.format = kDeviceFormat;
      want.channels = kDeviceChannels;
      want.samples = kDeviceSamples;
      want.callback = nullptr;  // sounds are queued
      device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
      if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
    });
    return device_ != 0;
  }

  // Decodes the WAV image and converts it to the device format.
  static bool Decode(std::span<const uint8_t> wav, std::vector<uint8_t>* out) {
    if (wav.empty() || wav.size() > static_cast<size_t>(INT_MAX)) return false;
    SDL_RWops* rw = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (rw == nullptr) return false;
    SDL_AudioSpec source{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV_RW(rw, 1, &source, &buffer, &length) == nullptr) return false;
    bool ok = false;
    SDL_AudioStream* stream = nullptr;
    if (length <= static_cast<Uint32>(INT_MAX) && source.freq >= kMinSourceRate &&
        source.freq <= kMaxSourceRate && source.channels >= 1 && source.channels <= kMaxSourceChannels) {
      stream = SDL_NewAudioStream(source.format, source.channels, source.freq, kDeviceFormat,
                                  kDeviceChannels, kDeviceRate);
    }
    if (stream != nullptr) {
      ok = (length == 0 || SDL_AudioStreamPut(stream, buffer, static_cast<int>(length)) == 0) &&
           SDL_AudioStreamFlush(stream) == 0;
      int available = ok ? SDL_AudioStreamAvailable(stream) : 0;
      if (ok && available > 0) {
        out->resize(static_cast<size_t>(available));
        int got = SDL_AudioStreamGet(stream, out->data(), available);
        ok = got >= 0;
        out->resize(ok ? static_cast<size_t>(got) : 0);
      }
      SDL_FreeAudioStream(stream);
    }
    SDL_FreeWAV(buffer);
    return ok;
  }

  std::once_flag open_once_;
  bool initialised_ = false;
  SDL_AudioDeviceID device_ = 0;
  std::mutex device_mutex_;
};

}  // namespace

std::unique_ptr<AudioOutput> CreateSdlAudioOutput() { return std::make_unique<SdlAudioOutput>(); }

}  // namespace rc
