// Inside the display surface: the fonts the program made, their cell metrics
// and their glyphs as coverage bitmaps ready to blend. The desktop finds and
// renders faces through fontconfig and FreeType.
#pragma once

#include <cstdint>
#include <string>

#include "display/display.h"

// Cell metrics as the text screen lays itself out: 96 logical pixels per
// inch, the face's average character width and its Windows ascent+descent.
struct FontMetrics {
  int cell_width_px;
  int cell_height_px;
  int baseline_px;  // from the top of the cell down to the baseline
  int leading_px;   // extra gap between lines
};

// One character drawn: a bitmap of coverage values placed relative to the
// pen on the baseline.
struct GlyphBitmap {
  int left;  // from the pen to the bitmap's left edge
  int top;   // from the baseline up to the bitmap's top edge
  int width;
  int rows;
  int advance_px;
  const std::uint8_t* alpha;  // width * rows values 0..255, row by row
};

// What a font was made from: the arguments of its CreateFont.
struct FontRequest {
  std::string face;  // Windows-1252, as the program named it
  double points;
  int style;
};

// The font for text drawn before the program selects one of its own.
FontId SystemFont();
// True when `font` was made by CreateFont.
bool IsFont(FontId font);
FontMetrics MetricsOf(FontId font);
// The glyph of one Windows-1252 character; valid until the next CreateFont.
GlyphBitmap GlyphOf(FontId font, unsigned char c);
// Fonts made so far, FontId 0 up to FontCount() - 1.
int FontCount();
FontRequest RequestOf(FontId font);
// The font made earlier from the same face, points and style, or -1: each is
// made once, so that the glyph cache is not filled twice.
FontId FontMadeBefore(const FontRequest& request);

// True when some installed font can stand for the face; used at start-up to
// fail early with a clear message.
bool FaceAvailable(const std::string& face);
// One line on stderr: no font for the face, and which package brings one.
void ReportMissingFont(const std::string& face);
