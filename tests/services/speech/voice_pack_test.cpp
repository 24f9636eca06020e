// The voice pack tool: its plan over the real Unihan readings, the sound shaping, and the
// tool itself making a small pack that the program's own reader and speech module use.
// The whole pack is made and checked by bench/voice_pack_bench.cpp, which is too slow for
// the test pass under sanitizers.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "core/paths.h"
#include "services/speech/speech.h"
#include "services/speech/voice_file.h"
#include "tests/services/speech/speech_fakes.h"
#include "tools/voicepack/sound_shaping.h"
#include "tools/voicepack/unihan_readings.h"
#include "tools/voicepack/voice_pack.h"
#include "tools/voicepack/wav_format.h"

namespace rc {
namespace {

using namespace voicepack;
using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Fixed32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// Runs build/voicepack with `args`; its exit code.
int RunVoicepack(std::vector<std::string> args) {
  args.insert(args.begin(), VOICEPACK_PATH);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

MandarinReadings RealReadings() {
  MandarinReadings readings;
  std::string error;
  EXPECT_TRUE(ReadMandarinReadings(kUnihanReadingsPath, &readings, &error)) << error;
  return readings;
}

TEST(VoicePackTest, TonedPinyinBecomesWhatThePinyinVoiceReads) {
  const std::pair<const char*, const char*> cases[] = {
      {"zhāng", "zhang1"}, {"lǜ", "lv4"}, {"nǚ", "nv3"}, {"lüè", "lve4"}, {"de", "de5"},
      {"ḿ", "m2"}, {"m\u0304", "m1"}, {"ê\u0304", "e1"}, {"ǹg", "ng4"},
      {"zhāngā", ""}, {"Zhang", ""}, {"", ""}, {"\xE5", ""},
  };
  for (const auto& [marked, numbered] : cases) EXPECT_EQ(ToNumberedPinyin(marked), numbered) << marked;
}

// Every common character has a reading the voice can speak; same reading, same sound.
TEST(VoicePackTest, PlanCoversGb2312AndTheLetters) {
  std::vector<Text> characters = FullCharacterSet();
  ASSERT_EQ(characters.size(), 6763u + 26u);
  VoicePackPlan plan;
  std::string error;
  ASSERT_TRUE(PlanVoicePack(characters, RealReadings(), &plan, &error)) << error;
  ASSERT_EQ(plan.characters.size(), characters.size());
  EXPECT_EQ(plan.sounds.size(), 1221u + 26u);
  std::map<Text, Text> sound_of;
  for (const PackCharacter& c : plan.characters) sound_of[c.key] = c.sound;
  EXPECT_EQ(sound_of["张"_gbk], Text("zhang1"));
  EXPECT_EQ(sound_of["章"_gbk], Text("zhang1"));
  EXPECT_EQ(sound_of["绿"_gbk], Text("lv4"));
  EXPECT_EQ(sound_of["齄"_gbk], Text("zha1"));  // the last character of level 2
  EXPECT_EQ(sound_of[Text("w")], Text("w"));
  std::set<Text> names;
  for (const PackSound& s : plan.sounds) names.insert(s.name);
  for (const auto& [key, sound] : sound_of) EXPECT_EQ(names.count(sound), 1u) << key.ToUtf8();
}

TEST(VoicePackTest, ResamplingKeepsSpeechAndDropsWhatWouldFoldBack) {
  constexpr int kFrom = 22050;
  auto tone = [](double hz) {
    Signal s(kFrom / 4);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<float>(0.5 * std::sin(2 * M_PI * hz * i / kFrom));
    return s;
  };
  auto level = [](const Signal& s) {  // the middle, away from the edges
    double sum = 0;
    for (size_t i = s.size() / 4; i < 3 * s.size() / 4; ++i) sum += s[i] * s[i];
    return std::sqrt(sum / (s.size() / 2.0)) * std::sqrt(2.0);
  };
  Resampler resampler(kFrom, kPackSampleRate);
  Signal voice = resampler.Run(tone(1000));
  EXPECT_EQ(voice.size(), static_cast<size_t>(std::ceil(kFrom / 4.0 * kPackSampleRate / kFrom)));
  EXPECT_NEAR(level(voice), 0.5, 0.01);
  EXPECT_LT(level(resampler.Run(tone(9500))), 0.5 / 100);  // 40 dB down, not at 6.5 kHz
}

// Silence around a syllable goes; loud and soft syllables end at one level.
TEST(VoicePackTest, SoundsStartAtOnceAndAreEvenlyLoud) {
  constexpr int kRate = kPackSampleRate;
  auto syllable = [](double amplitude) {
    Signal s(kRate / 2, 0.0f);  // 100 ms silence, 300 ms voice, 100 ms silence
    for (int i = kRate / 10; i < 4 * kRate / 10; ++i) {
      s[static_cast<size_t>(i)] = static_cast<float>(amplitude * std::sin(2 * M_PI * 200 * i / kRate));
    }
    return s;
  };
  Signal loud = TrimSilence(syllable(0.9), kRate);
  Signal soft = TrimSilence(syllable(0.05), kRate);
  EXPECT_NEAR(DurationMs(loud.size(), kRate), 305, 6);  // the 5 ms lead-in
  EXPECT_EQ(loud.size(), soft.size());
  EvenLoudness(&loud, kRate);
  EvenLoudness(&soft, kRate);
  float loud_peak = 0, soft_peak = 0;
  for (size_t i = 0; i < loud.size(); ++i) {
    loud_peak = std::max(loud_peak, std::fabs(loud[i]));
    soft_peak = std::max(soft_peak, std::fabs(soft[i]));
  }
  EXPECT_NEAR(loud_peak, soft_peak, 0.001);
  EXPECT_NEAR(20 * std::log10(loud_peak / std::sqrt(2.0)), kSpeechLevelDb, 0.5);
}

class VoicepackToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rollcall-voicepack-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    pack_ = root_ + "/VoxSound.dat";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::string root_;
  std::string pack_;
};

// What a teacher's name goes through: the tool makes a pack, the program's reader loads it
// whole, and the speech module plays one sound per character, each short enough for its
// 450 ms.
TEST_F(VoicepackToolTest, SmallPackSpeaksANameAndIsNeverOverwritten) {
  const std::string characters = "张三丰章Ab";
  ASSERT_EQ(RunVoicepack({"--characters", characters, "--output", pack_}), 0);
  const Bytes made = ReadFile(pack_);

  VoiceData data = ReadVoiceData(made);
  ASSERT_EQ(data.status, VoiceFileStatus::kComplete);
  ASSERT_EQ(data.characters.size(), 6u);
  EXPECT_EQ(data.sounds.size(), 5u);  // 张 and 章 share zhang1
  EXPECT_EQ(data.characters.at("张"_gbk)->name, data.characters.at("章"_gbk)->name);
  EXPECT_EQ(data.characters.at(Text("a"))->name, Text("a"));
  for (const auto& [name, entry] : data.sounds) {
    const Bytes& wav = entry->data;
    ASSERT_GT(wav.size(), wav_format::kHeaderSize) << name.bytes();
    EXPECT_EQ(Fixed32(wav, wav_format::kSampleRateOffset), static_cast<uint32_t>(kPackSampleRate));
    const uint32_t data_bytes = Fixed32(wav, wav_format::kDataSizeOffset);
    EXPECT_EQ(data_bytes + wav_format::kHeaderSize, wav.size());
    EXPECT_LE(DurationMs(data_bytes / 2, kPackSampleRate), kMaxSoundMs) << name.bytes();
    EXPECT_GT(DurationMs(data_bytes / 2, kPackSampleRate), 100) << name.bytes();
  }

  auto log = std::make_shared<testing::FakeAudioOutput::Log>();
  auto clock = std::make_unique<testing::FakeSpeechClock>();
  testing::FakeSpeechClock* time = clock.get();
  auto speech = SpeechModule::Create(
      TextFromNativePath(root_),
      std::make_unique<testing::FakeAudioOutput>(log, [time] { return time->ElapsedMs(); }),
      std::move(clock));
  speech->PlayTextAloud("张三丰"_gbk, 55);
  std::vector<testing::PlayedSound> played = log->Snapshot();
  ASSERT_EQ(played.size(), 3u);
  EXPECT_EQ(played[1].at_ms, 450);
  EXPECT_EQ(played[0].wav, data.sounds.at(Text("zhang1"))->data);
  EXPECT_NE(played[1].wav, played[2].wav);

  // A pack cut short keeps every character and the sounds before the cut.
  Bytes cut(made.begin(), made.end() - 100);
  VoiceData partial = ReadVoiceData(cut);
  EXPECT_EQ(partial.status, VoiceFileStatus::kTruncated);
  EXPECT_EQ(partial.characters.size(), 6u);
  EXPECT_EQ(partial.sounds.size(), 4u);

  // An existing pack is left alone without --force; with it, the same input makes the
  // same bytes. Nothing is left beside the pack either way.
  ASSERT_EQ(RunVoicepack({"--characters", "李", "--output", pack_}), 1);
  EXPECT_EQ(ReadFile(pack_), made);
  ASSERT_EQ(RunVoicepack({"--characters", characters, "--output", pack_, "--force"}), 0);
  EXPECT_EQ(ReadFile(pack_), made);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_), {}), 1);

  EXPECT_EQ(RunVoicepack({"--characters", "张1", "--output", root_ + "/digit.dat"}), 1);
  EXPECT_EQ(RunVoicepack({"--characters", "张", "--output", root_ + "/no/such/folder"}), 1);
  EXPECT_EQ(RunVoicepack({"--output"}), 2);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_), {}), 1);
}

}  // namespace
}  // namespace rc
