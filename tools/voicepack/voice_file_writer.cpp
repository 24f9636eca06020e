#include "tools/voicepack/voice_file_writer.h"

#include <cstring>

#include "services/speech/voice_file_format.h"

namespace rc::voicepack {
namespace {

namespace vf = voice_file;

// The class's schema number; readers do not check it.
constexpr uint16_t kSchema = 1;
// The class is the first item stored in the archive.
constexpr uint32_t kClassIndex = vf::kFirstLoadIndex;

}  // namespace

void VoiceFileWriter::PutFixed(uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void VoiceFileWriter::BeginMap(uint64_t count) {
  if (count < vf::kCountEscape16) return PutFixed(count, 2);
  PutFixed(vf::kCountEscape16, 2);
  if (count < vf::kCountEscape32) return PutFixed(count, 4);
  PutFixed(vf::kCountEscape32, 4);
  PutFixed(count, 8);
}

void VoiceFileWriter::PutString(const Text& text) {
  const uint64_t n = text.size();
  if (n < vf::kLengthEscape8) {
    PutFixed(n, 1);
  } else {
    PutFixed(vf::kLengthEscape8, 1);
    // A 16-bit length stops below the Unicode marker, which is also below the escape.
    if (n < vf::kUnicodeMarker) {
      PutFixed(n, 2);
    } else {
      PutFixed(vf::kLengthEscape16, 2);
      if (n < vf::kLengthEscape32) {
        PutFixed(n, 4);
      } else {
        PutFixed(vf::kLengthEscape32, 4);
        PutFixed(n, 8);
      }
    }
  }
  bytes_.insert(bytes_.end(), text.bytes().begin(), text.bytes().end());
}

void VoiceFileWriter::PutObjectTag() {
  if (class_stored_) return PutFixed(vf::kStoredClassTag | kClassIndex, 2);
  const size_t name_length = std::strlen(kVoiceEntryClassName);
  static_assert(sizeof(kVoiceEntryClassName) - 1 < vf::kMaxClassNameLength);
  PutFixed(vf::kNewClassTag, 2);
  PutFixed(kSchema, 2);
  PutFixed(name_length, 2);
  bytes_.insert(bytes_.end(), kVoiceEntryClassName, kVoiceEntryClassName + name_length);
  class_stored_ = true;
}

void VoiceFileWriter::Entry(const Text& key, const Text& name, const Text& second_text,
                            std::span<const uint8_t> data) {
  PutString(key);
  PutObjectTag();
  PutString(name);
  PutString(second_text);
  const double size = static_cast<double>(data.size());
  uint64_t bits;
  static_assert(sizeof(bits) == vf::kSizeFieldBytes && sizeof(size) == sizeof(bits));
  std::memcpy(&bits, &size, sizeof(bits));
  PutFixed(bits, vf::kSizeFieldBytes);
  bytes_.insert(bytes_.end(), data.begin(), data.end());
}

}  // namespace rc::voicepack
