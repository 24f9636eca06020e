#include "services/speech/speech.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/paths.h"
#include "tests/services/speech/speech_fakes.h"
#include "tests/services/speech/voice_file_builder.h"

namespace rc {
namespace {

using testing::ArchiveWriter;
using testing::Bytes;
using testing::FakeAudioOutput;
using testing::FakeSpeechClock;
using testing::SteppedSpeechClock;
using testing::VoiceFileBuilder;

// Distinct small "sounds": the module hands them to the output without looking inside.
Bytes SoundBytes(uint8_t id) { return Bytes{'W', 'A', 'V', id}; }

class SpeechTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rollcall-speech-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  void WriteVoiceFile(const Bytes& bytes) {
    std::ofstream out(root_ + "/VoxSound.dat", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  // A module on virtual time; sounds are stamped with virtual milliseconds.
  std::shared_ptr<SpeechModule> MakeModule() {
    auto clock = std::make_unique<FakeSpeechClock>();
    clock_ = clock.get();
    auto audio = std::make_unique<FakeAudioOutput>(log_, [c = clock_] { return c->ElapsedMs(); });
    audio_ = audio.get();
    return SpeechModule::Create(TextFromNativePath(root_), std::move(audio), std::move(clock));
  }

  // Which sound ids were played, in order.
  std::vector<uint8_t> PlayedIds() {
    std::vector<uint8_t> ids;
    for (const auto& p : log_->Snapshot()) ids.push_back(p.wav.size() == 4 ? p.wav[3] : 0);
    return ids;
  }
  std::vector<int64_t> PlayedTimes() {
    std::vector<int64_t> at;
    for (const auto& p : log_->Snapshot()) at.push_back(p.at_ms);
    return at;
  }

  std::string root_;
  std::shared_ptr<FakeAudioOutput::Log> log_ = std::make_shared<FakeAudioOutput::Log>();
  FakeSpeechClock* clock_ = nullptr;
  FakeAudioOutput* audio_ = nullptr;
};

// The three names of the usual test class, each with its own sound.
Bytes ThreeNamesFile() {
  return VoiceFileBuilder()
      .Character("张"_gbk, Text("zhang1"))
      .Character("王"_gbk, Text("wang2"))
      .Character("李"_gbk, Text("li3"))
      .Sound(Text("zhang1"), SoundBytes(1))
      .Sound(Text("wang2"), SoundBytes(2))
      .Sound(Text("li3"), SoundBytes(3))
      .Build();
}

TEST_F(SpeechTest, VoicedCharactersTakeTheirRateDelay) {
  WriteVoiceFile(ThreeNamesFile());
  auto speech = MakeModule();
  speech->PlayTextAloud("张王李"_gbk, 55);
  EXPECT_EQ(clock_->ElapsedMs(), 1350);
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(PlayedTimes(), (std::vector<int64_t>{0, 450, 900}));
}

TEST_F(SpeechTest, ASoundThatIsSlowToStartKeepsItsWholeTime) {
  WriteVoiceFile(ThreeNamesFile());
  auto speech = MakeModule();
  // The first sound opens the device, which takes 100 ms; the second starts 30 ms late.
  std::vector<int64_t> start_ms = {100, 30, 0};
  audio_->OnPlay([&] {
    clock_->SleepUntil(clock_->Now() + std::chrono::milliseconds(start_ms.front()));
    start_ms.erase(start_ms.begin());
  });
  speech->PlayTextAloud("张王李"_gbk, 55);
  EXPECT_EQ(PlayedTimes(), (std::vector<int64_t>{0, 550, 1030}));
  EXPECT_EQ(clock_->ElapsedMs(), 1480);
}

TEST_F(SpeechTest, WithoutAVoiceFileEveryCharacterIsSilentAndTheFileIsLookedForOnce) {
  auto speech = MakeModule();
  EXPECT_FALSE(speech->loaded());
  speech->PlayTextAloud("张王李赵"_gbk, 55);
  EXPECT_TRUE(speech->loaded());
  EXPECT_EQ(clock_->ElapsedMs(), 1600);
  EXPECT_TRUE(log_->Snapshot().empty());

  WriteVoiceFile(ThreeNamesFile());  // appears later: not read any more
  speech->PlayTextAloud("张"_gbk, 55);
  EXPECT_EQ(clock_->ElapsedMs(), 2000);
  EXPECT_TRUE(log_->Snapshot().empty());
}

TEST_F(SpeechTest, AsciiLettersAreLookedUpInLowerCase) {
  WriteVoiceFile(VoiceFileBuilder()
                     .Character(Text("a"), Text("a"))
                     .Character(Text("b"), Text("b"))
                     .Character(Text("A"), Text("upper"))
                     .Sound(Text("a"), SoundBytes(1))
                     .Sound(Text("b"), SoundBytes(2))
                     .Sound(Text("upper"), SoundBytes(9))
                     .Build());
  auto speech = MakeModule();
  speech->PlayTextAloud(Text("AB"), 55);
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(clock_->ElapsedMs(), 900);
}

TEST_F(SpeechTest, CharactersWithoutASoundPauseAndPlayNothing) {
  ArchiveWriter w;
  w.Count(5);
  w.String("张"_gbk).NewClass("CVoice").EntryFields(Text("zhang1"), Text(), {});  // 1, 2
  w.String("王"_gbk).ClassRef(1).EntryFields(Text("no-such-sound"), Text(), {});
  w.String("李"_gbk).ClassRef(1).EntryFields(Text("empty"), Text(), {});
  w.String("赵"_gbk).U16(voice_file::kNullTag);
  w.String("钱"_gbk).ClassRef(1).EntryFields(Text("nulled"), Text(), {});
  w.Count(3);
  w.String(Text("zhang1")).ClassRef(1).EntryFields(Text("zhang1"), Text(), SoundBytes(1));
  w.String(Text("empty")).ClassRef(1).EntryFields(Text("empty"), Text(), {});  // size 0.0
  w.String(Text("nulled")).U16(voice_file::kNullTag);
  WriteVoiceFile(w.bytes());
  auto speech = MakeModule();
  // voiced, space, digit, missing sound, sound without data, null entry, null sound, not in
  // the map, then a lead byte with nothing after it.
  speech->PlayTextAloud("张 3王李赵钱孙"_gbk + Text("\xB0"), 55);
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1}));
  EXPECT_EQ(clock_->ElapsedMs(), 450 + 8 * 400);
}

// A character outside GBK is a four-byte GB18030 sequence in a name: one character, looked
// up whole and paused for once. A sequence cut short at the end of the text is not one.
TEST_F(SpeechTest, FourByteCharacterIsOneCharacter) {
  const Text rare = Text::FromUtf8("\U00020BB7");       // in the map
  const Text unmapped = Text::FromUtf8("\U0002A6A5");   // not in the map
  ASSERT_EQ(rare.size(), 4u);
  ASSERT_EQ(unmapped.size(), 4u);
  WriteVoiceFile(VoiceFileBuilder()
                     .Character("张"_gbk, Text("zhang1"))
                     .Character(rare, Text("ji2"))
                     .Sound(Text("zhang1"), SoundBytes(1))
                     .Sound(Text("ji2"), SoundBytes(2))
                     .Build());
  auto speech = MakeModule();
  speech->PlayTextAloud("张"_gbk + rare + unmapped + "张"_gbk, 55);
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1, 2, 1}));
  EXPECT_EQ(PlayedTimes(), (std::vector<int64_t>{0, 450, 1300}));
  EXPECT_EQ(clock_->ElapsedMs(), 450 + 450 + 400 + 450);

  // Three bytes of a four-byte sequence: a two-byte character and a lone lead byte.
  speech->PlayTextAloud(Text(rare.bytes().substr(0, 3)), 55);
  EXPECT_EQ(clock_->ElapsedMs(), 1750 + 2 * 400);
}

class SpeechRateTest : public SpeechTest,
                       public ::testing::WithParamInterface<std::pair<int32_t, int64_t>> {};

TEST_P(SpeechRateTest, RateIsClampedIntoOneToHundred) {
  WriteVoiceFile(ThreeNamesFile());
  auto speech = MakeModule();
  speech->PlayTextAloud("张王李"_gbk, GetParam().first);
  EXPECT_EQ(clock_->ElapsedMs(), 3 * GetParam().second);
  EXPECT_EQ(PlayedIds().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Rates, SpeechRateTest,
                         ::testing::Values(std::pair<int32_t, int64_t>{-5, 990},
                                           std::pair<int32_t, int64_t>{0, 990},
                                           std::pair<int32_t, int64_t>{1, 990},
                                           std::pair<int32_t, int64_t>{99, 10},
                                           std::pair<int32_t, int64_t>{100, 0},
                                           std::pair<int32_t, int64_t>{150, 0}));

TEST_F(SpeechTest, DamagedFileVoicesWhatCouldBeRead) {
  Bytes file = ThreeNamesFile();
  file.resize(file.size() - 2);  // the last sound is cut short
  WriteVoiceFile(file);
  auto speech = MakeModule();
  speech->PlayTextAloud("张王李"_gbk, 55);
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(clock_->ElapsedMs(), 450 + 450 + 400);
}

TEST_F(SpeechTest, StopEndsTheReadingBeforeItsNextCharacter) {
  WriteVoiceFile(ThreeNamesFile());
  auto speech = MakeModule();
  audio_->OnPlay([&] {
    if (log_->played.size() == 2) speech->StopTextReading();
  });
  speech->PlayTextAloud("张王李张"_gbk, 55);
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(clock_->ElapsedMs(), 900);  // the stopped character still had its pause

  speech->PlayTextAloud("张"_gbk, 55);  // the flag stays set until a reading is started
  EXPECT_EQ(PlayedIds().size(), 2u);

  audio_->OnPlay(nullptr);
  Handle reading = speech->StartTextReading("李"_gbk, 55);  // clears it
  ASSERT_TRUE(WaitForHandle(reading));
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(SpeechTest, EmptyTextEndsAtOnceWithASignalledHandle) {
  WriteVoiceFile(ThreeNamesFile());
  auto speech = MakeModule();
  Handle reading = speech->StartTextReading(Text(), 55);
  ASSERT_TRUE(reading.valid());
  ASSERT_TRUE(WaitForHandle(reading));
  EXPECT_EQ(clock_->ElapsedMs(), 0);
  EXPECT_TRUE(log_->Snapshot().empty());
  EXPECT_TRUE(speech->loaded());
}

// Readings started together, before anything is loaded, each read their own text.
TEST_F(SpeechTest, ReadingsStartedTogetherEachReadTheirOwnText) {
  WriteVoiceFile(ThreeNamesFile());
  auto audio = std::make_unique<FakeAudioOutput>(log_, [] { return int64_t{0}; });
  auto speech =
      SpeechModule::Create(TextFromNativePath(root_), std::move(audio), CreateSteadySpeechClock());
  std::vector<Handle> readings;
  for (int round = 0; round < 4; ++round) {
    for (const char* name : {"张", "王", "李"}) {
      readings.push_back(speech->StartTextReading(Text::FromUtf8(name), 100));
    }
  }
  for (Handle& h : readings) ASSERT_TRUE(WaitForHandle(h));
  std::vector<uint8_t> ids = PlayedIds();
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<uint8_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}));
}

// Two readings that overlap: the newer does not stop the older, and both run to their end.
// Both run on one virtual time that moves on only once each has gone to sleep or ended, so
// their sounds interleave exactly as they would on an idle machine.
TEST_F(SpeechTest, OverlappingReadingsBothRunToTheirEnd) {
  WriteVoiceFile(ThreeNamesFile());
  auto stepped = std::make_unique<SteppedSpeechClock>(/*pauses_per_reading=*/3);
  SteppedSpeechClock* clock = stepped.get();
  auto audio = std::make_unique<FakeAudioOutput>(log_, [clock] { return clock->ElapsedMs(); });
  auto speech =
      SpeechModule::Create(TextFromNativePath(root_), std::move(audio), std::move(stepped));
  speech->LoadVoiceData();
  Handle first = speech->StartTextReading("张张张"_gbk, 55);
  ASSERT_TRUE(clock->WaitUntilSettled(1));
  clock->AdvanceTo(200);
  Handle second = speech->StartTextReading("李李李"_gbk, 55);
  ASSERT_TRUE(clock->WaitUntilSettled(2));
  while (std::optional<int64_t> next = clock->NextWakeMs()) {
    clock->AdvanceTo(*next);
    ASSERT_TRUE(clock->WaitUntilSettled(2)) << "at " << *next << " ms";
  }
  ASSERT_TRUE(WaitForHandle(first));
  ASSERT_TRUE(WaitForHandle(second));
  const std::vector<int64_t> ends = clock->EndsMs();
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_EQ(ends[0], 1350);
  EXPECT_EQ(ends[1], 1550);
  // Each reading played all its sounds, and the second began long before the first had
  // ended (they ran side by side, the second was not made to wait).
  EXPECT_EQ(PlayedIds(), (std::vector<uint8_t>{1, 3, 1, 3, 1, 3}));
  EXPECT_EQ(PlayedTimes(), (std::vector<int64_t>{0, 200, 450, 650, 900, 1100}));
}

}  // namespace
}  // namespace rc
