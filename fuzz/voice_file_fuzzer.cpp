// libFuzzer target: the voice file reader on any bytes, through both ways in: the stream a
// file is read from and the span of an image in memory. Both must read the same maps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>

#include "services/speech/voice_file.h"

namespace {

bool SameMaps(const rc::VoiceMap& a, const rc::VoiceMap& b) {
  if (a.size() != b.size()) return false;
  for (auto i = a.begin(), k = b.begin(); i != a.end(); ++i, ++k) {
    if (i->first != k->first || !i->second != !k->second) return false;
    if (i->second && (i->second->name != k->second->name ||
                      i->second->second_text != k->second->second_text ||
                      i->second->data != k->second->data)) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const rc::VoiceData in_memory = rc::ReadVoiceData(std::span<const uint8_t>(data, size));
  std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
  const rc::VoiceData streamed = rc::ReadVoiceData(stream, size);
  if (in_memory.status != streamed.status ||
      !SameMaps(in_memory.characters, streamed.characters) ||
      !SameMaps(in_memory.sounds, streamed.sounds)) {
    std::abort();
  }
  return 0;
}
