// Ending the process on purpose, from anywhere in start-up.
#ifndef ROLLCALL_CORE_PROCESS_H_
#define ROLLCALL_CORE_PROCESS_H_

#include <cstdint>

namespace rc {

// Ends the process at once with `exit_code`, after flushing the standard streams. Nothing
// else runs: no handler, no clean-up of windows, no static destructors.
[[noreturn]] void EndProcess(int32_t exit_code);

}  // namespace rc

#endif  // ROLLCALL_CORE_PROCESS_H_
