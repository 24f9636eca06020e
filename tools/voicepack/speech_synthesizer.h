// The speech synthesizer that records the voice pack's sounds: Debian's libespeak-ng.
#ifndef ROLLCALL_TOOLS_VOICEPACK_SPEECH_SYNTHESIZER_H_
#define ROLLCALL_TOOLS_VOICEPACK_SPEECH_SYNTHESIZER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rc::voicepack {

// The synthesizer's speed when nothing asks for another, in words per minute.
inline constexpr int kNormalWordsPerMinute = 175;
// The fastest speed the synthesizer accepts.
inline constexpr int kFastestWordsPerMinute = 450;

// The voices the pack speaks with.
inline constexpr char kPinyinVoice[] = "cmn-latn-pinyin";  // numbered pinyin: "zhang1"
inline constexpr char kLetterVoice[] = "en";               // a letter by its English name

// The library keeps its state in globals, so a process holds at most one synthesizer, and
// only the thread that opened it may use it.
class SpeechSynthesizer {
 public:
  // Null, with `error` set, when the library or its data cannot be opened or another
  // synthesizer is open in this process.
  static std::unique_ptr<SpeechSynthesizer> Open(std::string* error);
  ~SpeechSynthesizer();
  SpeechSynthesizer(const SpeechSynthesizer&) = delete;
  SpeechSynthesizer& operator=(const SpeechSynthesizer&) = delete;

  // Samples per second of what Speak gives: mono, signed 16-bit.
  int sample_rate() const { return sample_rate_; }

  // Speaks UTF-8 `text` with `voice` at `words_per_minute` and replaces `samples` with the
  // sound, silence around it included. False, with `error` set, when the voice is unknown
  // or synthesis fails.
  bool Speak(const std::string& voice, const std::string& text, int words_per_minute,
             std::vector<int16_t>* samples, std::string* error);

 private:
  explicit SpeechSynthesizer(int sample_rate) : sample_rate_(sample_rate) {}

  const int sample_rate_;
  std::string voice_;  // the voice selected last, so that it is only loaded when it changes
};

}  // namespace rc::voicepack

#endif  // ROLLCALL_TOOLS_VOICEPACK_SPEECH_SYNTHESIZER_H_
