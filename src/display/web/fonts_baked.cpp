// Fonts from glyphs baked at build time (baked_glyphs.h), for the browser
// build: the same metrics and coverage values the desktop's font code gives
// on the machine that built it, so text comes out pixel for pixel the same.
#include <cassert>
#include <cstdio>
#include <string>
#include <vector>

#include "display/codepage.h"
#include "display/fonts.h"
#include "display/web/baked_glyphs.h"

namespace {

// The fonts made so far: FontId is the index, each entry a baked font.
struct FontTable {
  std::vector<FontRequest> requests;
  std::vector<int> baked;
  FontId system_font = -1;
};
FontTable& g_table = *new FontTable;

int FindBaked(const std::string& face, double points, int style) {
  for (int i = 0; i < kBakedFontCount; ++i) {
    const BakedFont& b = kBakedFonts[i];
    if (face == b.face && points == b.points && style == b.style) return i;
  }
  return -1;
}

FontId Add(const FontRequest& request, int baked) {
  g_table.requests.push_back(request);
  g_table.baked.push_back(baked);
  return static_cast<FontId>(g_table.requests.size() - 1);
}

}  // namespace

FontId CreateFont(std::string face, double points, int style) {
  const FontId before = FontMadeBefore({face, points, style});
  if (before >= 0) return before;
  int baked = FindBaked(face, points, style);
  if (baked < 0) {
    // Only a font the program did not make when its glyphs were baked; the
    // page goes on in the system font rather than stop.
    std::fprintf(stderr,
                 "punktmuster: Schrift \"%s\" %g pt fehlt im Build, Ersatz: Systemschrift\n",
                 ToUtf8(face).c_str(), points);
    baked = kBakedSystemFont;
  }
  return Add({face, points, style}, baked);
}

FontId SystemFont() {
  if (g_table.system_font < 0) {
    const BakedFont& b = kBakedFonts[kBakedSystemFont];
    g_table.system_font = Add({b.face, b.points, b.style}, kBakedSystemFont);
  }
  return g_table.system_font;
}

bool IsFont(FontId font) {
  return font >= 0 && font < static_cast<int>(g_table.requests.size());
}

FontMetrics MetricsOf(FontId font) {
  assert(IsFont(font));
  return kBakedFonts[g_table.baked[font]].metrics;
}

GlyphBitmap GlyphOf(FontId font, unsigned char c) {
  assert(IsFont(font));
  int glyph = kBakedGlyphIndex[g_table.baked[font] * kBakedBytesPerFont + c];
  // The baker fails the build when the program prints a byte its font lacks.
  assert(glyph >= 0);
  if (glyph < 0) return {0, 0, 0, 0, MetricsOf(font).cell_width_px, nullptr};
  const BakedGlyph& g = kBakedGlyphs[glyph];
  return {g.left, g.top, g.width, g.rows, g.advance_px, kBakedAlpha + g.alpha_at};
}

int FontCount() {
  return static_cast<int>(g_table.requests.size());
}

FontRequest RequestOf(FontId font) {
  assert(IsFont(font));
  return g_table.requests[font];
}

bool FaceAvailable(const std::string& face) {
  for (int i = 0; i < kBakedFontCount; ++i) {
    if (face == kBakedFonts[i].face) return true;
  }
  return false;
}

void ReportMissingFont(const std::string& face) {
  std::fprintf(stderr, "punktmuster: keine Schrift zu \"%s\" im Build\n", ToUtf8(face).c_str());
}
