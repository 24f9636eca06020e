// A stand-in for SDL's library in the read-aloud test: the program opens
// "libSDL2-2.0.so.0" by name, finds this one first on LD_LIBRARY_PATH, and every call goes
// on to the real library. On the way it notes what the program asked to play, and when, in
// the file named by ROLLCALL_SDL_LOG:
//
//   open <seconds>            the device is open
//   decode <seconds> <bytes>  a sound is about to be decoded (the start of a Play); its WAV
//                             image is appended to <log>.wav
//   clear <seconds>           what was left of the sound before is dropped
//   queue <seconds> <bytes>   a sound is queued; its samples are appended to <log>.pcm
//
// Seconds are CLOCK_MONOTONIC's, the clock of Python's time.monotonic().
#include <SDL.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace {

void* Real(const char* name) {
  static void* const library = dlopen(REAL_SDL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  void* function = library ? dlsym(library, name) : nullptr;
  if (function == nullptr) {
    std::fprintf(stderr, "sdl_call_log: no %s in %s\n", name, REAL_SDL_LIBRARY);
    std::abort();
  }
  return function;
}

std::mutex log_mutex;

void Append(const char* suffix, const void* bytes, size_t size) {
  const char* log = std::getenv("ROLLCALL_SDL_LOG");
  if (log == nullptr) return;
  const int fd = open((std::string(log) + suffix).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;
  for (const char* p = static_cast<const char*>(bytes); size > 0;) {
    const ssize_t written = write(fd, p, size);
    if (written <= 0) break;
    p += written;
    size -= static_cast<size_t>(written);
  }
  close(fd);
}

// `data` (`bytes` long) goes to the file <log><suffix>.
void Note(const char* what, long bytes = -1, const void* data = nullptr,
          const char* suffix = nullptr) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[96];
  int n = std::snprintf(line, sizeof line, "%s %ld.%09ld", what, static_cast<long>(now.tv_sec),
                        now.tv_nsec);
  if (bytes >= 0) n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), " %ld", bytes);
  line[n++] = '\n';
  std::lock_guard lock(log_mutex);
  // The data first: once the line is there, a reader finds it complete.
  if (data != nullptr) Append(suffix, data, static_cast<size_t>(bytes));
  Append("", line, static_cast<size_t>(n));
}

}  // namespace

// Each function calls the real one of the same name and type.
#define FORWARD(name) reinterpret_cast<decltype(&name)>(Real(#name))

extern "C" {

SDL_bool SDL_SetHint(const char* name, const char* value) {
  return FORWARD(SDL_SetHint)(name, value);
}
int SDL_InitSubSystem(Uint32 flags) { return FORWARD(SDL_InitSubSystem)(flags); }
void SDL_QuitSubSystem(Uint32 flags) { FORWARD(SDL_QuitSubSystem)(flags); }
SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture,
                                      const SDL_AudioSpec* desired, SDL_AudioSpec* obtained,
                                      int allowed_changes) {
  SDL_AudioDeviceID id =
      FORWARD(SDL_OpenAudioDevice)(device, iscapture, desired, obtained, allowed_changes);
  if (id != 0) Note("open");
  return id;
}
void SDL_CloseAudioDevice(SDL_AudioDeviceID dev) { FORWARD(SDL_CloseAudioDevice)(dev); }
void SDL_PauseAudioDevice(SDL_AudioDeviceID dev, int pause_on) {
  FORWARD(SDL_PauseAudioDevice)(dev, pause_on);
}
void SDL_ClearQueuedAudio(SDL_AudioDeviceID dev) {
  Note("clear");
  FORWARD(SDL_ClearQueuedAudio)(dev);
}
int SDL_QueueAudio(SDL_AudioDeviceID dev, const void* data, Uint32 len) {
  Note("queue", static_cast<long>(len), data, ".pcm");
  return FORWARD(SDL_QueueAudio)(dev, data, len);
}
SDL_RWops* SDL_RWFromConstMem(const void* mem, int size) {
  Note("decode", size, mem, ".wav");
  return FORWARD(SDL_RWFromConstMem)(mem, size);
}
SDL_AudioSpec* SDL_LoadWAV_RW(SDL_RWops* src, int freesrc, SDL_AudioSpec* format,
                              Uint8** audio_buf, Uint32* audio_len) {
  return FORWARD(SDL_LoadWAV_RW)(src, freesrc, format, audio_buf, audio_len);
}
void SDL_FreeWAV(Uint8* audio_buf) { FORWARD(SDL_FreeWAV)(audio_buf); }
SDL_AudioStream* SDL_NewAudioStream(SDL_AudioFormat src_format, Uint8 src_channels, int src_rate,
                                    SDL_AudioFormat dst_format, Uint8 dst_channels,
                                    int dst_rate) {
  return FORWARD(SDL_NewAudioStream)(src_format, src_channels, src_rate, dst_format, dst_channels,
                                     dst_rate);
}
int SDL_AudioStreamPut(SDL_AudioStream* stream, const void* buf, int len) {
  return FORWARD(SDL_AudioStreamPut)(stream, buf, len);
}
int SDL_AudioStreamFlush(SDL_AudioStream* stream) { return FORWARD(SDL_AudioStreamFlush)(stream); }
int SDL_AudioStreamAvailable(SDL_AudioStream* stream) {
  return FORWARD(SDL_AudioStreamAvailable)(stream);
}
int SDL_AudioStreamGet(SDL_AudioStream* stream, void* buf, int len) {
  return FORWARD(SDL_AudioStreamGet)(stream, buf, len);
}
void SDL_FreeAudioStream(SDL_AudioStream* stream) { FORWARD(SDL_FreeAudioStream)(stream); }

}  // extern "C"
