// The process-wide random source: one 32-bit Mersenne Twister (std::mt19937) with its standard
// initialisation, seeded with 0 at the first draw. Nothing in the library seeds it, so every
// run draws the same sequence and builds the same shapes.
//
// Each draw consumes exactly one 32-bit output u of the generator:
//   - a float draw is u / 2^32, in [0, 1). It is returned as a double, where it is exact
//     (a float cannot hold every u / 2^32); callers that scale it round once, at the end.
//   - an integer draw with bound n is floor(u * n / 2^32), in [0, n) (0 when n is 0).
// Neither uses the standard distributions, which may consume two outputs or round differently.
// Not thread-safe: the library runs on one thread.
#pragma once

#include <cstdint>

#include "brevra/export.h"

namespace BREVRA_API brevra {

// One float draw: u / 2^32 in [0, 1), exact.
double RandomFloat();

// One integer draw: floor(u * n / 2^32), computed in 64-bit integers.
std::uint32_t RandomInt(std::uint32_t n);

// Restarts the source from `Seed` (the standard mt19937 seeding; seed 0 is the start state) and
// resets the draw counter. The bush export and snapshot use it to grow other plants.
void RandomSeed(std::uint32_t Seed);

// For tests: puts the source back to its start state (as if never drawn from, seed 0) and
// resets the draw counter.
void RandomReset();

// For tests: the number of draws since process start or the last RandomReset.
std::uint64_t RandomDrawCount();

}  // namespace brevra
