// The window-definition block that the build encodes and embeds in the program.
#ifndef ROLLCALL_FORMS_EMBEDDED_DEFINITIONS_H_
#define ROLLCALL_FORMS_EMBEDDED_DEFINITIONS_H_

#include <cstdint>
#include <span>

namespace rc::forms {

std::span<const uint8_t> EmbeddedDefinitionBlock();

}  // namespace rc::forms

#endif  // ROLLCALL_FORMS_EMBEDDED_DEFINITIONS_H_
