// The logo screen shown once at start.
#include "title/title.h"

#include <algorithm>

#include "display/display.h"
#include "textscreen/textscreen.h"

namespace {

constexpr Color kGreen = 0x00BE00;

constexpr double kBarPoints = 18;
constexpr double kLogoPoints = 80;
constexpr double kLogoLinePoints = 26;
constexpr double kCreditPoints = 14;

constexpr int kBarCells = 31;
constexpr int kBarCentre = 17;
constexpr int kCreditCells = 39;
constexpr int kCreditCentre = 20;
constexpr char kCreditWords[] = "Grafik-Demo, Version ";
constexpr double kTitleMs = 4000;

// Box corners in window pixels; every box has square corners.
struct BoxPixels {
  double x1, y1, x2, y2;
};
// A black shadow and a green panel in front of it.
struct BoxPair {
  BoxPixels shadow;
  BoxPixels panel;
};
constexpr BoxPair kLogoBoxes = {{274, 130, 713, 458}, {264, 148, 701, 418}};
constexpr BoxPair kCreditBoxes = {{274, 508, 713, 536}, {264, 496, 701, 524}};

// What a text of the title adds to its fixed words.
enum TitleArgument { kNoArgument, kCaption, kCreditSuffix };

// One step of the title: the boxes drawn first (their shadow's outline in the
// text colour of that moment), then a text. The text is placed in the cells
// of one font and drawn in another; where the two differ that is on purpose.
struct TitleStep {
  const BoxPair* boxes;  // nullptr: none
  Color foreground;
  Color background;
  double place_points;  // the font whose cells place the text
  double row;
  double column;
  double draw_points;  // the font the text is drawn in
  const char* words;
  TitleArgument argument;  // appended to the words
  int cells;               // centred in a line of that many blanks; 0: as it is
  int centre;
};
constexpr TitleStep kTitleSteps[] = {
    {&kLogoBoxes, kBlack, kWhite, kBarPoints, 5.5, 20, kBarPoints, "", kCaption, kBarCells,
     kBarCentre},
    {nullptr, kWhite, kGreen, kLogoPoints, 2.7, 6.2, kLogoPoints, "Z O R", kNoArgument, 0, 0},
    {nullptr, kWhite, kGreen, kLogoPoints, 3.7, 5.8, kLogoLinePoints, " S O F T W A R E ",
     kNoArgument, 0, 0},
    {nullptr, kBlack, kWhite, kBarPoints, 16.5, 20, kBarPoints, "        K  a  l  p  e  n       ",
     kNoArgument, 0, 0},
    {&kCreditBoxes, kWhite, kGreen, kBarPoints, 19.5, 20.1, kCreditPoints, kCreditWords,
     kCreditSuffix, kCreditCells, kCreditCentre},
};

// Each text makes its own font, in the order the texts are drawn.
void SelectTitleFont(double points) {
  SelectFont(CreateFont(kScreenFace, points, kStyleBold));
}

// Writes text into a line of blanks so that it is centred around the given
// position; the line never grows: what falls off the end is dropped. A text
// too long to be centred starts at position 1, like an overlong message.
std::string CentreInBlanks(const std::string& text, int cells, int centre) {
  std::string line(cells, ' ');
  int length = static_cast<int>(text.size());
  int start = std::max(centre - length / 2, 1);
  for (int k = 0; k < length && start - 1 + k < cells; ++k) line[start - 1 + k] = text[k];
  return line;
}

}  // namespace

void ShowTitle(std::string caption, std::string credit_suffix) {
  ClearWindow(kLightGrey);
  for (const TitleStep& step : kTitleSteps) {
    if (step.boxes) {
      // The first shadow comes before any text colour is set, so its outline
      // has the colour the window starts with.
      const BoxPixels& s = step.boxes->shadow;
      const BoxPixels& p = step.boxes->panel;
      DrawBox(s.x1, s.y1, s.x2, s.y2, 0, kDefaultColor, kBlack);
      DrawBox(p.x1, p.y1, p.x2, p.y2, 0, kGreen, kGreen);
    }
    SetColors(step.foreground, step.background);
    SelectTitleFont(step.place_points);
    GotoCell(step.row, step.column);
    SelectTitleFont(step.draw_points);
    std::string text = step.words;
    if (step.argument == kCaption) text += caption;
    if (step.argument == kCreditSuffix) text += credit_suffix;
    PrintText(step.cells > 0 ? CentreInBlanks(text, step.cells, step.centre) : text);
    NewLine();
  }
  Pause(kTitleMs);
}
