// Point generation: the random sequence, the choice of pairs, colours, the
// key check at colour changes and the mapping of the range onto pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "display/headless/headless.h"
#include "main/program.h"
#include "terms/terms.h"

namespace {

constexpr Color kRed = 0xFF0000;
constexpr Color kBlue = 0x0000FF;
constexpr Color kGreen = 0x00FF00;

std::vector<TermPair> Translate(const std::vector<std::pair<std::string, std::string>>& terms) {
  std::vector<TermPair> pairs;
  for (const auto& [f, g] : terms) pairs.push_back({TranslateTerm(f), TranslateTerm(g)});
  return pairs;
}

std::vector<TermPair> DefaultPairs() {
  return Translate({{"0.5*x", "0.5*y"}, {"0.5*x+0.5", "0.5*y"}, {"0.5*x+0.25", "0.5*y+0.5"}});
}

void Fresh() {
  HeadlessReset();
  RestartRandom();
  StartUp();
}

TEST(RandomTest, FirstValuesFromProgramStart) {
  RestartRandom();
  const double expected[] = {0.96862006, 0.20171141, 0.51951596};
  for (double value : expected) EXPECT_NEAR(NextRandom(), value, 1e-8);
  RestartRandom();
  EXPECT_NEAR(NextRandom(), expected[0], 1e-8);
}

TEST(RandomTest, StaysInUnitIntervalWithThirtyOneBits) {
  RestartRandom();
  for (int i = 0; i < 100000; i++) {
    double u = NextRandom();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    double scaled = u * 2147483648.0;
    ASSERT_EQ(scaled, std::floor(scaled));
  }
}

TEST(PlotTest, FullPassWithoutKey) {
  Fresh();
  PlotPoints(3, DefaultPairs(), {0, 0, 1, 1});
  EXPECT_EQ(HeadlessSetPixelCalls(), 200000u);
  EXPECT_EQ(HeadlessReadKeyCalls(), 20u);
  const std::vector<PlottedPixel>& log = HeadlessPixelLog();
  ASSERT_EQ(log.size(), 200000u);
  // Point k is log[k - 1]; blocks of 10000 go red, blue, green, red...
  struct Expect {
    std::size_t point;
    Color color;
  };
  const Expect colours[] = {{1, kRed},       {9999, kRed},  {10000, kBlue},  {19999, kBlue},
                            {20000, kGreen}, {30000, kRed}, {199999, kBlue}, {200000, kGreen}};
  for (const Expect& e : colours) EXPECT_EQ(log[e.point - 1].color, e.color) << e.point;
  // The drawing starts on a cleared light grey window.
  EXPECT_EQ(HeadlessPixel(0, 0), 0xD0D0D0);
}

TEST(PlotTest, KeyEndsDrawingAtFirstColourChange) {
  Fresh();
  HeadlessPressKey("a");
  PlotPoints(3, DefaultPairs(), {0, 0, 1, 1});
  EXPECT_EQ(HeadlessSetPixelCalls(), 9999u);
  EXPECT_EQ(HeadlessReadKeyCalls(), 1u);
  // The key was used up by the drawing.
  EXPECT_EQ(ReadKey(), "");
  for (const PlottedPixel& pixel : HeadlessPixelLog()) ASSERT_EQ(pixel.color, kRed);
}

TEST(PlotTest, KeyTypedDuringDrawingEndsItAtTheNextColourChange) {
  // Every point of the default figure lands in the area, so each costs 25 us
  // of the virtual clock: 100 ms is point 4000, 250 ms point 10000.
  struct Case {
    double at_ms;
    std::size_t pixels;
  };
  const Case cases[] = {{100, 9999}, {249.9, 9999}, {250.1, 19999}, {300, 19999}, {6000, 200000}};
  for (const Case& c : cases) {
    Fresh();
    HeadlessPressKeyAt(HeadlessClockMs() + c.at_ms, "a");
    PlotPoints(3, DefaultPairs(), {0, 0, 1, 1});
    EXPECT_EQ(HeadlessSetPixelCalls(), c.pixels) << c.at_ms;
    EXPECT_EQ(HeadlessPixelLog().size(), c.pixels) << c.at_ms;
  }
  // Not yet due when the drawing ended: still to come.
  EXPECT_EQ(ReadKey(), "");
  Pause(2000);
  EXPECT_EQ(ReadKey(), "a");
}

// Pair j sends every point to (j/10, j/10), so each pixel tells the pair chosen.
TEST(PlotTest, PairChoice) {
  struct Case {
    double n;
    int pairs;
  };
  const Case cases[] = {{1, 1}, {2, 2}, {2.5, 2}, {3, 3}, {7, 7}};
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, std::string>> terms;
    for (int j = 1; j <= c.pairs; j++) {
      std::string value = "0." + std::to_string(j);
      terms.push_back({value, value});
    }
    Fresh();
    PlotPoints(c.n, Translate(terms), {0, 0, 1, 1});
    const std::vector<PlottedPixel>& log = HeadlessPixelLog();
    ASSERT_EQ(log.size(), 200000u) << c.n;
    RestartRandom();
    std::vector<int> chosen(c.pairs + 1, 0);
    for (std::size_t k = 0; k < 5000; k++) {
      double u = NextRandom();
      // Each pair of a whole count has the same chance; 2.5 splits at 0.4.
      int expected = c.n == 2.5 ? (u < 0.4 ? 1 : 2) : 1 + static_cast<int>(u * c.n);
      int pair = static_cast<int>(std::lround((log[k].x - 115) / 80.0));
      ASSERT_EQ(pair, expected) << "n " << c.n << " point " << k + 1;
      chosen[pair]++;
    }
    for (int j = 1; j <= c.pairs; j++) EXPECT_GT(chosen[j], 0) << "n " << c.n << " pair " << j;
  }
}

TEST(PlotTest, StartPointComesFromPairOne) {
  // Pair 1 has its fixed point at (0.5, 0.5); after 1000 steps from the origin
  // the point sits there, and so does the first plotted point.
  Fresh();
  PlotPoints(1, Translate({{"0.5*x+0.25", "0.5*y+0.25"}}), {0, 0, 1, 1});
  EXPECT_EQ(HeadlessPixelLog()[0].x, 515);
  EXPECT_EQ(HeadlessPixelLog()[0].y, 315);

  // Both terms see the old point: swapping x and y from (0, 1) alternates.
  Fresh();
  PlotPoints(1, Translate({{"y", "1-x"}}), {0, 0, 1, 1});
  // (0,0) -> (0,1) -> (1,1) -> (1,0) -> (0,0): 1000 steps lead back to (0,0).
  const std::vector<PlottedPixel>& log = HeadlessPixelLog();
  EXPECT_EQ(log[0].x, 115);
  EXPECT_EQ(log[0].y, 65);
  EXPECT_EQ(log[1].x, 915);
  EXPECT_EQ(log[1].y, 65);
}

TEST(PlotTest, RangeMapsOntoPlotRectangle) {
  // One constant pair per corner case; the pixel shows where the range puts it.
  struct Case {
    const char* x;
    const char* y;
    DisplayRange range;
    int px;
    int py;
  };
  const Case cases[] = {
      {"0", "0", {0, 0, 1, 1}, 115, 565},
      {"1", "1", {0, 0, 1, 1}, 915, 65},
      {"1", "1", {1, 0, 0, 1}, 115, 65},   // mirrored left to right
      {"0", "1", {0, 1, 1, 0}, 115, 565},  // mirrored top to bottom
      {"-1", "2", {-2, 1, 0, 3}, 515, 315},
      {"2", "0", {0, 0, 1, 1}, 1715, 565},  // outside the area: no mark
  };
  for (const Case& c : cases) {
    Fresh();
    PlotPoints(1, Translate({{c.x, c.y}}), c.range);
    EXPECT_EQ(HeadlessSetPixelCalls(), 200000u);
    if (c.px >= 1030) {
      EXPECT_TRUE(HeadlessPixelLog().empty());
      continue;
    }
    ASSERT_FALSE(HeadlessPixelLog().empty());
    EXPECT_EQ(HeadlessPixelLog()[0].x, c.px) << c.x << "," << c.y;
    EXPECT_EQ(HeadlessPixelLog()[0].y, c.py) << c.x << "," << c.y;
  }
}

TEST(PlotTest, MirroredRangeMirrorsFigure) {
  Fresh();
  PlotPoints(3, DefaultPairs(), {0, 0, 1, 1});
  std::vector<PlottedPixel> plain = HeadlessPixelLog();
  Fresh();
  PlotPoints(3, DefaultPairs(), {1, 0, 0, 1});
  const std::vector<PlottedPixel>& mirrored = HeadlessPixelLog();
  ASSERT_EQ(mirrored.size(), plain.size());
  for (std::size_t k = 0; k < plain.size(); k++) {
    ASSERT_NEAR(mirrored[k].x, 1030 - plain[k].x, 1) << k;
    ASSERT_EQ(mirrored[k].y, plain[k].y) << k;
  }
}

TEST(PlotTest, SecondPassContinuesRandomSequence) {
  Fresh();
  PlotPoints(3, DefaultPairs(), {0, 0, 1, 1});
  std::vector<PlottedPixel> first = HeadlessPixelLog();
  HeadlessReset();
  StartUp();
  PlotPoints(3, DefaultPairs(), {0, 0, 1, 1});
  const std::vector<PlottedPixel>& second = HeadlessPixelLog();
  ASSERT_EQ(second.size(), first.size());
  std::size_t same = 0;
  for (std::size_t k = 0; k < first.size(); k++) {
    if (first[k].x == second[k].x && first[k].y == second[k].y) same++;
  }
  EXPECT_LT(same, first.size() / 2);
}

}  // namespace
