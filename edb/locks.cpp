#include "edb/locks.h"

#include <algorithm>

namespace rc {

int32_t LockTable::Lock(File& file, int64_t offset, LockKind kind, uint32_t retry_ms) {
  for (Entry& e : entries_) {
    if (e.offset == offset) {
      ++e.count;
      return kDbOk;
    }
  }
  int32_t code = WithRetry(retry_ms, [&] { return file.Lock(offset, 1, kind); });
  if (code != kDbOk) return code;
  entries_.push_back({offset, 1});
  return kDbOk;
}

void LockTable::Unlock(File& file, int64_t offset) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].offset != offset) continue;
    if (--entries_[i].count == 0) {
      file.Unlock(offset, 1);  // never retried; a failure leaves nothing to do
      entries_[i] = entries_.back();
      entries_.pop_back();
    }
    return;
  }
}

void LockTable::ReleaseAll(File& file) {
  for (const Entry& e : entries_) file.Unlock(e.offset, 1);
  entries_.clear();
}

std::vector<int64_t> LockTable::HeldOffsets() const {
  std::vector<int64_t> offsets;
  offsets.reserve(entries_.size());
  for (const Entry& e : entries_) offsets.push_back(e.offset);
  std::sort(offsets.begin(), offsets.end());
  return offsets;
}

int32_t ClaimSharing(File& file, bool writable, bool deny_read, bool deny_write,
                     uint32_t retry_ms) {
  struct Marker {
    int64_t offset;
    bool mine;
  };
  const Marker markers[] = {{kShareMarkerRead, true},
                            {kShareMarkerWrite, writable},
                            {kShareMarkerDenyRead, deny_read},
                            {kShareMarkerDenyWrite, deny_write}};
  auto release = [&] {
    for (const Marker& m : markers) {
      if (m.mine) file.Unlock(m.offset, 1);
    }
  };
  return WithRetry(retry_ms, [&]() -> int32_t {
    for (const Marker& m : markers) {
      if (!m.mine) continue;
      int32_t code = file.Lock(m.offset, 1, LockKind::kShared);
      if (code != kDbOk) {
        release();
        return code == kDbLockViolation ? kDbSharingViolation : code;
      }
    }
    // What others must not be doing, given what this open does and refuses.
    const Marker conflicts[] = {{kShareMarkerDenyRead, true},
                                {kShareMarkerDenyWrite, writable},
                                {kShareMarkerRead, deny_read},
                                {kShareMarkerWrite, deny_write}};
    for (const Marker& c : conflicts) {
      if (!c.mine) continue;
      bool held = false;
      int32_t code = file.IsLockedElsewhere(c.offset, 1, &held);
      if (code != kDbOk || held) {
        release();
        return code != kDbOk ? code : kDbSharingViolation;
      }
    }
    return kDbOk;
  });
}

}  // namespace rc
