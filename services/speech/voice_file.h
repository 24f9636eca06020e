// Reading the voice file: the character map and the sound map.
#ifndef ROLLCALL_SERVICES_SPEECH_VOICE_FILE_H_
#define ROLLCALL_SERVICES_SPEECH_VOICE_FILE_H_

#include <cstdint>
#include <istream>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "core/text.h"

namespace rc {

// One record of the voice file.
struct VoiceEntry {
  Text name;         // in the character map: the name of the character's sound
  Text second_text;  // not used by playback
  double size = 0.0;
  std::vector<uint8_t> data;  // a WAV image; empty when the record holds no data
};

// A value may be shared by several keys (the archive stores an object once and refers to it
// afterwards) and may be null (the archive's null object), which counts as no entry.
using VoiceMap = std::map<Text, std::shared_ptr<const VoiceEntry>>;

// How far a file could be read. Only tests look at this: a damaged voice file is never
// reported to the user.
enum class VoiceFileStatus {
  kComplete,   // both maps read to their end
  kMissing,    // the file could not be opened
  kTruncated,  // the file ends inside a field, or a length runs past its end
  kBadIndex,   // a class or object reference to an index that was never stored
  kBadClass,   // a class name too long, or a reference to the wrong kind of item
  kBadSize,    // a size field that is negative or not a number
  kNoMemory,   // a string longer than memory can hold
};

struct VoiceData {
  VoiceMap characters;  // one character (two GBK bytes, or a lower-case ASCII byte) -> entry
  VoiceMap sounds;      // sound name -> entry that holds the sound
  VoiceFileStatus status = VoiceFileStatus::kComplete;
};

// Reads both maps from `size` bytes of `in`, which must be able to seek forward. Reading
// stops at the first damage; what was read completely until then is kept (an entry counts
// once its value has been read whole). Never allocates more than the bytes that are left to
// read; a sound larger than voice_file::kMaxSoundBytes, or one that memory cannot hold, is
// passed over and its entry read as absent (null).
VoiceData ReadVoiceData(std::istream& in, uint64_t size);
VoiceData ReadVoiceData(std::span<const uint8_t> bytes);

// Reads the voice file at a program path (through the path layer). A file that cannot be
// opened gives empty maps with status kMissing.
VoiceData LoadVoiceFile(const Text& path);

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SPEECH_VOICE_FILE_H_
