// Builds voice files and WAV images byte by byte, for tests and benchmarks.
#ifndef ROLLCALL_TESTS_SERVICES_SPEECH_VOICE_FILE_BUILDER_H_
#define ROLLCALL_TESTS_SERVICES_SPEECH_VOICE_FILE_BUILDER_H_

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"
#include "services/speech/voice_file_format.h"

namespace rc::testing {

using Bytes = std::vector<uint8_t>;

// Low-level writer: each call appends one field in the archive's encoding.
class ArchiveWriter {
 public:
  // How a string length or a map count is written. kShortest picks what the recording
  // tool picks; the others force a longer form, which readers must accept too.
  enum class Form { kShortest, k16, k32, k64 };

  ArchiveWriter& U8(uint8_t v) { return Put(v, 1); }
  ArchiveWriter& U16(uint16_t v) { return Put(v, 2); }
  ArchiveWriter& U32(uint32_t v) { return Put(v, 4); }
  ArchiveWriter& U64(uint64_t v) { return Put(v, 8); }
  ArchiveWriter& Double(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof(bits));
    return U64(bits);
  }
  ArchiveWriter& Raw(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  ArchiveWriter& Raw(const std::string& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }

  ArchiveWriter& Count(uint64_t n, Form form = Form::kShortest) {
    if (form == Form::kShortest) form = n < 0xFFFF ? Form::k16 : n < 0xFFFFFFFF ? Form::k32 : Form::k64;
    if (form == Form::k16) return U16(static_cast<uint16_t>(n));
    U16(0xFFFF);
    if (form == Form::k32) return U32(static_cast<uint32_t>(n));
    return U32(0xFFFFFFFF).U64(n);
  }

  // The length part of a string (after any Unicode marker). The 16-bit form stops below
  // FFFE: a 16-bit FFFE is the Unicode marker, so the recording tool writes that length in
  // the 32-bit form.
  ArchiveWriter& Length(uint64_t n, Form form = Form::kShortest) {
    if (form == Form::kShortest) {
      form = n < 0xFF ? Form::kShortest : n < 0xFFFE ? Form::k16 : n < 0xFFFFFFFF ? Form::k32 : Form::k64;
      if (form == Form::kShortest) return U8(static_cast<uint8_t>(n));
    }
    U8(0xFF);
    if (form == Form::k16) return U16(static_cast<uint16_t>(n));
    U16(0xFFFF);
    if (form == Form::k32) return U32(static_cast<uint32_t>(n));
    return U32(0xFFFFFFFF).U64(n);
  }

  ArchiveWriter& String(const Text& s, Form form = Form::kShortest) {
    return Length(s.size(), form).Raw(s.bytes());
  }
  // The Unicode form: marker, length in UTF-16 units, UTF-16LE units.
  ArchiveWriter& UnicodeString(const std::u16string& s, Form form = Form::kShortest) {
    U8(0xFF).U16(voice_file::kUnicodeMarker).Length(s.size(), form);
    for (char16_t c : s) U16(c);
    return *this;
  }

  ArchiveWriter& NewClass(const std::string& name, uint16_t schema = 1) {
    return U16(voice_file::kNewClassTag).U16(schema).U16(static_cast<uint16_t>(name.size())).Raw(name);
  }
  ArchiveWriter& ClassRef(uint32_t index) {
    if (index < voice_file::kBigObjectTag) return U16(static_cast<uint16_t>(voice_file::kStoredClassTag | index));
    return U16(voice_file::kBigObjectTag).U32(voice_file::kBigClassTag | index);
  }
  ArchiveWriter& ObjectRef(uint32_t index) {
    if (index < voice_file::kBigObjectTag) return U16(static_cast<uint16_t>(index));
    return U16(voice_file::kBigObjectTag).U32(index);
  }
  // The four fields of an entry (after its tag).
  ArchiveWriter& EntryFields(const Text& name, const Text& second, const Bytes& data) {
    String(name).String(second).Double(static_cast<double>(data.size()));
    return Raw(data);
  }

  const Bytes& bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  ArchiveWriter& Put(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Bytes bytes_;
};

// A voice file as the recording tool writes it: every entry a new object, the class stored
// with the first entry and referred to by index afterwards.
class VoiceFileBuilder {
 public:
  VoiceFileBuilder& Character(const Text& key, const Text& sound_name) {
    characters_.emplace_back(key, sound_name);
    return *this;
  }
  VoiceFileBuilder& Sound(const Text& name, Bytes wav) {
    sounds_.emplace_back(name, std::move(wav));
    return *this;
  }

  Bytes Build() const {
    ArchiveWriter w;
    uint32_t next_index = voice_file::kFirstLoadIndex;
    uint32_t class_index = 0;
    auto tag = [&] {
      if (class_index == 0) {
        class_index = next_index++;
        w.NewClass("VoiceEntry");
      } else {
        w.ClassRef(class_index);
      }
      ++next_index;  // the object
    };
    w.Count(characters_.size());
    for (const auto& [key, name] : characters_) {
      w.String(key);
      tag();
      w.EntryFields(name, Text(), {});
    }
    w.Count(sounds_.size());
    for (const auto& [name, wav] : sounds_) {
      w.String(name);
      tag();
      w.EntryFields(name, Text("wav"), wav);
    }
    return w.bytes();
  }

 private:
  std::vector<std::pair<Text, Text>> characters_;
  std::vector<std::pair<Text, Bytes>> sounds_;
};

// A WAV image holding a sine tone. bits 8 (unsigned), 16 (signed) or 32 (IEEE float).
inline Bytes MakeToneWav(double tone_hz, int duration_ms, int rate = 22050, int bits = 16,
                         int channels = 1) {
  ArchiveWriter w;  // the same little-endian fields serve for RIFF
  const uint32_t frames = static_cast<uint32_t>(static_cast<int64_t>(rate) * duration_ms / 1000);
  const uint16_t block = static_cast<uint16_t>(channels * bits / 8);
  const uint32_t data_size = frames * block;
  w.Raw(std::string("RIFF")).U32(36 + data_size).Raw(std::string("WAVEfmt "));
  w.U32(16).U16(bits == 32 ? 3 : 1).U16(static_cast<uint16_t>(channels)).U32(static_cast<uint32_t>(rate));
  w.U32(static_cast<uint32_t>(rate) * block).U16(block).U16(static_cast<uint16_t>(bits));
  w.Raw(std::string("data")).U32(data_size);
  for (uint32_t i = 0; i < frames; ++i) {
    double v = 0.5 * std::sin(2.0 * M_PI * tone_hz * i / rate);
    for (int c = 0; c < channels; ++c) {
      if (bits == 8) {
        w.U8(static_cast<uint8_t>(128 + std::lround(v * 127)));
      } else if (bits == 16) {
        w.U16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))));
      } else {
        float f = static_cast<float>(v);
        uint32_t u;
        std::memcpy(&u, &f, sizeof(u));
        w.U32(u);
      }
    }
  }
  return w.bytes();
}

}  // namespace rc::testing

#endif  // ROLLCALL_TESTS_SERVICES_SPEECH_VOICE_FILE_BUILDER_H_
