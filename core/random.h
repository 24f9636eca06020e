// Random numbers: a linear congruential generator with one state per thread.
#ifndef ROLLCALL_CORE_RANDOM_H_
#define ROLLCALL_CORE_RANDOM_H_

#include <cstdint>
#include <optional>

namespace rc {

// Seeds the calling thread's generator. Without a seed, the seed is the millisecond tick
// plus RandomSeedSpreader, which moves on at every such call, so that two calls within the
// same millisecond still give different seeds.
void SeedRandom(std::optional<int32_t> seed = {});

// A number from lo to hi (defaults 0 and 0x7FFFFFFF, negative bounds taken as 0, swapped
// when reversed). Results never exceed lo + 32767.
int32_t RandomInRange(std::optional<int32_t> lower = {}, std::optional<int32_t> upper = {});

// The process-wide spreader, for tests.
uint32_t RandomSeedSpreader();

}  // namespace rc

#endif  // ROLLCALL_CORE_RANDOM_H_
