// Time: a 32-bit millisecond tick that wraps, and sleeping.
#ifndef ROLLCALL_CORE_CLOCK_H_
#define ROLLCALL_CORE_CLOCK_H_

#include <cstdint>

namespace rc {

// Milliseconds since an arbitrary start, from the steady clock, wrapping at 2^32.
uint32_t TickCount();
void SleepMs(uint32_t ms);

}  // namespace rc

#endif  // ROLLCALL_CORE_CLOCK_H_
