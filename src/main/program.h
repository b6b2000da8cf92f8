// The main flow: start-up, description screen, point generation and the
// passes of the program.
#pragma once

#include <string>
#include <vector>

#include "display/display.h"

// The window's caption, also shown in the title screen's bar.
constexpr char kProgramCaption[] = "Punktmuster 1.11";

struct ScreenFonts {
  FontId text;     // "Courier New" 16 pt normal
  FontId heading;  // "Courier New" 20 pt bold
};

// The display range: (x1, y1) is drawn at the lower left of the plot
// rectangle, (x2, y2) at its upper right.
struct DisplayRange {
  double x1;
  double y1;
  double x2;
  double y2;
};

// Where an input of a pass stands: text row and column of its prompt, and
// the width of its field in cells.
struct InputField {
  double row;
  double column;
  double width;
};
constexpr InputField kCountField = {22, 2, 10};
constexpr InputField kFTermField = {22, 1, 50};
constexpr InputField kGTermField = {23, 1, 50};
constexpr InputField kRangeField = {14, 2, 50};

// The terms and the range offered when the pair count changed to exactly
// 1, 2 or 3.
struct DefaultPair {
  const char* f;
  const char* g;
};
struct BuiltInDefaults {
  double count;
  DefaultPair pairs[3];
  DisplayRange range;
};
constexpr BuiltInDefaults kBuiltIns[] = {
    {1, {{"y-abs(-0.3*x-0.2)*sgn(x)", "2-x"}}, {-2.5, -3, 4, 5}},
    {2, {{"y-abs(-0.3*x-0.2)*sgn(x)", "2-x"}, {"0.5*x+0.5", "0.5*y"}}, {-0.5, -0.5, 2, 2.5}},
    {3, {{"0.5*x", "0.5*y"}, {"0.5*x+0.5", "0.5*y"}, {"0.5*x+0.25", "0.5*y+0.5"}}, {0, 0, 1, 1}},
};

// The plot rectangle in window pixels: (x1, y1) of the display range lands
// on its lower left corner, (x2, y2) on its upper right.
constexpr double kPlotLeftPx = 115;
constexpr double kPlotBottomPx = 565;
constexpr double kPlotWidthPx = 800;
constexpr double kPlotHeightPx = 500;

// The translated f and g term of one pair.
struct TermPair {
  std::string f;
  std::string g;
};

// Opens the window and makes the two fonts of the text screen.
ScreenFonts StartUp();
// Clears the window and draws the description screen; leaves the text font
// selected and black on light grey.
void ShowDescription(FontId text_font, FontId heading_font);
// Next number in [0, 1) of the program-wide sequence (never reseeded).
double NextRandom();
// Puts the sequence back to its state at program start (for tests).
void RestartRandom();
// Finds the start point with pair 1 and plots 200000 points of randomly chosen
// pairs; returns early when a key is pending at a colour change.
void PlotPoints(double n, const std::vector<TermPair>& translated, const DisplayRange& range);
// The entry procedure: start-up, title, then passes until the user ends them.
void RunProgram();
