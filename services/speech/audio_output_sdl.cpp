#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <climits>
#include <mutex>
#include <vector>

#include "services/speech/audio_output.h"

namespace rc {
namespace {

// SDL is loaded with the first sound, not with the program: Debian's SDL links some thirty
// libraries (sound servers, codecs, Wayland, DRM) that would otherwise be mapped, relocated
// and partly written at every start, some 2 MB of memory, for a lesson that may never read
// a name aloud.
struct SdlFunctions {
  decltype(&SDL_SetHint) SetHint = nullptr;
  decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
  decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
  decltype(&SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
  decltype(&SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
  decltype(&SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
  decltype(&SDL_ClearQueuedAudio) ClearQueuedAudio = nullptr;
  decltype(&SDL_QueueAudio) QueueAudio = nullptr;
  decltype(&SDL_RWFromConstMem) RWFromConstMem = nullptr;
  decltype(&SDL_LoadWAV_RW) LoadWAV_RW = nullptr;
  decltype(&SDL_FreeWAV) FreeWAV = nullptr;
  decltype(&SDL_NewAudioStream) NewAudioStream = nullptr;
  decltype(&SDL_AudioStreamPut) AudioStreamPut = nullptr;
  decltype(&SDL_AudioStreamFlush) AudioStreamFlush = nullptr;
  decltype(&SDL_AudioStreamAvailable) AudioStreamAvailable = nullptr;
  decltype(&SDL_AudioStreamGet) AudioStreamGet = nullptr;
  decltype(&SDL_FreeAudioStream) FreeAudioStream = nullptr;
};

template <typename F>
void Resolve(void* library, const char* name, F* slot, bool* complete) {
  *slot = reinterpret_cast<F>(dlsym(library, name));
  *complete = *complete && *slot != nullptr;
}

// The functions, or nullptr when the library or one of them is missing. Never unloaded.
const SdlFunctions* LoadSdl() {
  static const SdlFunctions* const loaded = []() -> const SdlFunctions* {
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static SdlFunctions table;
    bool complete = true;
    Resolve(library, "SDL_SetHint", &table.SetHint, &complete);
    Resolve(library, "SDL_InitSubSystem", &table.InitSubSystem, &complete);
    Resolve(library, "SDL_QuitSubSystem", &table.QuitSubSystem, &complete);
    Resolve(library, "SDL_OpenAudioDevice", &table.OpenAudioDevice, &complete);
    Resolve(library, "SDL_CloseAudioDevice", &table.CloseAudioDevice, &complete);
    Resolve(library, "SDL_PauseAudioDevice", &table.PauseAudioDevice, &complete);
    Resolve(library, "SDL_ClearQueuedAudio", &table.ClearQueuedAudio, &complete);
    Resolve(library, "SDL_QueueAudio", &table.QueueAudio, &complete);
    Resolve(library, "SDL_RWFromConstMem", &table.RWFromConstMem, &complete);
    Resolve(library, "SDL_LoadWAV_RW", &table.LoadWAV_RW, &complete);
    Resolve(library, "SDL_FreeWAV", &table.FreeWAV, &complete);
    Resolve(library, "SDL_NewAudioStream", &table.NewAudioStream, &complete);
    Resolve(library, "SDL_AudioStreamPut", &table.AudioStreamPut, &complete);
    Resolve(library, "SDL_AudioStreamFlush", &table.AudioStreamFlush, &complete);
    Resolve(library, "SDL_AudioStreamAvailable", &table.AudioStreamAvailable, &complete);
    Resolve(library, "SDL_AudioStreamGet", &table.AudioStreamGet, &complete);
    Resolve(library, "SDL_FreeAudioStream", &table.FreeAudioStream, &complete);
    return complete ? &table : nullptr;
  }();
  return loaded;
}

// Only called once LoadSdl has succeeded.
const SdlFunctions& Sdl() { return *LoadSdl(); }

// The device runs in one fixed format; every sound is converted to it before it is queued,
// so sounds of any rate, width and channel count can follow each other.
constexpr int kDeviceRate = 44100;
constexpr SDL_AudioFormat kDeviceFormat = AUDIO_S16SYS;
constexpr Uint8 kDeviceChannels = 1;
constexpr Uint16 kDeviceSamples = 1024;  // about 23 ms per buffer
// Silence put after each sound for the rate converter to keep back, and the value of
// silence in unsigned 8-bit samples.
constexpr int kPadMs = 50;
constexpr Uint8 kU8Silence = 0x80;

class SdlAudioOutput : public AudioOutput {
 public:
  ~SdlAudioOutput() override {
    if (device_ != 0) Sdl().CloseAudioDevice(device_);
    if (initialised_) Sdl().QuitSubSystem(SDL_INIT_AUDIO);
  }

  bool Play(std::span<const uint8_t> wav) override {
    if (!EnsureOpen()) return false;
    std::vector<uint8_t> samples;
    if (!Decode(wav, &samples)) return false;
    std::lock_guard lock(device_mutex_);
    // Replacing, not mixing: what is left of the previous sound is dropped first.
    Sdl().ClearQueuedAudio(device_);
    if (samples.empty()) return true;
    return Sdl().QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size())) == 0;
  }

 private:
  bool EnsureOpen() {
    std::call_once(open_once_, [this] {
      if (LoadSdl() == nullptr) return;
      // Audio brings up SDL's event part, which by default takes over SIGINT and SIGTERM to
      // queue a quit event that nobody here reads: after the first sound the program would
      // no longer end when it is told to. The signals stay the program's own.
      Sdl().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
      if (Sdl().InitSubSystem(SDL_INIT_AUDIO) != 0) return;
      initialised_ = true;
      SDL_AudioSpec want{};
      want.freq = kDeviceRate;
      want.format = kDeviceFormat;
      want.channels = kDeviceChannels;
      want.samples = kDeviceSamples;
      want.callback = nullptr;  // sounds are queued
      device_ = Sdl().OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
      if (device_ != 0) Sdl().PauseAudioDevice(device_, 0);
    });
    return device_ != 0;
  }

  // Decodes the WAV image and converts it to the device format.
  static bool Decode(std::span<const uint8_t> wav, std::vector<uint8_t>* out) {
    if (wav.empty() || wav.size() > static_cast<size_t>(INT_MAX)) return false;
    SDL_RWops* rw = Sdl().RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
    if (rw == nullptr) return false;
    SDL_AudioSpec source{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (Sdl().LoadWAV_RW(rw, 1, &source, &buffer, &length) == nullptr) return false;
    bool ok = false;
    SDL_AudioStream* stream = nullptr;
    // The converter must not be asked to size buffers for formats beyond the bounds.
    if (length <= static_cast<Uint32>(INT_MAX) && source.freq >= kMinSoundRate &&
        source.freq <= kMaxSoundRate && source.channels >= 1 &&
        source.channels <= kMaxSoundChannels) {
      stream = Sdl().NewAudioStream(source.format, source.channels, source.freq, kDeviceFormat,
                                  kDeviceChannels, kDeviceRate);
    }
    if (stream != nullptr) {
      // The stream's rate converter keeps back the end of what it is given, even when
      // flushed: 30 ms of a 16 kHz sound would be lost, the end of every syllable. Silence
      // after the sound is kept back instead, and the output is cut to the sound's length.
      const size_t frame_bytes = SDL_AUDIO_BITSIZE(source.format) / 8 * source.channels;
      const size_t frames = length / frame_bytes;
      const std::vector<Uint8> pad(static_cast<size_t>(source.freq) * kPadMs / 1000 * frame_bytes,
                                   source.format == AUDIO_U8 ? kU8Silence : 0);
      ok = (length == 0 || Sdl().AudioStreamPut(stream, buffer, static_cast<int>(length)) == 0) &&
           Sdl().AudioStreamPut(stream, pad.data(), static_cast<int>(pad.size())) == 0 &&
           Sdl().AudioStreamFlush(stream) == 0;
      int available = ok ? Sdl().AudioStreamAvailable(stream) : 0;
      if (ok && available > 0) {
        out->resize(static_cast<size_t>(available));
        int got = Sdl().AudioStreamGet(stream, out->data(), available);
        ok = got >= 0;
        const size_t sound_bytes = static_cast<size_t>(
            static_cast<uint64_t>(frames) * kDeviceRate / static_cast<uint64_t>(source.freq)) *
            kDeviceChannels * (SDL_AUDIO_BITSIZE(kDeviceFormat) / 8);
        out->resize(ok ? std::min(static_cast<size_t>(got), sound_bytes) : 0);
      }
      Sdl().FreeAudioStream(stream);
    }
    Sdl().FreeWAV(buffer);
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
