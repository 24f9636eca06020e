#include "tools/voicepack/speech_synthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <atomic>
#include <cstring>

namespace rc::voicepack {
namespace {

// The library's own default buffer length; only affects how often the callback runs.
constexpr int kBufferMs = 0;

// The library calls back into a plain function, so the buffer being filled is found here.
// Only the synthesizer's thread touches it, inside Speak.
std::vector<int16_t>* g_sink = nullptr;
std::atomic<bool> g_open{false};

int CollectSamples(short* wav, int count, espeak_EVENT*) {
  if (wav != nullptr && count > 0 && g_sink != nullptr) g_sink->insert(g_sink->end(), wav, wav + count);
  return 0;  // go on
}

}  // namespace

std::unique_ptr<SpeechSynthesizer> SpeechSynthesizer::Open(std::string* error) {
  if (g_open.exchange(true)) {
    *error = "the speech synthesizer is open already";
    return nullptr;
  }
  // Without "don't exit" the library ends the whole process when its data is missing.
  int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMs, nullptr,
                               espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) {
    g_open = false;
    *error = "libespeak-ng cannot find its data (install espeak-ng-data)";
    return nullptr;
  }
  espeak_SetSynthCallback(CollectSamples);
  return std::unique_ptr<SpeechSynthesizer>(new SpeechSynthesizer(rate));
}

SpeechSynthesizer::~SpeechSynthesizer() {
  espeak_Terminate();
  g_open = false;
}

bool SpeechSynthesizer::Speak(const std::string& voice, const std::string& text,
                              int words_per_minute, std::vector<int16_t>* samples,
                              std::string* error) {
  if (voice != voice_) {
    if (espeak_SetVoiceByName(voice.c_str()) != EE_OK) {
      *error = "libespeak-ng has no voice \"" + voice + "\"";
      return false;
    }
    voice_ = voice;
  }
  espeak_SetParameter(espeakRATE, words_per_minute, 0);
  samples->clear();
  g_sink = samples;
  espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                     espeakCHARS_UTF8, nullptr, nullptr);
  if (result == EE_OK) result = espeak_Synchronize();
  g_sink = nullptr;
  if (result != EE_OK) {
    *error = "libespeak-ng could not speak \"" + text + "\"";
    return false;
  }
  return true;
}

}  // namespace rc::voicepack
