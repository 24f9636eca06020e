// Encoding and decoding of the window-definition block (layout in definition_format.h).
// The build-time encoder and the run-time decoder share this code, so the block always
// decodes to exactly the definitions it was made from.
#ifndef ROLLCALL_FORMS_DEFINITION_CODEC_H_
#define ROLLCALL_FORMS_DEFINITION_CODEC_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/value.h"
#include "forms/definition_model.h"

namespace rc::forms {

ByteSet EncodeDefinitions(const std::vector<WindowDef>& windows);

// Refuses (std::nullopt) a block that is truncated, has trailing bytes, a length that runs
// past its container, an unknown property-data version or property data that does not fit
// its item's type.
std::optional<std::vector<WindowDef>> DecodeDefinitions(std::span<const uint8_t> block);

// A Windows LOGFONT as stored in font byte sets; the face name is GBK.
struct LogFont {
  int32_t height = 0;
  int32_t width = 0;
  int32_t escapement = 0;
  int32_t orientation = 0;
  int32_t weight = 400;
  uint8_t italic = 0, underline = 0, strike_out = 0, char_set = 0;
  uint8_t out_precision = 0, clip_precision = 0, quality = 0, pitch_and_family = 0;
  Text face;
  friend bool operator==(const LogFont&, const LogFont&) = default;
};
ByteSet EncodeLogFont(const LogFont& font);
std::optional<LogFont> DecodeLogFont(const ByteSet& bytes);

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_DEFINITION_CODEC_H_
