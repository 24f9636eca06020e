#include "services/speech/voice_file.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>

#include "core/paths.h"
#include "tests/services/speech/voice_file_builder.h"

namespace rc {
namespace {

using testing::ArchiveWriter;
using testing::Bytes;
using testing::MakeToneWav;
using testing::VoiceFileBuilder;
using Form = ArchiveWriter::Form;

const VoiceEntry* Find(const VoiceMap& map, const Text& key) {
  auto it = map.find(key);
  return it == map.end() ? nullptr : it->second.get();
}

TEST(VoiceFileTest, ReadsBothMapsAsTheRecordingToolWritesThem) {
  Bytes wav1 = MakeToneWav(440, 20);
  Bytes wav2 = MakeToneWav(880, 30, 8000, 8);
  Bytes file = VoiceFileBuilder()
                   .Character("张"_gbk, Text("zhang1"))
                   .Character(Text("a"), Text("a1"))
                   .Sound(Text("zhang1"), wav1)
                   .Sound(Text("a1"), wav2)
                   .Build();
  VoiceData data = ReadVoiceData(file);
  EXPECT_EQ(data.status, VoiceFileStatus::kComplete);
  ASSERT_EQ(data.characters.size(), 2u);
  ASSERT_EQ(data.sounds.size(), 2u);
  ASSERT_NE(Find(data.characters, "张"_gbk), nullptr);
  EXPECT_EQ(Find(data.characters, "张"_gbk)->name, Text("zhang1"));
  EXPECT_TRUE(Find(data.characters, "张"_gbk)->data.empty());
  ASSERT_NE(Find(data.sounds, Text("a1")), nullptr);
  EXPECT_EQ(Find(data.sounds, Text("a1"))->data, wav2);
  EXPECT_EQ(Find(data.sounds, Text("a1"))->second_text, Text("wav"));
  EXPECT_EQ(Find(data.sounds, Text("a1"))->size, static_cast<double>(wav2.size()));
  EXPECT_EQ(Find(data.sounds, Text("zhang1"))->data, wav1);
}

TEST(VoiceFileTest, ReadsEveryLengthAndCountForm) {
  const Text long300(std::string(300, 'x'));
  const Text long70000(std::string(70000, 'y'));
  const Text long_fffd(std::string(0xFFFD, 'd'));
  const Text long_fffe(std::string(0xFFFE, 'e'));
  ArchiveWriter w;
  w.Count(8, Form::k32);  // a 32-bit count in a file this small
  w.String(Text("k16"), Form::k16).NewClass("CVoice").EntryFields(long300, Text(), {});
  w.String(Text("k32"), Form::k32).ClassRef(1).EntryFields(long70000, Text(), {});
  w.String(Text("k64"), Form::k64).ClassRef(1).EntryFields(Text("n"), Text(), {});
  w.UnicodeString(u"\u5f20").ClassRef(1).EntryFields(Text("u"), Text(), {});  // 张
  w.UnicodeString(u"AB", Form::k32).ClassRef(1).EntryFields(Text("u2"), Text(), {});
  w.String(Text()).ClassRef(1).EntryFields(Text("empty"), Text(), {});
  // Lengths at the edge of the 16-bit form: FFFD is written in it, FFFE in the 32-bit form
  // (a 16-bit FFFE would be the Unicode marker).
  w.String(long_fffd).ClassRef(1).EntryFields(Text("fffd"), Text(), {});
  w.String(long_fffe).ClassRef(1).EntryFields(Text("fffe"), Text(), {});
  w.Count(1, Form::k64);
  w.String(long300).ClassRef(1).EntryFields(Text("s"), Text("z"), Bytes{1, 2, 3});

  VoiceData data = ReadVoiceData(w.bytes());
  EXPECT_EQ(data.status, VoiceFileStatus::kComplete);
  ASSERT_EQ(data.characters.size(), 8u);
  EXPECT_EQ(Find(data.characters, long_fffd)->name, Text("fffd"));
  ASSERT_NE(Find(data.characters, long_fffe), nullptr);
  EXPECT_EQ(Find(data.characters, long_fffe)->name, Text("fffe"));
  EXPECT_EQ(Find(data.characters, Text("k16"))->name, long300);
  EXPECT_EQ(Find(data.characters, Text("k32"))->name, long70000);
  EXPECT_EQ(Find(data.characters, Text("k64"))->name, Text("n"));
  ASSERT_NE(Find(data.characters, "张"_gbk), nullptr);  // UTF-16 keys arrive as GBK
  EXPECT_EQ(Find(data.characters, "张"_gbk)->name, Text("u"));
  EXPECT_EQ(Find(data.characters, Text("AB"))->name, Text("u2"));
  EXPECT_EQ(Find(data.characters, Text())->name, Text("empty"));
  ASSERT_EQ(data.sounds.size(), 1u);
  EXPECT_EQ(Find(data.sounds, long300)->data, (Bytes{1, 2, 3}));
}

TEST(VoiceFileTest, FollowsClassAndObjectReferences) {
  ArchiveWriter w;
  w.Count(4);
  w.String(Text("a")).NewClass("CVoice").EntryFields(Text("s1"), Text(), {});  // class 1, object 2
  w.String(Text("b")).ObjectRef(2);                       // the same object again
  w.String(Text("c")).U16(voice_file::kNullTag);          // the null object
  w.String(Text("d")).U16(voice_file::kBigObjectTag).U32(2);  // object 2 through a big tag
  w.Count(2);
  w.String(Text("s1")).U16(voice_file::kBigObjectTag).U32(voice_file::kBigClassTag | 1);
  w.EntryFields(Text("s1"), Text(), Bytes{9});  // object 3
  w.String(Text("s2")).NewClass("COther", 7).EntryFields(Text("s2"), Text(), {});  // 4, 5
  VoiceData data = ReadVoiceData(w.bytes());
  EXPECT_EQ(data.status, VoiceFileStatus::kComplete);
  ASSERT_EQ(data.characters.size(), 4u);
  EXPECT_EQ(data.characters.at(Text("a")), data.characters.at(Text("b")));
  EXPECT_EQ(data.characters.at(Text("a")), data.characters.at(Text("d")));
  EXPECT_EQ(data.characters.at(Text("c")), nullptr);
  EXPECT_EQ(Find(data.sounds, Text("s1"))->data, Bytes{9});
  EXPECT_EQ(Find(data.sounds, Text("s2"))->name, Text("s2"));
}

TEST(VoiceFileTest, ZeroAndFractionalSizesHoldNoData) {
  ArchiveWriter w;
  w.Count(0).Count(3);
  w.String(Text("a")).NewClass("C").String(Text("a")).String(Text()).Double(0.0);
  w.String(Text("b")).ClassRef(1).String(Text("b")).String(Text()).Double(-0.0);
  w.String(Text("c")).ClassRef(1).String(Text("c")).String(Text()).Double(2.9).Raw(Bytes{7, 8});
  VoiceData data = ReadVoiceData(w.bytes());
  EXPECT_EQ(data.status, VoiceFileStatus::kComplete);
  EXPECT_TRUE(Find(data.sounds, Text("a"))->data.empty());
  EXPECT_TRUE(Find(data.sounds, Text("b"))->data.empty());
  EXPECT_EQ(Find(data.sounds, Text("c"))->data, (Bytes{7, 8}));  // the size is truncated
}

// A damaged file keeps what was read completely before the damage.
struct DamageCase {
  const char* name;
  void (*write_damage)(ArchiveWriter&);  // written as the sound map's second entry
  VoiceFileStatus status;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class VoiceFileDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(VoiceFileDamageTest, KeepsWhatCameBefore) {
  ArchiveWriter w;
  w.Count(1).String(Text("a")).NewClass("CVoice").EntryFields(Text("s1"), Text(), {});  // 1, 2
  w.Count(0xFFFFFFF0);  // far more entries than the file holds
  w.String(Text("s1")).ClassRef(1).EntryFields(Text("s1"), Text(), Bytes{1, 2});  // 3
  GetParam().write_damage(w);
  w.Raw(Bytes(16, 0xAB));  // some bytes after the damage

  VoiceData data = ReadVoiceData(w.bytes());
  EXPECT_EQ(data.status, GetParam().status);
  EXPECT_EQ(data.characters.size(), 1u);
  ASSERT_EQ(data.sounds.size(), 1u);
  EXPECT_EQ(Find(data.sounds, Text("s1"))->data, (Bytes{1, 2}));
}

void Entry(ArchiveWriter& w, double size) {
  w.String(Text("s2")).ClassRef(1).String(Text("s2")).String(Text()).Double(size);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VoiceFileDamageTest,
    ::testing::Values(
        DamageCase{"HugeSize", [](ArchiveWriter& w) { Entry(w, 1e300); },
                   VoiceFileStatus::kTruncated},
        DamageCase{"SizePastTheEnd", [](ArchiveWriter& w) { Entry(w, 17.0); },
                   VoiceFileStatus::kTruncated},
        DamageCase{"InfiniteSize",
                   [](ArchiveWriter& w) { Entry(w, std::numeric_limits<double>::infinity()); },
                   VoiceFileStatus::kTruncated},
        DamageCase{"NegativeSize", [](ArchiveWriter& w) { Entry(w, -1.0); },
                   VoiceFileStatus::kBadSize},
        DamageCase{"NotANumberSize", [](ArchiveWriter& w) { Entry(w, std::nan("")); },
                   VoiceFileStatus::kBadSize},
        DamageCase{"HugeStringLength",
                   [](ArchiveWriter& w) { w.Length(uint64_t{1} << 62, Form::k64); },
                   VoiceFileStatus::kTruncated},
        DamageCase{"HugeUnicodeLength",
                   [](ArchiveWriter& w) {
                     w.U8(0xFF).U16(voice_file::kUnicodeMarker).U8(0xFF).U16(0xFFFF);
                     w.U32(0xFFFFFFF0);
                   },
                   VoiceFileStatus::kTruncated},
        DamageCase{"UnknownClassIndex",
                   [](ArchiveWriter& w) { w.String(Text("s2")).ClassRef(40); },
                   VoiceFileStatus::kBadIndex},
        DamageCase{"NullClassIndex", [](ArchiveWriter& w) { w.String(Text("s2")).ClassRef(0); },
                   VoiceFileStatus::kBadIndex},
        DamageCase{"ClassIndexOfAnObject",
                   [](ArchiveWriter& w) { w.String(Text("s2")).ClassRef(2); },
                   VoiceFileStatus::kBadClass},
        DamageCase{"ObjectIndexOfAClass",
                   [](ArchiveWriter& w) { w.String(Text("s2")).ObjectRef(1); },
                   VoiceFileStatus::kBadClass},
        DamageCase{"UnknownBigObjectIndex",
                   [](ArchiveWriter& w) { w.String(Text("s2")).ObjectRef(0x7FFFFFFF); },
                   VoiceFileStatus::kBadIndex},
        DamageCase{"ClassNameTooLong",
                   [](ArchiveWriter& w) { w.String(Text("s2")).NewClass(std::string(64, 'C')); },
                   VoiceFileStatus::kBadClass}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VoiceFileTest, DamageInTheCharacterMapLeavesTheSoundMapEmpty) {
  Bytes file = VoiceFileBuilder()
                   .Character(Text("a"), Text("s1"))
                   .Character(Text("b"), Text("s2"))
                   .Sound(Text("s1"), Bytes{1})
                   .Build();
  // Cut inside the second character entry: the first is kept, nothing else.
  Bytes cut(file.begin(), file.begin() + 36);
  VoiceData data = ReadVoiceData(cut);
  EXPECT_EQ(data.status, VoiceFileStatus::kTruncated);
  EXPECT_EQ(data.characters.size(), 1u);
  EXPECT_TRUE(data.sounds.empty());
  EXPECT_EQ(ReadVoiceData(Bytes{}).status, VoiceFileStatus::kTruncated);
}

// A sound larger than any character needs, or larger than memory can hold at the moment, is
// passed over and read as absent, references to it too; reading goes on after it. A string
// that memory cannot hold ends the reading. The file is sparse: it claims far more than it
// takes on disk.
TEST(VoiceFileTest, SoundsTooLargeAreAbsentAndMemoryThatRunsOutIsNoCrash) {
  constexpr uint64_t kMid = 64 << 20;  // below the cap, above what the child may take
  char pattern[] = "/tmp/rollcall-voice-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string native = std::string(pattern) + "/VoxSound.dat";
  std::ofstream out(native, std::ios::binary);
  auto write = [&out](ArchiveWriter& w, uint64_t hole) {
    out.write(reinterpret_cast<const char*>(w.bytes().data()),
              static_cast<std::streamsize>(w.size()));
    out.seekp(static_cast<std::streamoff>(hole), std::ios::cur);
    w = ArchiveWriter();
  };
  auto sound = [](ArchiveWriter& w, const char* name, uint64_t size) {
    w.String(Text(name)).ClassRef(1).String(Text(name)).String(Text()).Double(double(size));
  };
  ArchiveWriter w;
  w.Count(1).String(Text("a")).NewClass("CVoice").EntryFields(Text("big"), Text(), {});
  w.Count(5);
  sound(w, "big", voice_file::kMaxSoundBytes + 1);  // object 3
  write(w, voice_file::kMaxSoundBytes + 1);
  w.String(Text("again")).ObjectRef(3);
  w.String(Text("small")).ClassRef(1).EntryFields(Text("small"), Text(), Bytes{7});
  sound(w, "mid", kMid);
  write(w, kMid);
  w.Length(kMid, Form::k64);  // the next key: a string as long
  write(w, 0);
  out.close();
  std::filesystem::resize_file(native, std::filesystem::file_size(native) + kMid);
  const Text path = TextFromNativePath(native);

  VoiceData data = LoadVoiceFile(path);
  EXPECT_EQ(data.status, VoiceFileStatus::kTruncated);  // after the long string
  EXPECT_EQ(data.sounds.size(), 4u);
  EXPECT_EQ(data.sounds.at(Text("big")), nullptr);
  EXPECT_EQ(data.sounds.at(Text("again")), nullptr);
  EXPECT_EQ(Find(data.sounds, Text("small"))->data, Bytes{7});
  EXPECT_EQ(Find(data.sounds, Text("mid"))->data.size(), kMid);
#if !defined(__SANITIZE_ADDRESS__)  // which needs an address space without limits
  // In a child process, with 32 MB of address space to spare.
  auto read_with_little_memory = [&path] {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                        (rlim_t{32} << 20);
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::exit(2);
    VoiceData d = LoadVoiceFile(path);
    const VoiceEntry* small = Find(d.sounds, Text("small"));
    std::exit(d.status == VoiceFileStatus::kNoMemory && d.sounds.size() == 4 &&
                      d.sounds.at(Text("mid")) == nullptr && small && small->data == Bytes{7}
                  ? 0
                  : 1);
  };
  EXPECT_EXIT(read_with_little_memory(), ::testing::ExitedWithCode(0), "");
#endif
  std::filesystem::remove_all(pattern);
}

TEST(VoiceFileTest, LoadsThroughThePathLayer) {
  char pattern[] = "/tmp/rollcall-voice-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  std::string root = pattern;
  Bytes file = VoiceFileBuilder().Character(Text("a"), Text("s")).Sound(Text("s"), Bytes{5}).Build();
  {
    std::ofstream out(root + "/voxsound.DAT", std::ios::binary);  // the name in another case
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  }
  VoiceData data = LoadVoiceFile(TextFromNativePath(root) + Text("\\VoxSound.dat"));
  EXPECT_EQ(data.status, VoiceFileStatus::kComplete);
  EXPECT_EQ(Find(data.sounds, Text("s"))->data, Bytes{5});

  data = LoadVoiceFile(TextFromNativePath(root) + Text("\\nothing.dat"));
  EXPECT_EQ(data.status, VoiceFileStatus::kMissing);
  EXPECT_TRUE(data.characters.empty());
  // Neither a folder nor a pipe (which would wait for a writer) nor a device is read.
  ASSERT_EQ(mkfifo((root + "/fifo.dat").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", (root + "/zero.dat").c_str()), 0);
  for (const char* name : {"", "\\fifo.dat", "\\zero.dat"}) {
    data = LoadVoiceFile(TextFromNativePath(root) + Text(name));
    EXPECT_EQ(data.status, VoiceFileStatus::kMissing) << name;
    EXPECT_TRUE(data.characters.empty());
  }
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace rc
