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
constexpr BoxPixels kLogoShadow = {274, 130, 713, 458};
constexpr BoxPixels kLogoPanel = {264, 148, 701, 418};
constexpr BoxPixels kCreditShadow = {274, 508, 713, 536};
constexpr BoxPixels kCreditPanel = {264, 496, 701, 524};

void DrawSquareBox(const BoxPixels& box, Color line, Color fill) {
  DrawBox(box.x1, box.y1, box.x2, box.y2, 0, line, fill);
}

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
  // No text colour has been set yet, so this outline has the colour the
  // window starts with.
  DrawSquareBox(kLogoShadow, kDefaultColor, kBlack);
  DrawSquareBox(kLogoPanel, kGreen, kGreen);

  SetColors(kBlack, kWhite);
  SelectTitleFont(kBarPoints);
  GotoCell(5.5, 20);
  PrintText(CentreInBlanks(caption, kBarCells, kBarCentre));
  NewLine();

  SetColors(kWhite, kGreen);
  SelectTitleFont(kLogoPoints);
  GotoCell(2.7, 6.2);
  PrintText("Z O R");
  NewLine();
  // Placed in the cells of the large font on purpose, drawn in the smaller one.
  GotoCell(3.7, 5.8);
  SelectTitleFont(kLogoLinePoints);
  PrintText(" S O F T W A R E ");
  NewLine();

  SetColors(kBlack, kWhite);
  SelectTitleFont(kBarPoints);
  GotoCell(16.5, 20);
  PrintText("        K  a  l  p  e  n       ");
  NewLine();

  DrawSquareBox(kCreditShadow, kDefaultColor, kBlack);
  DrawSquareBox(kCreditPanel, kGreen, kGreen);
  // Again measured in the bar's font and drawn in the credit font.
  GotoCell(19.5, 20.1);
  SelectTitleFont(kCreditPoints);
  SetColors(kWhite, kGreen);
  PrintText(CentreInBlanks(kCreditWords + credit_suffix, kCreditCells, kCreditCentre));
  NewLine();

  Pause(kTitleMs);
}
