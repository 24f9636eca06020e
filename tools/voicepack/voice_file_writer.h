// Writing the voice file "VoxSound.dat", in the layout of services/speech/voice_file_format.h.
#ifndef ROLLCALL_TOOLS_VOICEPACK_VOICE_FILE_WRITER_H_
#define ROLLCALL_TOOLS_VOICEPACK_VOICE_FILE_WRITER_H_

#include <cstdint>
#include <span>
#include <vector>

#include "core/text.h"

namespace rc::voicepack {

// The name stored with the record class. Readers do not check it.
inline constexpr char kVoiceEntryClassName[] = "VoiceEntry";

// Builds the file in memory, the two maps one after the other: BeginMap with the number of
// entries, then that many Entry calls, for the character map and then for the sound map.
// Every value is a new VoiceEntry object; the class is stored with the first one and
// referred to afterwards.
class VoiceFileWriter {
 public:
  void BeginMap(uint64_t count);
  // One entry: its key, then a VoiceEntry with `name`, `second_text` and `data` (a size of
  // 0.0 and no data bytes when `data` is empty).
  void Entry(const Text& key, const Text& name, const Text& second_text,
             std::span<const uint8_t> data);

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void PutFixed(uint64_t value, int size);
  void PutString(const Text& text);
  void PutObjectTag();

  std::vector<uint8_t> bytes_;
  bool class_stored_ = false;
};

}  // namespace rc::voicepack

#endif  // ROLLCALL_TOOLS_VOICEPACK_VOICE_FILE_WRITER_H_
