// Inside the display surface: glyphs rendered at build time, for a build
// without fontconfig and FreeType (the browser's). tools/glyphs renders
// them with the desktop's font code into a generated source file that defines
// these tables; fonts_baked.cpp serves them through fonts.h.
#pragma once

#include <cstdint>

#include "display/fonts.h"

constexpr int kBakedGlyphsPerFont = 256;  // one for every Windows-1252 byte

struct BakedGlyph {
  int left;
  int top;
  int width;
  int rows;
  int advance_px;
  int alpha_at;  // index of its first coverage value in kBakedAlpha
};

struct BakedFont {
  const char* face;  // Windows-1252
  double points;
  int style;
  FontMetrics metrics;
};

// Every font the program makes, in the order it makes them.
extern const BakedFont kBakedFonts[];
extern const int kBakedFontCount;
// Which of them is the system font (SystemFont).
extern const int kBakedSystemFont;
// kBakedGlyphsPerFont glyphs for each font, fonts in the order above.
extern const BakedGlyph kBakedGlyphs[];
extern const std::uint8_t kBakedAlpha[];
