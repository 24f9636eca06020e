// The sound device through SDL's disk driver, which writes what the device plays to a raw
// file in real time (44100 Hz, signed 16-bit, mono: the device format), and through its
// dummy driver. These tests run on a shared machine under sanitizers, beside other tests:
// nothing here may depend on being scheduled promptly. So wall time is only ever a lower
// bound, or a deadline far beyond any delay; a reading's schedule is checked from the
// moments it asked to sleep until, and what was heard from the driver's file. The exact
// delays are checked on virtual time in speech_test.cpp; the benchmark measures them.
#include <signal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <fstream>

#include "core/clock.h"
#include "core/paths.h"
#include "core/program_location.h"
#include "services/speech/audio_output.h"
#include "services/speech/speech.h"
#include "tests/services/speech/speech_fakes.h"
#include "tests/services/speech/voice_file_builder.h"
#include "tests/working_folder_guard.h"

namespace rc {
namespace {

using testing::Bytes;
using testing::MakeToneWav;
using testing::MsSince;
using testing::RecordingSpeechClock;
using testing::VoiceFileBuilder;

constexpr int kDiskRate = 44100;
constexpr int kFrameMs = 10;
constexpr int kFrameSamples = kDiskRate * kFrameMs / 1000;
// A reading that takes this much longer than its schedule waits for something it should
// not (a second reading, a missing device) and would never end; no load delays it so long.
constexpr int64_t kHangMs = 30000;

// Waits until the disk driver's file holds `ms` of output. The driver writes silence when
// nothing plays and never runs ahead of real time, so once the file holds `ms` past the
// moment a sound was queued, the sound has reached it. Polls against a deadline.
bool WaitForOutput(const std::string& raw_path, int64_t ms) {
  // A little more for the stdio buffer in front of the file and the buffer in the device.
  const std::uintmax_t bytes = static_cast<std::uintmax_t>(ms + 150) * kDiskRate / 1000 * 2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(raw_path, error);
    if (!error && size >= bytes) return true;
    SleepMs(20);
  }
  return false;
}

// A stretch of the output in which one tone sounds.
struct ToneRun {
  int start_ms;
  int length_ms;
  double hz;
};

// Splits the disk driver's output into runs of 10 ms frames that sound with about the same
// frequency (from zero crossings). Runs shorter than 30 ms (switches) are dropped.
std::vector<ToneRun> ToneRuns(const std::string& raw_path) {
  std::ifstream in(raw_path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                      (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  // Frames that follow each other with about the same frequency form a run; a run's
  // frequency is the median of its frames, so a frame at a switch does not count.
  std::vector<ToneRun> runs;
  std::vector<double> frames;
  auto median = [](std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
  };
  for (size_t f = 0; f + kFrameSamples <= samples.size(); f += kFrameSamples) {
    int peak = 0, crossings = 0;
    for (size_t i = f; i < f + kFrameSamples; ++i) {
      peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
      if (i > f && (samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
    }
    double hz = peak < 2000 ? 0.0 : crossings * 1000.0 / (2.0 * kFrameMs);
    int at = static_cast<int>(f / kFrameSamples) * kFrameMs;
    if (!runs.empty() && std::abs(runs.back().hz - hz) <= 0.2 * std::max(hz, 1.0)) {
      runs.back().length_ms += kFrameMs;
      frames.push_back(hz);
      runs.back().hz = median(frames);
    } else {
      runs.push_back({at, kFrameMs, hz});
      frames.assign(1, hz);
    }
  }
  std::vector<ToneRun> sounding;
  for (const ToneRun& r : runs) {
    if (r.hz == 0.0 || r.length_ms < 30) continue;
    if (!sounding.empty() && std::abs(sounding.back().hz - r.hz) <= 0.2 * r.hz) {
      sounding.back().length_ms = r.start_ms + r.length_ms - sounding.back().start_ms;
    } else {
      sounding.push_back(r);
    }
  }
  return sounding;
}

std::string Describe(const std::vector<ToneRun>& runs) {
  std::string s;
  for (const ToneRun& r : runs) {
    s += std::to_string(r.start_ms) + "ms +" + std::to_string(r.length_ms) + "ms " +
         std::to_string(static_cast<int>(r.hz)) + "Hz; ";
  }
  return s;
}

class SdlAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rollcall-sdl-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    raw_path_ = root_ + "/out.raw";
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // SDL reads these when its audio starts, which is when an output plays its first sound.
  void UseDriver(const char* driver) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", raw_path_.c_str(), 1);
  }

  void WriteVoiceFile(const Bytes& bytes) {
    std::ofstream out(root_ + "/VoxSound.dat", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  // A module on the steady clock, noting its readings' schedules in `clock_`.
  std::shared_ptr<SpeechModule> MakeModule() {
    auto clock = std::make_unique<RecordingSpeechClock>(CreateSteadySpeechClock());
    clock_ = clock.get();
    return SpeechModule::Create(TextFromNativePath(root_), CreateSdlAudioOutput(),
                                std::move(clock));
  }

  // Checks that one reading's schedule held `pauses` pauses of at least `pause_ms` each,
  // one after the other: a late thread moves a pause's end later, never earlier.
  void ExpectPausesOfAtLeast(size_t pauses, int64_t pause_ms) {
    std::vector<int64_t> wakes = clock_->WakeMs();
    ASSERT_EQ(wakes.size(), pauses);
    int64_t previous = 0;
    for (int64_t wake : wakes) {
      EXPECT_GE(wake - previous, pause_ms) << "pause ending at " << wake << " ms";
      previous = wake;
    }
  }

  std::string root_;
  std::string raw_path_;
  RecordingSpeechClock* clock_ = nullptr;
};

TEST_F(SdlAudioTest, ReadingPlaysEachSoundOnTheDevice) {
  UseDriver("disk");
  // Three formats: 16-bit mono 22050 Hz, 8-bit stereo 11025 Hz, float mono 48000 Hz.
  WriteVoiceFile(VoiceFileBuilder()
                     .Character("张"_gbk, Text("zhang1"))
                     .Character("王"_gbk, Text("wang2"))
                     .Character("李"_gbk, Text("li3"))
                     .Sound(Text("zhang1"), MakeToneWav(440, 200, 22050, 16, 1))
                     .Sound(Text("wang2"), MakeToneWav(660, 200, 11025, 8, 2))
                     .Sound(Text("li3"), MakeToneWav(880, 200, 48000, 32, 1))
                     .Build());
  auto speech = MakeModule();
  speech->LoadVoiceData();
  const auto start = std::chrono::steady_clock::now();
  speech->PlayTextAloud("张王李"_gbk, 55);
  const int64_t elapsed = MsSince(start);
  // The reading returned only after its sounds and pauses: 3 × 450 ms of schedule.
  EXPECT_GE(elapsed, 1350);
  EXPECT_LT(elapsed, 1350 + kHangMs);
  ExpectPausesOfAtLeast(3, 450);
  ASSERT_TRUE(WaitForOutput(raw_path_, elapsed + 200));  // the last sound plays on
  speech.reset();  // closes the device, so the file is complete

  std::vector<ToneRun> runs = ToneRuns(raw_path_);
  SCOPED_TRACE(Describe(runs));
  ASSERT_EQ(runs.size(), 3u);
  const double expected_hz[] = {440, 660, 880};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(runs[i].hz, expected_hz[i], 0.15 * expected_hz[i]);
    // Each played whole: the samples are in the file whatever the scheduling, so only
    // the 10 ms frames blur the length. A converter that keeps back the end of a sound
    // (20 to 40 ms at these rates) fails here.
    EXPECT_NEAR(runs[i].length_ms, 200, 15);
  }
}

TEST_F(SdlAudioTest, OverlappingReadingsCutEachOtherOff) {
  UseDriver("disk");
  // Sounds much longer than the pause, so each new one must cut the previous one off. Each
  // of the six has a tone of its own, far enough from the others that two sounds in a row
  // never read as one run, whichever reading a late thread lets play next.
  constexpr int kSoundMs = 3000;
  const char* const letters[] = {"a", "b", "c", "d", "e", "f"};
  const double tones[] = {500, 700, 980, 1370, 1920, 2690};
  VoiceFileBuilder voices;
  for (size_t i = 0; i < 6; ++i) {
    const Text code("tone" + std::to_string(i));
    voices.Character(Text(letters[i]), code).Sound(code, MakeToneWav(tones[i], kSoundMs));
  }
  WriteVoiceFile(voices.Build());
  auto speech = MakeModule();
  speech->LoadVoiceData();
  const auto start = std::chrono::steady_clock::now();
  Handle first = speech->StartTextReading(Text("abc"), 55);
  SleepMs(200);
  Handle second = speech->StartTextReading(Text("def"), 55);
  ASSERT_TRUE(WaitForHandle(first));
  ASSERT_TRUE(WaitForHandle(second));
  const int64_t elapsed = MsSince(start);
  EXPECT_GE(elapsed, 1550);  // both ran to their end
  EXPECT_EQ(clock_->WakeMs().size(), 6u);
  ASSERT_TRUE(WaitForOutput(raw_path_, elapsed + kSoundMs));
  speech.reset();

  // On time: a, d, b, e, c, f, each cut off by the next, at most 450 ms later, and f whole.
  // A late thread may change the order or the moments, and a sound cut within 30 ms of its
  // start is not heard; but only a stall of seconds could let a sound that others follow
  // play whole, and a sound is never heard twice.
  std::vector<ToneRun> runs = ToneRuns(raw_path_);
  SCOPED_TRACE(Describe(runs));
  ASSERT_GE(runs.size(), 2u);
  std::vector<size_t> heard;
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(i);
    const size_t sound = static_cast<size_t>(
        std::min_element(std::begin(tones), std::end(tones),
                         [&](double a, double b) {
                           return std::abs(runs[i].hz - a) < std::abs(runs[i].hz - b);
                         }) - std::begin(tones));
    ASSERT_NEAR(runs[i].hz, tones[sound], 0.15 * tones[sound]);
    EXPECT_EQ(std::count(heard.begin(), heard.end(), sound), 0);
    heard.push_back(sound);
    if (i + 1 < runs.size()) {
      EXPECT_LT(runs[i].length_ms, kSoundMs - 100);  // cut off, not played whole
    }
  }
  EXPECT_TRUE(std::any_of(heard.begin(), heard.end(), [](size_t s) { return s < 3; }) &&
              std::any_of(heard.begin(), heard.end(), [](size_t s) { return s >= 3; }))
      << "both readings are heard";
  EXPECT_NEAR(runs.back().length_ms, kSoundMs, 100);
}

TEST_F(SdlAudioTest, PlaysWavImagesOfEveryCommonFormatAndSkipsBrokenOnes) {
  UseDriver("dummy");
  auto audio = CreateSdlAudioOutput();
  EXPECT_TRUE(audio->Play(MakeToneWav(440, 50, 8000, 8, 1)));
  EXPECT_TRUE(audio->Play(MakeToneWav(440, 50, 11025, 8, 2)));
  EXPECT_TRUE(audio->Play(MakeToneWav(440, 50, 44100, 16, 2)));
  EXPECT_TRUE(audio->Play(MakeToneWav(440, 50, 96000, 32, 1)));
  EXPECT_TRUE(audio->Play(MakeToneWav(440, 0)));  // no samples at all: silence
  Bytes wav = MakeToneWav(440, 50);
  EXPECT_FALSE(audio->Play(Bytes{}));
  EXPECT_FALSE(audio->Play(Bytes(wav.begin(), wav.begin() + 30)));  // cut inside the header
  Bytes garbage(1000, 0x5A);
  EXPECT_FALSE(audio->Play(garbage));
  for (uint32_t rate : {0u, 10u, 0x7FFFFFFFu, 0xFFFFFD66u}) {  // absurd rates, even negative
    Bytes odd = wav;
    for (int i = 0; i < 4; ++i) odd[24 + i] = static_cast<uint8_t>(rate >> (8 * i));
    EXPECT_FALSE(audio->Play(odd)) << rate;
  }
  wav[20] = 0x77;  // an unknown encoding
  EXPECT_FALSE(audio->Play(wav));
}

// Opening the device must not take the termination signals away from the program: it must
// still end when the session or a kill asks it to.
TEST_F(SdlAudioTest, OpeningTheDeviceLeavesTheTerminationSignalsAlone) {
  UseDriver("dummy");
  auto audio = CreateSdlAudioOutput();
  ASSERT_TRUE(audio->Play(MakeToneWav(440, 20)));
  for (int signal_number : {SIGTERM, SIGINT}) {
    struct sigaction action {};
    ASSERT_EQ(sigaction(signal_number, nullptr, &action), 0);
    EXPECT_EQ(action.sa_handler, SIG_DFL) << signal_number;
  }
}

TEST_F(SdlAudioTest, WithoutAnAudioDeviceReadingIsSilentButKeepsItsTime) {
  UseDriver("no-such-driver");
  WriteVoiceFile(VoiceFileBuilder()
                     .Character(Text("a"), Text("s"))
                     .Sound(Text("s"), MakeToneWav(440, 100))
                     .Build());
  auto speech = MakeModule();
  speech->LoadVoiceData();
  const auto start = std::chrono::steady_clock::now();
  speech->PlayTextAloud(Text("aaa"), 55);
  const int64_t elapsed = MsSince(start);
  EXPECT_GE(elapsed, 1350);
  EXPECT_LT(elapsed, 1350 + kHangMs);  // the missing device is not waited for
  ExpectPausesOfAtLeast(3, 450);
  EXPECT_FALSE(CreateSdlAudioOutput()->Play(MakeToneWav(440, 100)));
}

// The program's own module, as the application calls it: the voice file beside the program
// (there is none beside the test), the real sound device.
TEST_F(SdlAudioTest, SpeakTextWithoutAVoiceFileIsSilentAndKeepsItsTime) {
  UseDriver("disk");
  testing::WorkingFolderGuard restore_working_folder;
  ASSERT_TRUE(InitProgramLocation());
  const auto start = std::chrono::steady_clock::now();
  Handle reading = SpeakText("张王李赵"_gbk, 55);
  ASSERT_TRUE(reading.valid());
  ASSERT_TRUE(WaitForHandle(reading));
  reading.Release();
  const int64_t elapsed = MsSince(start);
  EXPECT_GE(elapsed, 1600);
  EXPECT_LT(elapsed, 1600 + kHangMs);
  EXPECT_FALSE(std::filesystem::exists(raw_path_));  // the device was never even opened
}

}  // namespace
}  // namespace rc
