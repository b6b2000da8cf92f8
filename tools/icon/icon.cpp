// Draws the program's icon with the program's own code: the three built-in
// pairs are translated and plotted by the point generation on the headless
// surface, with the display range chosen so that the figure fills the icon at
// the requested size, and the plotted square is written out as a PNG. The
// grey of the window becomes a rounded tile; its corners stay transparent.
// A maskable icon (for a web app, which the platform cuts into its own
// shape) is the whole grey square with the figure inside the circle every
// such shape keeps.
//
// Usage: punktmuster_icon SIZE OUTPUT.png [maskable]   (SIZE in pixels, 16 to 512)
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/headless/headless.h"
#include "main/program.h"
#include "terms/terms.h"

namespace {

constexpr int kMinSizePx = 16;
constexpr int kMaxSizePx = 512;  // the plot rectangle's bottom lies lower than this
// Share of the icon's side left free around the figure and rounded off at the
// tile's corners.
constexpr double kMarginShare = 1.0 / 16;
constexpr double kCornerShare = 3.0 / 16;
// A maskable icon's figure stays inside the safe circle of 80% of the side:
// a square of half the side has a diagonal of 71%.
constexpr double kMaskableMarginShare = 1.0 / 4;

// Plots the built-in pairs so that the unit square lands on the icon's square
// inside a margin; returns the window column and row of the icon's top left.
void DrawFigure(int size_px, double margin_share, int* left_px, int* top_px) {
  HeadlessReset();
  RestartRandom();
  OpenWindow(kProgramCaption, 0, 0, kWindowWidthPx, kWindowHeightPx);
  // The pairs the program offers when the user asks for three.
  const BuiltInDefaults& three = kBuiltIns[2];
  std::vector<TermPair> pairs;
  for (const DefaultPair& pair : three.pairs) {
    pairs.push_back({TranslateTerm(pair.f), TranslateTerm(pair.g)});
  }
  double margin_px = std::round(size_px * margin_share);
  // Pixels per unit, the same across and up, so the figure keeps its shape.
  double scale = size_px - 1 - 2 * margin_px;
  DisplayRange range;
  range.x1 = -margin_px / scale;
  range.y1 = -margin_px / scale;
  range.x2 = range.x1 + kPlotWidthPx / scale;
  range.y2 = range.y1 + kPlotHeightPx / scale;
  PlotPoints(three.count, pairs, range);
  *left_px = static_cast<int>(kPlotLeftPx);
  *top_px = static_cast<int>(kPlotBottomPx) - (size_px - 1);
}

// Whether the icon pixel (x, y) lies inside the tile with rounded corners.
bool InsideTile(int size_px, double corner_share, int x, int y) {
  double radius = size_px * corner_share;
  double cx = std::min(std::max(x + 0.5, radius), size_px - radius);
  double cy = std::min(std::max(y + 0.5, radius), size_px - radius);
  double dx = x + 0.5 - cx;
  double dy = y + 0.5 - cy;
  return dx * dx + dy * dy <= radius * radius;
}

}  // namespace

int main(int argc, char** argv) {
  bool maskable = argc == 4 && std::strcmp(argv[3], "maskable") == 0;
  if (argc != 3 && !maskable) {
    std::fprintf(stderr, "usage: punktmuster_icon SIZE OUTPUT.png [maskable]\n");
    return 2;
  }
  int size_px = std::atoi(argv[1]);
  if (size_px < kMinSizePx || size_px > kMaxSizePx) {
    std::fprintf(stderr, "punktmuster_icon: size %s is not between %d and %d\n", argv[1],
                 kMinSizePx, kMaxSizePx);
    return 2;
  }
  int left_px = 0, top_px = 0;
  DrawFigure(size_px, maskable ? kMaskableMarginShare : kMarginShare, &left_px, &top_px);
  double corner_share = maskable ? 0 : kCornerShare;

  std::vector<unsigned char> rgba(static_cast<std::size_t>(size_px) * size_px * 4, 0);
  for (int y = 0; y < size_px; y++) {
    for (int x = 0; x < size_px; x++) {
      if (!InsideTile(size_px, corner_share, x, y)) continue;
      Color c = HeadlessPixel(left_px + x, top_px + y);
      unsigned char* out = &rgba[(static_cast<std::size_t>(y) * size_px + x) * 4];
      out[0] = static_cast<unsigned char>(c >> 16);
      out[1] = static_cast<unsigned char>(c >> 8);
      out[2] = static_cast<unsigned char>(c);
      out[3] = 255;
    }
  }

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(size_px);
  image.height = static_cast<png_uint_32>(size_px);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, argv[2], 0, rgba.data(), 0, nullptr)) {
    std::fprintf(stderr, "punktmuster_icon: cannot write %s: %s\n", argv[2], image.message);
    return 1;
  }
  return 0;
}
