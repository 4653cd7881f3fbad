// The process-wide random source (see random.h): one std::mt19937, seed 0, one output per draw.
#include "brevra/geometry/random.h"

#include <random>  // Required for: std::mt19937

namespace brevra {
namespace {

// Default-seeded would be 5489; the library's sequence starts from seed 0.
std::mt19937 g_engine(0);
std::uint64_t g_draws = 0;

std::uint32_t Draw() {
  ++g_draws;
  return static_cast<std::uint32_t>(g_engine());
}

}  // namespace

double RandomFloat() {
  // u * 2^-32 is exact in a double (32 significant bits at most).
  return static_cast<double>(Draw()) * 0x1p-32;
}

std::uint32_t RandomInt(std::uint32_t n) {
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(Draw()) * n) >> 32);
}

void RandomSeed(std::uint32_t Seed) {
  g_engine.seed(Seed);
  g_draws = 0;
}

void RandomReset() {
  g_engine.seed(0);
  g_draws = 0;
}

std::uint64_t RandomDrawCount() { return g_draws; }

}  // namespace brevra
