// Template part of edb/locks.h.
#ifndef ROLLCALL_EDB_LOCKS_INL_H_
#define ROLLCALL_EDB_LOCKS_INL_H_

#include "core/clock.h"
#include "edb/errors.h"

namespace rc {

template <typename Attempt>
int32_t WithRetry(uint32_t retry_ms, Attempt attempt) {
  int32_t code = attempt();
  if (retry_ms == 0 || (code != kDbLockViolation && code != kDbSharingViolation)) return code;
  const uint32_t start = TickCount();
  while (TickCount() - start < retry_ms) {
    SleepMs(20 + TickCount() % 20);
    code = attempt();
    if (code != kDbLockViolation && code != kDbSharingViolation) return code;
  }
  return code;
}

}  // namespace rc

#endif  // ROLLCALL_EDB_LOCKS_INL_H_
