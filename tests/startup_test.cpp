// Start-up and the description screen: window, fonts, and the eight texts at
// their cells in their fonts and colours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/headless/headless.h"
#include "main/program.h"
#include "textscreen/textscreen.h"

namespace {

constexpr Color kLightGrey = 0xD0D0D0;
constexpr Color kBlack = 0x000000;
constexpr Color kHeadingRed = 0xF00000;
constexpr Color kDarkGrey = 0x404040;

// The expected texts are written here in UTF-8 as anyone would type them and
// brought to single-byte form independently of the program's own literals.
std::string Latin1(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); i++) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      unsigned char next = static_cast<unsigned char>(utf8[++i]);
      out += static_cast<char>(((c & 0x1F) << 6) | (next & 0x3F));
    }
  }
  return out;
}

struct Expected {
  int row;
  int column;
  bool heading;
  Color foreground;
  const char* utf8;
};

const Expected kScreen[] = {
    {2, 24, true, kHeadingRed, "F r a k t a l e"},
    {5, 2, false, kBlack,
     "Erzeugen von Fraktalen durch Anwenden zufällig ausgewahlter 2-dimensionalen"},
    {6, 2, false, kBlack, "Funktionen [0,1]² -> [0,1]², (x,y) -> (f(x,y),g(x,y))"},
    {8, 2, false, kBlack,
     "Zunächst wird von einer der Funktionen ein Fixpunkt bestimmt. Von ihm aus-"},
    {9, 2, false, kBlack,
     "gehend, wird durch Anwenden einer weiteren Funktionen ein neuer Punkt be-"},
    {10, 2, false, kBlack,
     "stimmt, der als neuer Ausgangpunkt genommen wird. Dies wird genügend oft"},
    {11, 2, false, kBlack, "wiederholt, alle Punkte werden in der Grafik eingezeichnet."},
    {26, 8, false, kDarkGrey, "Beenden des Programms durch Betätigen von ESC bei einer Eingabe!"},
};

TEST(StartUpTest, OpensWindowAndMakesFonts) {
  HeadlessReset();
  ScreenFonts fonts = StartUp();
  EXPECT_EQ(HeadlessCaption(), "Punktmuster 1.11");
  EXPECT_NE(fonts.text, fonts.heading);
  SelectFont(fonts.text);
  PrintText("t");
  SelectFont(fonts.heading);
  PrintText("h");
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].face, "Courier New");
  EXPECT_EQ(log[0].points, 16);
  EXPECT_EQ(log[0].style, 0);
  EXPECT_EQ(log[1].face, "Courier New");
  EXPECT_EQ(log[1].points, 20);
  EXPECT_EQ(log[1].style, 1);
}

TEST(StartUpTest, DescriptionScreen) {
  HeadlessReset();
  ScreenFonts fonts = StartUp();
  SelectFont(fonts.heading);
  Extent heading_cell = TextCellSize();
  SelectFont(fonts.text);
  Extent text_cell = TextCellSize();
  // Something on the window before: the description screen wipes it.
  SetColors(kBlack, kBlack);
  PrintText("old");

  ShowDescription(fonts.text, fonts.heading);
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  ASSERT_EQ(log.size(), 1 + std::size(kScreen));
  for (std::size_t i = 0; i < std::size(kScreen); i++) {
    const Expected& e = kScreen[i];
    const PrintedText& printed = log[i + 1];
    Extent cell = e.heading ? heading_cell : text_cell;
    EXPECT_EQ(printed.text, Latin1(e.utf8)) << e.row;
    EXPECT_EQ(printed.x, static_cast<int>((e.column - 1) * cell.width)) << e.row;
    EXPECT_EQ(printed.y, static_cast<int>((e.row - 1) * cell.height)) << e.row;
    EXPECT_EQ(printed.foreground, e.foreground) << e.row;
    EXPECT_EQ(printed.background, kLightGrey) << e.row;
    EXPECT_EQ(printed.points, e.heading ? 20 : 16) << e.row;
  }
  // Umlauts and the square sign are one character each.
  EXPECT_EQ(log[2].text.size(), 75u);
  EXPECT_EQ(log[3].text.size(), 53u);
  EXPECT_EQ(HeadlessPixel(1029, 629), kLightGrey);

  // Left behind: the text font, black on light grey.
  PrintText("x");
  EXPECT_EQ(log.back().points, 16);
  EXPECT_EQ(log.back().foreground, kBlack);
  EXPECT_EQ(log.back().background, kLightGrey);
}

}  // namespace
