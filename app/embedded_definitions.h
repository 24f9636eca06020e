// The program's window-definition block, encoded at build time from the readable source
// (app/window_definitions.cpp) and compiled in; the form runtime is started with it.
#ifndef ROLLCALL_APP_EMBEDDED_DEFINITIONS_H_
#define ROLLCALL_APP_EMBEDDED_DEFINITIONS_H_

#include <cstdint>
#include <span>

namespace rc::app {

std::span<const uint8_t> EmbeddedDefinitionBlock();

}  // namespace rc::app

#endif  // ROLLCALL_APP_EMBEDDED_DEFINITIONS_H_
