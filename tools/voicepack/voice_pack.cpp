#include "tools/voicepack/voice_pack.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "tools/voicepack/sound_shaping.h"
#include "tools/voicepack/voice_file_writer.h"
#include "tools/voicepack/wav_format.h"

namespace rc::voicepack {
namespace {

// GB2312 in GBK: level 1 fills rows B0 to D7 (the last five cells of D7 are empty), level 2
// rows D8 to F7; a row's cells run from A1 to FE.
constexpr uint8_t kLevel1FirstRow = 0xB0;
constexpr uint8_t kLevel2LastRow = 0xF7;
constexpr uint8_t kLevel1LastRow = 0xD7;
constexpr uint8_t kLevel1LastCell = 0xF9;
constexpr uint8_t kFirstCell = 0xA1;
constexpr uint8_t kLastCell = 0xFE;

// What a sound may take before its silent tail.
constexpr int kVoicedMs = kMaxSoundMs - kTailMs;

// How much faster each try is spoken when a syllable is too long to fit.
constexpr int kSpeedStep = 25;

// The single code point of a character key, or 0.
char32_t CodePoint(const Text& key) {
  std::u16string units = key.ToUtf16();
  if (units.size() == 1 && units[0] != u'\uFFFD') return units[0];
  if (units.size() == 2 && units[0] >= 0xD800 && units[0] < 0xDC00 && units[1] >= 0xDC00 &&
      units[1] < 0xE000) {
    return 0x10000 + ((static_cast<char32_t>(units[0]) - 0xD800) << 10) + (units[1] - 0xDC00);
  }
  return 0;
}

bool IsLetterKey(const Text& key) { return key.size() == 1 && key.at(0) >= 'a' && key.at(0) <= 'z'; }

// The UTF-8 sequence of the code point at `pos`, or empty when none starts there.
std::string_view NextUtf8(std::string_view s, size_t* pos) {
  uint8_t b = static_cast<uint8_t>(s[*pos]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
  if (n == 0 || *pos + n > s.size()) return {};
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<uint8_t>(s[*pos + i]) & 0xC0) != 0x80) return {};
  }
  std::string_view sequence = s.substr(*pos, n);
  *pos += n;
  return sequence;
}

}  // namespace

std::vector<Text> FullCharacterSet() {
  std::vector<Text> characters;
  for (unsigned row = kLevel1FirstRow; row <= kLevel2LastRow; ++row) {
    unsigned last = row == kLevel1LastRow ? kLevel1LastCell : kLastCell;
    for (unsigned cell = kFirstCell; cell <= last; ++cell) {
      const char bytes[] = {static_cast<char>(row), static_cast<char>(cell)};
      characters.emplace_back(bytes, sizeof(bytes));
    }
  }
  for (char c = 'a'; c <= 'z'; ++c) characters.emplace_back(std::string(1, c));
  return characters;
}

bool CharacterSetFromUtf8(std::string_view utf8, std::vector<Text>* characters,
                          std::string* error) {
  characters->clear();
  for (size_t pos = 0; pos < utf8.size();) {
    std::string_view sequence = NextUtf8(utf8, &pos);
    if (sequence.empty()) {
      *error = "--characters is not UTF-8";
      return false;
    }
    Text key;
    if (sequence.size() == 1 && std::isalpha(static_cast<unsigned char>(sequence[0]))) {
      key = Text(std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(sequence[0])))));
    } else {
      key = Text::FromUtf8(sequence);
      if (sequence.size() == 1 || CodePoint(key) == 0) {
        *error = "--characters: \"" + std::string(sequence) + "\" is neither a letter nor a Chinese character";
        return false;
      }
    }
    if (std::find(characters->begin(), characters->end(), key) == characters->end()) {
      characters->push_back(std::move(key));
    }
  }
  return true;
}

bool PlanVoicePack(const std::vector<Text>& characters, const MandarinReadings& readings,
                   VoicePackPlan* plan, std::string* error) {
  std::map<Text, Text> sound_of;  // key -> sound name
  std::map<Text, PackSound> sounds;
  for (const Text& key : characters) {
    PackSound sound;
    if (IsLetterKey(key)) {
      sound = {key, kLetterVoice, key.bytes()};
    } else {
      auto reading = readings.find(CodePoint(key));
      if (reading == readings.end()) {
        *error = "no Mandarin reading for " + key.ToUtf8();
        return false;
      }
      std::string numbered = ToNumberedPinyin(reading->second);
      if (numbered.empty()) {
        *error = "cannot read the pinyin \"" + reading->second + "\" of " + key.ToUtf8();
        return false;
      }
      sound = {Text(numbered), kPinyinVoice, numbered};
    }
    sound_of[key] = sound.name;
    sounds.emplace(sound.name, std::move(sound));
  }
  plan->characters.clear();
  plan->sounds.clear();
  for (auto& [key, name] : sound_of) plan->characters.push_back({key, name});
  for (auto& [name, sound] : sounds) plan->sounds.push_back(std::move(sound));
  return true;
}

bool MakeSound(SpeechSynthesizer& synthesizer, const PackSound& sound, MadeSound* made,
               std::string* error) {
  const int rate = synthesizer.sample_rate();
  std::vector<int16_t> samples;
  Signal voiced;
  int wpm = kNormalWordsPerMinute;
  for (;;) {
    if (!synthesizer.Speak(sound.voice, sound.text, wpm, &samples, error)) return false;
    Signal signal = ToSignal(samples);
    RemoveOffset(&signal, rate);
    voiced = TrimSilence(signal, rate);
    if (DurationMs(voiced.size(), rate) <= kVoicedMs || wpm >= kFastestWordsPerMinute) break;
    wpm = std::min(wpm + kSpeedStep, kFastestWordsPerMinute);
  }
  if (voiced.empty()) {
    *error = "the voice made no sound for \"" + sound.text + "\"";
    return false;
  }
  CutToLength(&voiced, rate, kVoicedMs);
  static const Resampler resampler(rate, kPackSampleRate);
  Signal packed = rate == kPackSampleRate ? voiced : resampler.Run(voiced);
  CutToLength(&packed, kPackSampleRate, kVoicedMs);  // rounding up may add a sample
  EvenLoudness(&packed, kPackSampleRate);
  packed.resize(packed.size() + kPackSampleRate * kTailMs / 1000, 0.0f);
  made->wav = EncodeWav(packed, kPackSampleRate);
  made->words_per_minute = wpm;
  return true;
}

bool MakeVoicePack(const VoicePackPlan& plan, SpeechSynthesizer& synthesizer,
                   std::vector<uint8_t>* file, VoicePackStats* stats, std::string* error) {
  VoiceFileWriter writer;
  writer.BeginMap(plan.characters.size());
  for (const PackCharacter& c : plan.characters) writer.Entry(c.key, c.sound, Text(), {});
  writer.BeginMap(plan.sounds.size());
  *stats = {};
  for (const PackSound& sound : plan.sounds) {
    MadeSound made;
    if (!MakeSound(synthesizer, sound, &made, error)) return false;
    if (made.words_per_minute != kNormalWordsPerMinute) ++stats->sped_up;
    const size_t frames = (made.wav.size() - wav_format::kHeaderSize) / wav_format::kBytesPerSample;
    stats->longest_ms = std::max(stats->longest_ms, DurationMs(frames, kPackSampleRate));
    // The second text tells how the sound was made; playback does not use it.
    writer.Entry(sound.name, sound.name, Text(sound.voice + " " + std::to_string(made.words_per_minute)),
                 made.wav);
  }
  *file = writer.bytes();
  return true;
}

}  // namespace rc::voicepack
