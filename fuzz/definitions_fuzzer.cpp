// libFuzzer target: the window-definition block decoder on any bytes. Whatever decodes
// must encode and decode again to the same definitions, since the program's block is made
// by the encoder from definitions and read back by the decoder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "forms/definition_codec.h"
#include "forms/definition_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto windows = rc::forms::DecodeDefinitions(std::span<const uint8_t>(data, size));
  if (windows) {
    const rc::ByteSet again = rc::forms::EncodeDefinitions(*windows);
    const auto decoded = rc::forms::DecodeDefinitions(again);
    if (!decoded || *decoded != *windows) std::abort();
  }
  // The fonts stored in property data.
  const rc::ByteSet font(data, data + std::min<size_t>(size, rc::forms::kLogFontSize));
  if (const auto f = rc::forms::DecodeLogFont(font)) {
    if (rc::forms::DecodeLogFont(rc::forms::EncodeLogFont(*f)) != f) std::abort();
  }
  return 0;
}
