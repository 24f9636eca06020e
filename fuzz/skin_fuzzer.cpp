// libFuzzer target: the skin file reader on any bytes, and on the same bytes with their
// checksum made right (a fuzzer would seldom guess it), so that the entries are read too.
// Whatever decodes must encode to a skin that decodes the same. The readable source is parsed
// from the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "services/skin/skin_format.h"

namespace {

void Decode(const std::vector<uint8_t>& bytes) {
  std::string error;
  const auto entries = rc::DecodeSkin(bytes.data(), bytes.size(), &error);
  if (!entries) {
    if (error.empty()) std::abort();
    return;
  }
  const std::vector<uint8_t> again = rc::EncodeSkin(*entries);
  if (rc::DecodeSkin(again.data(), again.size(), &error) != entries) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  Decode(bytes);
  // The stated length (bytes 8..11) says where the checksum is.
  if (size >= rc::kSkinHeaderSize + rc::kSkinTrailerSize) {
    const uint32_t length = bytes[8] | (bytes[9] << 8) | (bytes[10] << 16) |
                            (static_cast<uint32_t>(bytes[11]) << 24);
    if (length >= rc::kSkinHeaderSize + rc::kSkinTrailerSize && length <= size) {
      const size_t body = length - rc::kSkinTrailerSize;
      const uint32_t sum = rc::SkinChecksum(bytes.data(), body);
      for (size_t i = 0; i < 4; ++i) bytes[body + i] = static_cast<uint8_t>(sum >> (8 * i));
      Decode(bytes);
    }
  }
  std::string error;
  rc::ParseSkinSource(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  return 0;
}
