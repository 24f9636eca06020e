// Damaged voice files, made deterministically: every truncation and, at every byte, four
// kinds of flip. None may crash, hang or allocate beyond the file; whatever is read is
// handed to the real sound device's decoder (dummy driver) and to a reading.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "core/paths.h"
#include "services/speech/audio_output.h"
#include "services/speech/speech.h"
#include "services/speech/voice_file.h"
#include "tests/services/speech/speech_fakes.h"
#include "tests/services/speech/voice_file_builder.h"

namespace rc {
namespace {

using testing::ArchiveWriter;
using testing::Bytes;
using testing::MakeToneWav;
using Form = ArchiveWriter::Form;

// A small file that uses every tag and length form the reader knows.
Bytes SeedFile() {
  ArchiveWriter w;
  w.Count(5);
  w.String(Text("a")).NewClass("CVoiceEntry").EntryFields(Text("s1"), Text("x"), {});  // 1, 2
  w.String("张"_gbk).ClassRef(1).EntryFields(Text("s2"), Text(), {});                  // 3
  w.UnicodeString(u"\u738b").ClassRef(1).EntryFields(Text("s3"), Text(), {});          // 4 王
  w.String(Text("b")).ObjectRef(2);
  w.String(Text("c")).U16(voice_file::kNullTag);
  w.Count(3, Form::k32);
  w.String(Text("s1")).U16(voice_file::kBigObjectTag).U32(voice_file::kBigClassTag | 1);
  w.EntryFields(Text("s1"), Text(), MakeToneWav(500, 10, 8000, 8, 1));
  w.String(Text("s2"), Form::k16).ClassRef(1).EntryFields(Text("s2"), Text(), MakeToneWav(700, 10, 8000, 16, 1));
  w.String(Text("s3")).ClassRef(1).EntryFields(Text("s3"), Text(), MakeToneWav(900, 5, 8000, 32, 1));
  return w.bytes();
}

// The bytes held by the distinct entries of both maps.
uint64_t HeldBytes(const VoiceData& data) {
  std::set<const VoiceEntry*> seen;
  uint64_t total = 0;
  for (const VoiceMap* map : {&data.characters, &data.sounds}) {
    for (const auto& [key, entry] : *map) {
      if (entry && seen.insert(entry.get()).second) {
        total += entry->data.size() + entry->name.size() + entry->second_text.size();
      }
      total += key.size();
    }
  }
  return total;
}

class VoiceFileMutationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    audio_ = CreateSdlAudioOutput();
    seed_ = SeedFile();
    original_ = ReadVoiceData(seed_);
    ASSERT_EQ(original_.status, VoiceFileStatus::kComplete);
    ASSERT_EQ(original_.sounds.size(), 3u);
  }

  // Reads a mutant and plays every sound it holds.
  VoiceData Check(const Bytes& mutant) {
    VoiceData data = ReadVoiceData(mutant);
    EXPECT_LE(HeldBytes(data), 2 * mutant.size());  // UTF-16 keys may double in GBK at most
    for (const auto& [name, entry] : data.sounds) {
      if (entry && !entry->data.empty()) audio_->Play(entry->data);
    }
    return data;
  }

  std::unique_ptr<AudioOutput> audio_;
  Bytes seed_;
  VoiceData original_;
};

TEST_F(VoiceFileMutationTest, TruncationsKeepOnlyWholeEntries) {
  for (size_t n = 0; n < seed_.size(); ++n) {
    SCOPED_TRACE(n);
    VoiceData data = Check(Bytes(seed_.begin(), seed_.begin() + static_cast<ptrdiff_t>(n)));
    EXPECT_EQ(data.status, VoiceFileStatus::kTruncated);
    for (const auto& [maps, originals] :
         {std::pair{&data.characters, &original_.characters}, std::pair{&data.sounds, &original_.sounds}}) {
      for (const auto& [key, entry] : *maps) {
        ASSERT_EQ(originals->count(key), 1u);
        const auto& want = originals->at(key);
        ASSERT_EQ(entry == nullptr, want == nullptr);
        if (!entry) continue;
        EXPECT_EQ(entry->name, want->name);
        EXPECT_EQ(entry->data, want->data);
      }
    }
  }
}

TEST_F(VoiceFileMutationTest, ByteFlipsNeverCrashOrOverAllocate) {
  for (size_t i = 0; i < seed_.size(); ++i) {
    for (int kind = 0; kind < 4; ++kind) {
      Bytes mutant = seed_;
      switch (kind) {
        case 0: mutant[i] ^= 0x01; break;
        case 1: mutant[i] ^= 0x80; break;
        case 2: mutant[i] = 0x00; break;
        default: mutant[i] = 0xFF; break;
      }
      SCOPED_TRACE(::testing::Message() << "byte " << i << " kind " << kind);
      Check(mutant);
    }
  }
}

// Damaged files through the whole module: each reading ends, with its timing.
TEST_F(VoiceFileMutationTest, ReadingsOfDamagedFilesEnd) {
  char pattern[] = "/tmp/rollcall-mutation-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string root = pattern;
  auto log = std::make_shared<testing::FakeAudioOutput::Log>();
  for (size_t i = 0; i < seed_.size(); i += 3) {
    Bytes mutant = seed_;
    mutant[i] ^= 0xFF;
    mutant.resize(seed_.size() - i / 7);
    {
      std::ofstream out(root + "/VoxSound.dat", std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(mutant.data()), static_cast<std::streamsize>(mutant.size()));
    }
    auto clock = std::make_unique<testing::FakeSpeechClock>();
    testing::FakeSpeechClock* time = clock.get();
    auto speech = SpeechModule::Create(TextFromNativePath(root),
                                       std::make_unique<testing::FakeAudioOutput>(log, [] { return int64_t{0}; }),
                                       std::move(clock));
    speech->PlayTextAloud("ab张王c"_gbk, 55);
    // Five characters, each either voiced (450 ms) or silent (400 ms).
    EXPECT_GE(time->ElapsedMs(), 5 * 400);
    EXPECT_LE(time->ElapsedMs(), 5 * 450);
  }
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace rc
