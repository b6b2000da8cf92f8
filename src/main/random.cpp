// The program's one pseudo-random sequence: a linear congruential generator
// that starts from the same state at every program start, so every run
// draws the same figure, and a later pass continues where the last one left.
#include <cstdint>

#include "main/program.h"

namespace {

constexpr std::uint32_t kStartState = 4294967295u;
constexpr std::uint32_t kMultiplier = 134775813u;
constexpr std::uint32_t kIncrement = 1u;
constexpr double kTwoTo31 = 2147483648.0;

std::uint32_t random_state = kStartState;

}  // namespace

double NextRandom() {
  // Unsigned arithmetic wraps, which is exactly the mod 2^32 we want.
  random_state = random_state * kMultiplier + kIncrement;
  // Drop the lowest bit, the weakest one of such a generator: 31 bits remain.
  return static_cast<double>(random_state >> 1) / kTwoTo31;
}

void RestartRandom() {
  random_state = kStartState;
}
