// The first drawing after program start, pixel for pixel, against a hash
// computed once by the independent reference tests/golden/default_pass.py.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/headless/headless.h"
#include "main/program.h"
#include "terms/terms.h"

namespace {

// From `python3 tests/golden/default_pass.py`.
constexpr std::uint64_t kDefaultPassHash = 0xD0EA073E0D4B29FAull;
constexpr std::size_t kDefaultPassPixels = 200000;

constexpr std::uint64_t kFnvOffset = 0xCBF29CE484222325ull;
constexpr std::uint64_t kFnvPrime = 0x100000001B3ull;

// FNV-1a over each value as four little-endian bytes, as the reference does.
void HashInt(std::uint64_t& hash, std::int32_t value) {
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  for (int byte = 0; byte < 4; byte++) {
    hash ^= (bits >> (8 * byte)) & 0xFFu;
    hash *= kFnvPrime;
  }
}

TEST(GoldenTest, DefaultFirstPassMatchesReference) {
  HeadlessReset();
  RestartRandom();
  StartUp();
  std::vector<TermPair> pairs = {
      {TranslateTerm("0.5*x"), TranslateTerm("0.5*y")},
      {TranslateTerm("0.5*x+0.5"), TranslateTerm("0.5*y")},
      {TranslateTerm("0.5*x+0.25"), TranslateTerm("0.5*y+0.5")},
  };
  PlotPoints(3, pairs, {0, 0, 1, 1});

  const std::vector<PlottedPixel>& log = HeadlessPixelLog();
  ASSERT_EQ(log.size(), kDefaultPassPixels);
  const PlottedPixel first[] = {{315, 315, 0xFF0000}, {215, 440, 0xFF0000}, {565, 502, 0xFF0000}};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(log[i].x, first[i].x) << i;
    EXPECT_EQ(log[i].y, first[i].y) << i;
    EXPECT_EQ(log[i].color, first[i].color) << i;
  }
  std::uint64_t hash = kFnvOffset;
  for (const PlottedPixel& pixel : log) {
    HashInt(hash, pixel.x);
    HashInt(hash, pixel.y);
    HashInt(hash, pixel.color);
  }
  EXPECT_EQ(hash, kDefaultPassHash);
}

}  // namespace
