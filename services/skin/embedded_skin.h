// The skin engine library and the skin, carried inside the program as constant data.
// Both are read-only and live as long as the program.
#ifndef ROLLCALL_SERVICES_SKIN_EMBEDDED_SKIN_H_
#define ROLLCALL_SERVICES_SKIN_EMBEDDED_SKIN_H_

#include <cstdint>
#include <span>

namespace rc {

// The engine library's file image, as built.
std::span<const uint8_t> EmbeddedSkinEngineImage();
// The classroom skin, in the format of skin_format.h.
std::span<const uint8_t> EmbeddedSkin();

}  // namespace rc

#endif  // ROLLCALL_SERVICES_SKIN_EMBEDDED_SKIN_H_
