// Point generation: the start point from pair 1, then 200000 points of
// randomly chosen pairs, each plotted as one pixel.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>
#include <vector>

#include "display/display.h"
#include "main/program.h"
#include "terms/terms.h"
#include "textscreen/textscreen.h"

namespace {

constexpr int kStartSteps = 1000;
constexpr int kPoints = 200000;
constexpr int kColorBlock = 10000;

struct Point {
  double x;
  double y;
};

// Both terms see the old point; the f term is evaluated first. False, with
// the point left as it was, when ESC ended a calculation-error message: the
// drawing then stops at once, before a further evaluation can show another.
bool ApplyPair(const TermPair& pair, Point& p) {
  double x = EvaluateTerm(pair.f, p.x, p.y, 0);
  if (TakeMessageEscape()) return false;
  double y = EvaluateTerm(pair.g, p.x, p.y, 0);
  if (TakeMessageEscape()) return false;
  p = {x, y};
  return true;
}

}  // namespace

void PlotPoints(double n, const std::vector<TermPair>& translated, const DisplayRange& range) {
  assert(n >= 1 && std::floor(n) <= static_cast<double>(translated.size()));
  // A term that fails at every evaluation shows a message at every point;
  // ESC at one of them ends the drawing, so the user can correct the term.
  TakeMessageEscape();
  Point p = {0, 0};
  for (int step = 0; step < kStartSteps; step++) {
    if (!ApplyPair(translated[0], p)) return;
  }

  double sx = kPlotWidthPx / (range.x2 - range.x1);
  double sy = kPlotHeightPx / (range.y2 - range.y1);
  ClearWindow(kLightGrey);

  double r = 255, g = 0, b = 0;
  for (int k = 1; k <= kPoints; k++) {
    if (k % kColorBlock == 0) {
      double old_r = r;
      r = g;
      g = b;
      b = old_r;
      if (!ReadKey().empty()) return;
    }
    double u = NextRandom();
    // Never beyond n, and the caller made floor(n) pairs.
    double choice = std::floor(std::min(u * n + 1, n));
    assert(choice >= 1 && choice <= static_cast<double>(translated.size()));
    if (!ApplyPair(translated[static_cast<std::size_t>(choice) - 1], p)) return;
    SetPixel((p.x - range.x1) * sx + kPlotLeftPx, kPlotBottomPx - (p.y - range.y1) * sy,
             Rgb(r, g, b));
  }
}
