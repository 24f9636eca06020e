// What goes into the voice pack, and making it: which characters it reads, the sound of
// each, and each sound synthesized once.
#ifndef ROLLCALL_TOOLS_VOICEPACK_VOICE_PACK_H_
#define ROLLCALL_TOOLS_VOICEPACK_VOICE_PACK_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text.h"
#include "tools/voicepack/speech_synthesizer.h"
#include "tools/voicepack/unihan_readings.h"

namespace rc::voicepack {

// Every character of GB2312's two levels as its two GBK bytes, in code order, then the
// letters a to z.
std::vector<Text> FullCharacterSet();

// The distinct characters of a UTF-8 text, as the pack's keys: a letter as its lower-case
// byte, any other character as its GB18030 bytes (two for a GBK character, four for one
// outside GBK). False, with `error` set, for a character that is neither a letter nor a
// Chinese character, or text that is not UTF-8.
bool CharacterSetFromUtf8(std::string_view utf8, std::vector<Text>* characters,
                          std::string* error);

struct PackCharacter {
  Text key;    // the character, as the program looks it up
  Text sound;  // the name of its sound
};

struct PackSound {
  Text name;         // numbered pinyin ("zhang1"), or the letter itself
  std::string voice;  // the synthesizer voice that speaks it
  std::string text;   // what the voice is given, in UTF-8
};

// Sorted by key and by name, so that the same input makes the same file.
struct VoicePackPlan {
  std::vector<PackCharacter> characters;
  std::vector<PackSound> sounds;
};

// Gives each character its reading and each distinct reading one sound. False, with
// `error` set, when a Chinese character has no Mandarin reading that the voice can read.
bool PlanVoicePack(const std::vector<Text>& characters, const MandarinReadings& readings,
                   VoicePackPlan* plan, std::string* error);

// One synthesized sound, and the speed it needed to fit.
struct MadeSound {
  std::vector<uint8_t> wav;
  int words_per_minute = 0;
};

// Synthesizes one sound: silence cut, no longer than kMaxSoundMs (spoken faster when it
// would be longer), at the pack's sample rate, at the pack's loudness.
bool MakeSound(SpeechSynthesizer& synthesizer, const PackSound& sound, MadeSound* made,
               std::string* error);

struct VoicePackStats {
  size_t sped_up = 0;      // sounds that were spoken faster than normal to fit
  double longest_ms = 0;   // the longest sound
};

// The bytes of the voice file: the character map, then the sound map with every sound.
bool MakeVoicePack(const VoicePackPlan& plan, SpeechSynthesizer& synthesizer,
                   std::vector<uint8_t>* file, VoicePackStats* stats, std::string* error);

}  // namespace rc::voicepack

#endif  // ROLLCALL_TOOLS_VOICEPACK_VOICE_PACK_H_
