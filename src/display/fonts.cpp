// Fonts on the desktop: faces found through fontconfig, rendered by FreeType
// at 96 logical pixels per inch, and a cache of the glyphs of each font.
#include "display/fonts.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "display/codepage.h"
#include "display/surface.h"

namespace {

constexpr double kLogicalDpi = 96.0;
constexpr double kPointsPerInch = 72.0;
constexpr int kMaxEmPx = 600;
constexpr int kWidestMetricPx = 1 << 20;
// The system's font, for text drawn before the program chose one.
constexpr char kSystemFace[] = "monospace";
constexpr double kSystemPoints = 16;
constexpr char kMissingFontPackage[] = "fonts-liberation";

// Families made to share the metrics of another one: a stand-in of this kind
// keeps every cell of a text screen where the requested face would put it.
struct MetricTwin {
  const char* face;
  const char* twin;
};
constexpr MetricTwin kMetricTwins[] = {{"Courier New", "Liberation Mono"},
                                       {"Courier New", "Cousine"},
                                       {"Arial", "Liberation Sans"},
                                       {"Times New Roman", "Liberation Serif"}};

struct Glyph {
  bool loaded = false;
  int left = 0;
  int top = 0;
  int width = 0;
  int rows = 0;
  int advance_px = 0;
  std::vector<std::uint8_t> alpha;
};

struct Font {
  FontRequest request;
  FT_Face ft = nullptr;
  FontMetrics metrics = {0, 0, 0, 0};
  std::vector<Glyph> glyphs = std::vector<Glyph>(256);
};

// The font that would be drawn for a face ("" when none at all).
struct FontMatch {
  std::string file;
  std::string family;
  int index;  // of the face within the file
};

// Every font made, for the whole run (never destroyed, so exit in any thread
// is safe). Touched by the logic thread only, and by start-up before it runs.
struct FontTable {
  std::vector<Font> fonts;
  FT_Library freetype = nullptr;
  FontId system_font = -1;
  bool warned = false;  // about a stand-in without the face's metrics, once
};
FontTable& g_table = *new FontTable;

// A metric of the face in whole pixels; any real face's lies far inside.
int MetricPx(double v) {
  return ClampedPx(v, -kWidestMetricPx, kWidestMetricPx, 0);
}

FontMatch MatchFont(const std::string& face, int style) {
  FontMatch m = {"", "", 0};
  if (!FcInit()) return m;
  std::string family = ToUtf8(face);
  FcPattern* want = FcPatternCreate();
  FcPatternAddString(want, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(want, FC_WEIGHT, style == kStyleBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(want, FC_SLANT, FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, want, FcMatchPattern);
  FcDefaultSubstitute(want);
  FcResult result;
  FcPattern* found = FcFontMatch(nullptr, want, &result);
  if (found) {
    FcChar8* text = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &text) == FcResultMatch && text) {
      m.file = reinterpret_cast<const char*>(text);
    }
    if (FcPatternGetString(found, FC_FAMILY, 0, &text) == FcResultMatch && text) {
      m.family = reinterpret_cast<const char*>(text);
    }
    if (FcPatternGetInteger(found, FC_INDEX, 0, &m.index) != FcResultMatch) m.index = 0;
    FcPatternDestroy(found);
  }
  FcPatternDestroy(want);
  return m;
}

bool SharesMetrics(const std::string& face, const std::string& family) {
  if (ToUtf8(face) == family) return true;
  for (const MetricTwin& t : kMetricTwins) {
    if (face == t.face && family == t.twin) return true;
  }
  return false;
}

[[noreturn]] void DieWithoutFont(const std::string& face) {
  ReportMissingFont(face);
  std::_Exit(1);
}

FT_Library FreeType() {
  if (!g_table.freetype && FT_Init_FreeType(&g_table.freetype) != 0) g_table.freetype = nullptr;
  return g_table.freetype;
}

FontMetrics MeasureFace(FT_Face ft, int em) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
  double units = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
  FontMetrics m = {0, 0, 0, 0};
  // The line height FreeType gives for the pixel size matches the face's
  // ascent plus descent rounded once; rounding each outward is a pixel too much.
  m.cell_height_px = static_cast<int>(ft->size->metrics.height >> 6);
  if (os2 && os2->version != 0xFFFF) {
    m.cell_width_px = MetricPx(em * os2->xAvgCharWidth / units);
    m.baseline_px = MetricPx(em * os2->usWinAscent / units);
  } else {
    m.cell_width_px = static_cast<int>((ft->size->metrics.max_advance + 32) >> 6);
    m.baseline_px = static_cast<int>((ft->size->metrics.ascender + 32) >> 6);
  }
  m.leading_px = hhea ? MetricPx(em * hhea->Line_Gap / units) : 0;
  if (m.cell_height_px <= 0) m.cell_height_px = em;
  return m;
}

void LoadGlyph(Font& f, unsigned char c, Glyph& g) {
  g.loaded = true;
  if (FT_Load_Char(f.ft, UnicodeOf(c), FT_LOAD_RENDER) != 0) {
    g.advance_px = f.metrics.cell_width_px;
    return;
  }
  FT_GlyphSlot slot = f.ft->glyph;
  g.advance_px = static_cast<int>((slot->advance.x + 32) >> 6);
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) return;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.alpha.resize(static_cast<std::size_t>(g.width) * g.rows);
  unsigned levels = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
  for (int y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < g.width; ++x) {
      g.alpha[static_cast<std::size_t>(y) * g.width + x] =
          static_cast<std::uint8_t>(row[x] * 255 / levels);
    }
  }
}

FontId MakeFont(const std::string& face, double points, int style, bool warn) {
  const FontId before = FontMadeBefore({face, points, style});
  if (before >= 0) return before;
  double em_exact = std::isfinite(points) ? points * kLogicalDpi / kPointsPerInch : 1;
  int em = ClampedPx(em_exact, 1, kMaxEmPx, 1);
  FontMatch match = MatchFont(face, style);
  if (match.file.empty() || !FreeType()) DieWithoutFont(face);
  if (warn && !g_table.warned && !SharesMetrics(face, match.family)) {
    g_table.warned = true;
    std::fprintf(stderr,
                 "punktmuster: Warnung: \"%s\" wird mit \"%s\" gezeichnet, deren Zeichenbreite "
                 "nicht zum Bildschirmaufbau passt\n",
                 ToUtf8(face).c_str(), match.family.c_str());
  }
  Font f;
  f.request = {face, points, style};
  if (FT_New_Face(FreeType(), match.file.c_str(), match.index, &f.ft) != 0) DieWithoutFont(face);
  FT_Set_Pixel_Sizes(f.ft, 0, static_cast<FT_UInt>(em));
  f.metrics = MeasureFace(f.ft, em);
  g_table.fonts.push_back(std::move(f));
  return static_cast<FontId>(g_table.fonts.size() - 1);
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// fontconfig loses a few bytes while it parses its configuration files; that
// is not ours to mend, and the leak checker would fail every test that draws.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

FontId CreateFont(std::string face, double points, int style) {
  return MakeFont(face, points, style, true);
}

FontId SystemFont() {
  if (g_table.system_font < 0) {
    g_table.system_font = MakeFont(kSystemFace, kSystemPoints, kStyleNormal, false);
  }
  return g_table.system_font;
}

bool IsFont(FontId font) {
  return font >= 0 && font < static_cast<int>(g_table.fonts.size());
}

FontMetrics MetricsOf(FontId font) {
  assert(IsFont(font));
  return g_table.fonts[font].metrics;
}

GlyphBitmap GlyphOf(FontId font, unsigned char c) {
  assert(IsFont(font));
  Font& f = g_table.fonts[font];
  Glyph& g = f.glyphs[c];
  if (!g.loaded) LoadGlyph(f, c, g);
  return {g.left, g.top, g.width, g.rows, g.advance_px, g.alpha.data()};
}

int FontCount() {
  return static_cast<int>(g_table.fonts.size());
}

FontRequest RequestOf(FontId font) {
  assert(IsFont(font));
  return g_table.fonts[font].request;
}

bool FaceAvailable(const std::string& face) {
  return !MatchFont(face, kStyleNormal).file.empty();
}

void ReportMissingFont(const std::string& face) {
  std::fprintf(stderr,
               "punktmuster: keine Schrift zu \"%s\" gefunden; bitte das Debian-Paket "
               "%s installieren\n",
               ToUtf8(face).c_str(), kMissingFontPackage);
}
