#include "core/random.h"

#include <atomic>
#include <utility>

#include "core/clock.h"

namespace rc {
namespace {

// Process-wide; only the user-interface thread seeds without a seed, but an atomic keeps a
// stray call from another thread well-defined.
std::atomic<uint32_t> g_seed_spreader{0};

uint32_t& ThreadState() {
  thread_local uint32_t state = 1;
  return state;
}

}  // namespace

uint32_t RandomSeedSpreader() { return g_seed_spreader.load(std::memory_order_relaxed); }

void SeedRandom(std::optional<int32_t> seed) {
  if (seed) {
    ThreadState() = static_cast<uint32_t>(*seed);
    return;
  }
  uint32_t spreader = g_seed_spreader.load(std::memory_order_relaxed);
  uint32_t s = TickCount() + spreader;
  g_seed_spreader.store(spreader + (s & 0xFF) + 100, std::memory_order_relaxed);
  ThreadState() = s;
}

int32_t RandomInRange(std::optional<int32_t> lower, std::optional<int32_t> upper) {
  int32_t lo = lower ? *lower : 0;
  int32_t hi = upper ? *upper : 0x7FFFFFFF;
  if (lo < 0) lo = 0;
  if (hi < 0) hi = 0;
  if (lo > hi) std::swap(lo, hi);
  if (lo == hi) return lo;
  uint32_t range = static_cast<uint32_t>(hi) - static_cast<uint32_t>(lo);
  if (range > 0x7FFFFFFEu) range = 0x7FFFFFFEu;
  uint32_t& state = ThreadState();
  state = state * 214013u + 2531011u;
  uint32_t r = (state >> 16) & 0x7FFF;
  return lo + static_cast<int32_t>(r % (range + 1));
}

}  // namespace rc
