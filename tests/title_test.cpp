// The title screen on the headless surface: its boxes, its five texts with
// their fonts and places, the centred caption and credit, and its 4 seconds.
#include "title/title.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display.h"
#include "display/headless/headless.h"
#include "test_screen.h"
#include "textscreen/textscreen.h"

namespace {

const Color kBlack = Rgb(0, 0, 0);
const Color kWhite = Rgb(255, 255, 255);
const Color kLightGrey = Rgb(208, 208, 208);
const Color kGreen = Rgb(0, 190, 0);

const std::string kCredit = "Grafik-Demo, Version 4/18";  // 25 characters

class TitleTest : public ::testing::Test {
 protected:
  void SetUp() override { OpenTextScreen(); }
};

TEST_F(TitleTest, BoxesStandAtTheirPixels) {
  ShowTitle("Punktmuster", "4/18");
  struct Sample {
    int x, y;
    Color color;
    const char* where;
  };
  const Sample samples[] = {
      {5, 5, kLightGrey, "background"},
      {1020, 620, kLightGrey, "background"},
      {262, 140, kLightGrey, "left of the upper shadow"},
      {710, 140, kBlack, "upper shadow above the panel"},
      {710, 450, kBlack, "upper shadow right of the panel"},
      {300, 300, kGreen, "upper panel"},
      {690, 410, kGreen, "upper panel"},
      {264, 300, kGreen, "upper panel outline, left edge"},
      {270, 125, kWhite, "caption bar, first cell"},
      {270, 421, kWhite, "name bar, first cell"},
      {700, 530, kBlack, "lower shadow"},
      {710, 533, kBlack, "lower shadow"},
      {268, 530, kLightGrey, "left of the lower shadow"},
      {265, 497, kGreen, "lower panel"},
      {699, 522, kGreen, "lower panel"},
      {270, 505, kGreen, "credit line, first cell"},
      {716, 300, kLightGrey, "right of the upper shadow"},
      // The shadows' outlines are black too, not only their inside.
      {713, 300, kBlack, "upper shadow's right edge"},
      {500, 458, kBlack, "upper shadow's bottom edge"},
      {713, 520, kBlack, "lower shadow's right edge"},
      {500, 536, kBlack, "lower shadow's bottom edge"},
  };
  for (const Sample& s : samples) {
    EXPECT_EQ(HeadlessPixel(s.x, s.y), s.color) << s.where << " " << s.x << ", " << s.y;
  }
}

TEST_F(TitleTest, TextsInTheirFontsAtTheirCells) {
  ShowTitle("Punktmuster", "4/18");
  struct Expected {
    std::string text;
    int x, y;
    double points;
    Color foreground, background;
  };
  const Expected expected[] = {
      {"           Punktmuster         ", 266, 122, 18, kBlack, kWhite},
      {"Z O R", 333, 206, 80, kWhite, kGreen},
      // measured in the 80 pt cells, drawn in 26 pt
      {" S O F T W A R E ", 307, 327, 26, kWhite, kGreen},
      {"        K  a  l  p  e  n       ", 266, 418, 18, kBlack, kWhite},
      // measured in the 18 pt cells, drawn in 14 pt
      {"       " + kCredit + "       ", 267, 500, 14, kWhite, kGreen},
  };
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  ASSERT_EQ(log.size(), std::size(expected));
  for (std::size_t k = 0; k < log.size(); ++k) {
    const Expected& e = expected[k];
    EXPECT_EQ(log[k].text, e.text) << k;
    EXPECT_EQ(log[k].x, e.x) << k;
    EXPECT_EQ(log[k].y, e.y) << k;
    EXPECT_EQ(log[k].face, "Courier New") << k;
    EXPECT_EQ(log[k].points, e.points) << k;
    EXPECT_EQ(log[k].style, 1) << k;
    EXPECT_EQ(log[k].foreground, e.foreground) << k;
    EXPECT_EQ(log[k].background, e.background) << k;
  }
}

TEST_F(TitleTest, CaptionIsCentredInItsBarWithoutLengtheningIt) {
  const std::string kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  struct Case {
    std::size_t length;
    std::size_t first;  // 1-based position of the first caption character
    std::size_t shown;  // caption characters in the bar
  };
  const Case cases[] = {
      {16, 9, 16}, {21, 7, 21}, {31, 2, 30},
      {0, 1, 0},   {1, 17, 1},  {34, 1, 31},  // would start at 0: starts at 1 and loses its end
      {45, 1, 31},
  };
  for (const Case& c : cases) {
    HeadlessReset();
    OpenWindow("t", 100, 100, 1030, 630);
    std::string caption = kLetters.substr(0, c.length);
    ShowTitle(caption, "4/18");
    std::string expected(31, ' ');
    expected.replace(c.first - 1, c.shown, caption.substr(0, c.shown));
    ASSERT_FALSE(HeadlessPrintLog().empty());
    EXPECT_EQ(HeadlessPrintLog().front().text, expected) << c.length;
  }
}

TEST_F(TitleTest, CreditIsCentredInItsLine) {
  struct Case {
    std::string suffix;
    std::string line;
  };
  const Case cases[] = {
      {"4/18", "       Grafik-Demo, Version 4/18       "},
      {"", "         Grafik-Demo, Version          "},
      {"1.0 (Test)", "    Grafik-Demo, Version 1.0 (Test)    "},
      {"0123456789012345678901234", "Grafik-Demo, Version 012345678901234567"},
  };
  for (const Case& c : cases) {
    HeadlessReset();
    OpenWindow("t", 100, 100, 1030, 630);
    ShowTitle("Punktmuster", c.suffix);
    ASSERT_FALSE(HeadlessPrintLog().empty());
    EXPECT_EQ(HeadlessPrintLog().back().text, c.line) << c.suffix;
    EXPECT_EQ(HeadlessPrintLog().back().text.size(), 39u);
  }
}

TEST_F(TitleTest, StandsFourSecondsAndLeavesTheKeyPending) {
  HeadlessPressKey("q");
  ShowTitle("Punktmuster", "4/18");
  EXPECT_EQ(HeadlessClockMs(), 4000);
  EXPECT_EQ(ReadKey(), "q");
}

TEST_F(TitleTest, LeavesWhiteOnGreenInThe14PointFont) {
  ShowTitle("Punktmuster", "4/18");
  PrintText("x");
  const PrintedText& printed = HeadlessPrintLog().back();
  EXPECT_EQ(printed.points, 14);
  EXPECT_EQ(printed.foreground, kWhite);
  EXPECT_EQ(printed.background, kGreen);
  Extent cell = TextCellSize();
  EXPECT_EQ(cell.width, 11);
  EXPECT_EQ(cell.height, 22);
}

}  // namespace
