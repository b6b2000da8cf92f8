// Start-up (the window and the two fonts) and the description screen that
// opens every pass.
#include <string>

#include "display/display.h"
#include "main/program.h"
#include "textscreen/textscreen.h"

namespace {

constexpr double kWindowLeftPx = 100;
constexpr double kWindowTopPx = 100;
constexpr double kHeadingFontPoints = 20;

struct ScreenLine {
  double row;
  double column;
  const char* text;
};

// Heading cells are cells of the heading font; everything else of the text font.
constexpr ScreenLine kHeading = {2, 24, "F r a k t a l e"};

// Hex escapes are closed by a string break where a hex digit follows, so that
// the escape does not swallow it ("\xE4" "chst").
constexpr ScreenLine kDescription[] = {
    {5, 2, "Erzeugen von Fraktalen durch Anwenden zuf\xE4llig ausgewahlter 2-dimensionalen"},
    {6, 2, "Funktionen [0,1]\xB2 -> [0,1]\xB2, (x,y) -> (f(x,y),g(x,y))"},
    {8, 2,
     "Zun\xE4"
     "chst wird von einer der Funktionen ein Fixpunkt bestimmt. Von ihm aus-"},
    {9, 2, "gehend, wird durch Anwenden einer weiteren Funktionen ein neuer Punkt be-"},
    {10, 2, "stimmt, der als neuer Ausgangpunkt genommen wird. Dies wird gen\xFCgend oft"},
    {11, 2, "wiederholt, alle Punkte werden in der Grafik eingezeichnet."},
};

constexpr ScreenLine kEscapeNote = {
    26, 8, "Beenden des Programms durch Bet\xE4tigen von ESC bei einer Eingabe!"};

constexpr Color kHeadingRed = 0xF00000;
constexpr Color kDarkGrey = 0x404040;

void PrintLine(const ScreenLine& line) {
  GotoCell(line.row, line.column);
  PrintText(line.text);
  NewLine();
}

}  // namespace

ScreenFonts StartUp() {
  OpenWindow(kProgramCaption, kWindowLeftPx, kWindowTopPx, kWindowWidthPx, kWindowHeightPx);
  ScreenFonts fonts;
  fonts.text = CreateFont(kScreenFace, kTextFontPoints, kStyleNormal);
  fonts.heading = CreateFont(kScreenFace, kHeadingFontPoints, kStyleBold);
  return fonts;
}

void ShowDescription(FontId text_font, FontId heading_font) {
  ClearWindow(kLightGrey);
  SelectFont(heading_font);
  SetColors(kHeadingRed, kLightGrey);
  PrintLine(kHeading);
  SetColors(kBlack, kLightGrey);
  SelectFont(text_font);
  for (const ScreenLine& line : kDescription) PrintLine(line);
  SetColors(kDarkGrey, kLightGrey);
  PrintLine(kEscapeNote);
  SetColors(kBlack, kLightGrey);
}
