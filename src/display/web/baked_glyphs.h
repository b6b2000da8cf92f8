// Inside the display surface: glyphs rendered at build time, for a build
// without fontconfig and FreeType (the browser's). tools/glyphs renders
// them with the desktop's font code into a generated source file that defines
// these tables; fonts_baked.cpp serves them through fonts.h. A font has only
// the glyphs of the bytes it can be asked to print.
#pragma once

#include <cstdint>

#include "display/fonts.h"

constexpr int kBakedBytesPerFont = 256;  // the index holds every Windows-1252 byte

struct BakedGlyph {
  std::int16_t left;
  std::int16_t top;
  std::int16_t width;
  std::int16_t rows;
  std::int16_t advance_px;
  std::int32_t alpha_at;  // index of its first coverage value in kBakedAlpha
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
// Per font kBakedBytesPerFont entries: the byte's glyph in kBakedGlyphs, or
// -1 where the font never prints that byte.
extern const std::int16_t kBakedGlyphIndex[];
extern const BakedGlyph kBakedGlyphs[];
// The coverage values of all glyphs, one bitmap after the other.
extern const std::uint8_t kBakedAlpha[];
