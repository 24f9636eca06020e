// Ending the process on purpose, from anywhere in start-up.
#ifndef ROLLCALL_CORE_PROCESS_H_
#define ROLLCALL_CORE_PROCESS_H_

#include <cstdint>

namespace rc {

// Ends the process at once with `exit_code`, after flushing the standard streams. Nothing
// else runs: no handler, no clean-up of windows, no static destructors.
[[noreturn]] void EndProcess(int32_t exit_code);

// Starts the program anew in place of this process: the program file runs again, with the
// arguments and environment it has now, under the same process id. Every descriptor is
// closed on the way, so what this run held (its single-instance marker, its file locks, its X
// connection with the keys it grabbed) is free before the new run begins; other threads end
// with the old run. Nothing is cleaned up, as with EndProcess. Returns only when the program
// cannot be started again, with everything as it was.
void RestartProcess();

}  // namespace rc

#endif  // ROLLCALL_CORE_PROCESS_H_
