#include "services/speech/speech.h"

#include <algorithm>
#include <chrono>

#include "core/program_location.h"
#include "services/speech/voice_file_format.h"

namespace rc {
namespace {

// How late a character may start and still keep to the reading's schedule.
constexpr std::chrono::milliseconds kCatchUpLimit(20);

// The next character off the front of `text` at `pos`: four bytes for a character outside
// GBK, so that it takes one pause and not two; two bytes for a two-byte character; else one
// byte with ASCII letters in lower case (the maps hold lower-case keys).
Text NextCharacter(const Text& text, size_t* pos) {
  uint8_t first = text.at(*pos);
  if (IsFourByteCharacterAt(text.bytes(), *pos)) {
    Text character(text.data() + *pos, kFourByteCharacterLength);
    *pos += kFourByteCharacterLength;
    return character;
  }
  if (IsLeadByte(first) && *pos + 1 < text.size()) {
    Text character(text.data() + *pos, 2);
    *pos += 2;
    return character;
  }
  ++*pos;
  char c = static_cast<char>(first);
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return Text(std::string(1, c));
}

}  // namespace

std::shared_ptr<SpeechModule> SpeechModule::Create(Text voice_folder,
                                                   std::unique_ptr<AudioOutput> audio,
                                                   std::unique_ptr<SpeechClock> clock) {
  return std::shared_ptr<SpeechModule>(
      new SpeechModule(std::move(voice_folder), std::move(audio), std::move(clock)));
}

SpeechModule::SpeechModule(Text voice_folder, std::unique_ptr<AudioOutput> audio,
                           std::unique_ptr<SpeechClock> clock)
    : voice_folder_(std::move(voice_folder)), audio_(std::move(audio)), clock_(std::move(clock)) {}

void SpeechModule::LoadVoiceData() {
  // Two readings may start together before anything is loaded; only one of them reads.
  std::lock_guard lock(load_mutex_);
  if (loaded_.load(std::memory_order_relaxed)) return;
  voice_ = LoadVoiceFile(voice_folder_ + Text("\\") + Text(voice_file::kFileName));
  loaded_.store(true, std::memory_order_release);
}

const VoiceEntry* SpeechModule::FindSound(const Text& character) const {
  auto c = voice_.characters.find(character);
  if (c == voice_.characters.end() || c->second == nullptr) return nullptr;
  auto s = voice_.sounds.find(c->second->name);
  if (s == voice_.sounds.end() || s->second == nullptr || s->second->data.empty()) {
    return nullptr;
  }
  return s->second.get();
}

void SpeechModule::PlayTextAloud(const Text& text, int32_t rate) {
  if (!loaded()) LoadVoiceData();
  rate = std::clamp(rate, kSlowestRate, kFastestRate);
  const auto voiced_delay =
      std::chrono::milliseconds(static_cast<uint32_t>(kFastestRate - rate) * kMsPerRateStep);
  const auto silent_delay = std::chrono::milliseconds(kSilentCharacterMs);
  // Each character's time counts from the end of the one before it (from the start of the
  // reading for the first), not from whenever the sleep happened to return, so that timer
  // slack does not add up over a long name. A character whose sound started far behind
  // that (a stalled machine, or the first sound, which opens the device) counts from when
  // it started instead: its sound keeps its whole time and the next characters are not
  // rushed.
  SpeechClock::TimePoint start = clock_->Now();
  size_t pos = 0;
  while (pos < text.size() && !stop_.load()) {
    Text character = NextCharacter(text, &pos);
    auto delay = silent_delay;
    if (const VoiceEntry* sound = FindSound(character)) {
      audio_->Play(sound->data);  // a sound that cannot be played is skipped silently
      delay = voiced_delay;
    }
    SpeechClock::TimePoint now = clock_->Now();
    if (now - start > kCatchUpLimit) start = now;
    start += delay;
    clock_->SleepUntil(start);
  }
}

Handle SpeechModule::StartTextReading(const Text& text, int32_t rate) {
  stop_.store(false);
  // The text and rate go to the new thread with it, so that two readings started close
  // together each read their own text.
  Handle handle;
  StartThread([self = shared_from_this(), text, rate](int32_t) { self->PlayTextAloud(text, rate); },
              {}, &handle);
  return handle;
}

void SpeechModule::StopTextReading() { stop_.store(true); }

namespace {

SpeechModule& ProgramSpeech() {
  static const std::shared_ptr<SpeechModule> module = SpeechModule::Create(
      ProgramFolder(), CreateSdlAudioOutput(), CreateSteadySpeechClock());
  return *module;
}

}  // namespace

Handle SpeakText(const Text& text, int32_t rate) { return ProgramSpeech().StartTextReading(text, rate); }
Handle StartTextReading(const Text& text, int32_t rate) {
  return ProgramSpeech().StartTextReading(text, rate);
}
void PlayTextAloud(const Text& text, int32_t rate) { ProgramSpeech().PlayTextAloud(text, rate); }
void LoadVoiceData() { ProgramSpeech().LoadVoiceData(); }
void StopTextReading() { ProgramSpeech().StopTextReading(); }

}  // namespace rc
