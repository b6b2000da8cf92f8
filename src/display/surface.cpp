// The part of the display surface that both surfaces share: the framebuffer,
// the drawing state, fonts through fontconfig and FreeType, text, boxes,
// pixels, and the key buffer and click record.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "display/surface.h"

namespace {

constexpr double kLogicalDpi = 96.0;
constexpr double kPointsPerInch = 72.0;
constexpr int kMaxEmPx = 600;
// Positions are kept as whole pixels within this distance of the area, so that
// any double a caller computes (huge, infinite, not a number) stays harmless.
constexpr double kFarPx = 1 << 20;
constexpr std::size_t kAreaPixels = static_cast<std::size_t>(kAreaWidthPx) * kAreaHeightPx;
constexpr char kTab = '\t';
// Faces laid out like the classic typewriter face the text screen was made for.
constexpr std::array<const char*, 3> kMetricCompatibleFamilies = {"Courier New", "Liberation Mono",
                                                                  "Cousine"};

// Unicode of the Windows-1252 bytes 0x80..0x9F; 0 where the code page has no
// character (those bytes stand for the C1 control of the same number).
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

struct Glyph {
  bool loaded = false;
  int left = 0;  // from the pen position to the bitmap's left edge
  int top = 0;   // from the baseline up to the bitmap's top edge
  int width = 0;
  int rows = 0;
  int advance_px = 0;
  std::vector<std::uint8_t> alpha;  // width * rows coverage values
};

struct Font {
  std::string face;  // Windows-1252, as the program named it
  double points = 0;
  int style = 0;
  FT_Face ft = nullptr;
  int cell_width_px = 0;
  int cell_height_px = 0;
  int baseline_px = 0;
  int leading_px = 0;
  std::vector<Glyph> glyphs = std::vector<Glyph>(256);
};

// Kept for the whole run (never destroyed, so exit in any thread is safe).
Surface& g_surface = *new Surface;
std::vector<Font>& g_fonts = *new std::vector<Font>;
FT_Library g_freetype = nullptr;

[[noreturn]] void DieWithoutFont(const std::string& face) {
  ReportMissingFont(face);
  std::_Exit(1);
}

char32_t UnicodeOf(unsigned char c) {
  if (c >= 0x80 && c < 0xA0 && kHighControls[c - 0x80] != 0) return kHighControls[c - 0x80];
  return c;
}

int RoundPx(double v) {
  return static_cast<int>(std::nearbyint(v));
}

// A caller's coordinate as a whole pixel for the drawing position: halves to
// even, clamped before the conversion; not a number lands far off the area.
int PositionOf(double v) {
  if (std::isnan(v)) return static_cast<int>(kFarPx);
  return RoundPx(std::clamp(v, -kFarPx, kFarPx));
}

// A caller's coordinate as a pixel inside 0..limit-1, or false.
bool PixelOf(double v, int limit, int* px) {
  if (!std::isfinite(v)) return false;
  double r = std::nearbyint(v);
  if (r < 0 || r >= limit) return false;
  *px = static_cast<int>(r);
  return true;
}

Color ResolveText(Color c, Color system) {
  return c == kDefaultColor ? system : (c & 0xFFFFFF);
}

// kDefaultColor for pixels and box lines is the text colour in effect.
Color ResolveInk(Color c) {
  if (c == kDefaultColor) return ResolveText(g_surface.foreground, kSystemTextColor);
  return c & 0xFFFFFF;
}

void MarkDirty(Surface& s, int left, int top, int right, int bottom) {
  if (left >= right || top >= bottom) return;
  if (!s.dirty) {
    s.dirty = true;
    s.dirty_left = left;
    s.dirty_top = top;
    s.dirty_right = right;
    s.dirty_bottom = bottom;
    return;
  }
  s.dirty_left = std::min(s.dirty_left, left);
  s.dirty_top = std::min(s.dirty_top, top);
  s.dirty_right = std::max(s.dirty_right, right);
  s.dirty_bottom = std::max(s.dirty_bottom, bottom);
}

// Fills [left, right) x [top, bottom), clipped to the area; lock held.
void FillRect(Surface& s, long long left, long long top, long long right, long long bottom,
              Color color) {
  int l = static_cast<int>(std::clamp<long long>(left, 0, kAreaWidthPx));
  int r = static_cast<int>(std::clamp<long long>(right, 0, kAreaWidthPx));
  int t = static_cast<int>(std::clamp<long long>(top, 0, kAreaHeightPx));
  int b = static_cast<int>(std::clamp<long long>(bottom, 0, kAreaHeightPx));
  for (int y = t; y < b; ++y) {
    std::fill(s.pixels.begin() + y * kAreaWidthPx + l, s.pixels.begin() + y * kAreaWidthPx + r,
              static_cast<std::uint32_t>(color));
  }
  MarkDirty(s, l, t, r, b);
}

std::uint32_t Blend(std::uint32_t under, Color over, unsigned alpha) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned u = (under >> shift) & 0xFF;
    unsigned o = (static_cast<std::uint32_t>(over) >> shift) & 0xFF;
    out |= ((u * (255 - alpha) + o * alpha + 127) / 255) << shift;
  }
  return out;
}

FT_Library FreeType() {
  if (!g_freetype && FT_Init_FreeType(&g_freetype) != 0) g_freetype = nullptr;
  return g_freetype;
}

// Cell metrics as the text screen expects them (96 logical pixels per inch,
// average character width and the Windows ascent and descent of the face).
void SetMetrics(Font& f, int em) {
  FT_Face ft = f.ft;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
  double units = ft->units_per_EM > 0 ? ft->units_per_EM : 2048;
  // The line height FreeType gives for the pixel size matches the face's
  // ascent plus descent rounded once; rounding each outward is a pixel too much.
  f.cell_height_px = static_cast<int>(ft->size->metrics.height >> 6);
  if (os2 && os2->version != 0xFFFF) {
    f.cell_width_px = RoundPx(em * os2->xAvgCharWidth / units);
    f.baseline_px = RoundPx(em * os2->usWinAscent / units);
  } else {
    f.cell_width_px = static_cast<int>((ft->size->metrics.max_advance + 32) >> 6);
    f.baseline_px = static_cast<int>((ft->size->metrics.ascender + 32) >> 6);
  }
  f.leading_px = hhea ? RoundPx(em * hhea->Line_Gap / units) : 0;
  if (f.cell_height_px <= 0) f.cell_height_px = em;
}

const Glyph& GlyphOf(Font& f, unsigned char c) {
  Glyph& g = f.glyphs[c];
  if (g.loaded) return g;
  g.loaded = true;
  if (FT_Load_Char(f.ft, UnicodeOf(c), FT_LOAD_RENDER) != 0) {
    g.advance_px = f.cell_width_px;
    return g;
  }
  FT_GlyphSlot slot = f.ft->glyph;
  g.advance_px = static_cast<int>((slot->advance.x + 32) >> 6);
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) return g;
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
  return g;
}

// Until the program selects a font, text uses the text screen's own face.
Font& CurrentFont() {
  Surface& s = g_surface;
  if (s.font < 0 || s.font >= static_cast<int>(g_fonts.size())) {
    s.font = CreateFont("Courier New", 16, 0);
  }
  return g_fonts[s.font];
}

// Blends the glyph with its bitmap's top-left at (gx, gy), only inside the
// clip rectangle (the text's own background box) and the area; lock held.
void DrawGlyph(Surface& s, const Glyph& g, long long gx, long long gy, long long clip_left,
               long long clip_top, long long clip_right, long long clip_bottom, Color fg) {
  long long left = std::max<long long>({gx, clip_left, 0});
  long long right = std::min<long long>({gx + g.width, clip_right, kAreaWidthPx});
  long long top = std::max<long long>({gy, clip_top, 0});
  long long bottom = std::min<long long>({gy + g.rows, clip_bottom, kAreaHeightPx});
  for (long long y = top; y < bottom; ++y) {
    for (long long x = left; x < right; ++x) {
      unsigned a = g.alpha[static_cast<std::size_t>((y - gy) * g.width + (x - gx))];
      if (a == 0) continue;
      std::uint32_t& p = s.pixels[static_cast<std::size_t>(y * kAreaWidthPx + x)];
      p = Blend(p, fg, a);
    }
  }
}

long long TextWidth(Font& f, const std::string& text) {
  long long width = 0;
  for (unsigned char c : text) width += GlyphOf(f, c).advance_px;
  return width;
}

bool InsideRoundedBox(int x, int y, int l, int t, int r, int b, double radius) {
  if (x < l || x > r || y < t || y > b) return false;
  if (radius <= 0) return true;
  double cx = x < l + radius ? l + radius : (x > r - radius ? r - radius : x);
  double cy = y < t + radius ? t + radius : (y > b - radius ? b - radius : y);
  double dx = x - cx;
  double dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// fontconfig loses a few bytes while it parses its configuration files; that
// is not ours to mend, and the leak checker would fail every test that draws.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif

Surface& TheSurface() {
  return g_surface;
}

void ResetSurface() {
  Surface& s = g_surface;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.pixels.assign(kAreaPixels, static_cast<std::uint32_t>(kSystemFaceColor));
    MarkDirty(s, 0, 0, kAreaWidthPx, kAreaHeightPx);
    s.key.clear();
    s.click = {kNoClick, 0, 0};
    s.double_follows = false;
    s.open = false;
    s.x = 0;
    s.y = 0;
    s.foreground = kDefaultColor;
    s.background = kDefaultColor;
    s.line_width_px = 1;
    s.font = -1;
    s.read_key_calls = 0;
  }
  s.input_changed.notify_all();
}

void PutKey(const std::string& key) {
  if (key.empty() || (key.size() == 1 && key[0] == kTab)) return;
  Surface& s = g_surface;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.key = key;
  }
  s.input_changed.notify_all();
}

void PutClick(double x, double y, bool double_click) {
  Surface& s = g_surface;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.click = {kSingleClick, x, y};
    s.double_follows = double_click;
  }
  s.input_changed.notify_all();
}

void SetWindowOpen(bool open) {
  Surface& s = g_surface;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.open = open;
  }
  s.input_changed.notify_all();
}

bool InputOrClosed(const Surface& s) {
  return !s.key.empty() || s.click.kind != kNoClick || !s.open;
}

void ReportMissingFont(const std::string& face) {
  std::fprintf(stderr,
               "punktmuster: keine Schrift zu \"%s\" gefunden; bitte das Debian-Paket "
               "fonts-liberation installieren\n",
               ToUtf8(face).c_str());
}

FontMatch MatchFont(const std::string& face, int style) {
  FontMatch m = {"", "", 0, false};
  if (!FcInit()) return m;
  std::string family = ToUtf8(face);
  FcPattern* want = FcPatternCreate();
  FcPatternAddString(want, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(want, FC_WEIGHT, style == 1 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
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
  for (const char* compatible : kMetricCompatibleFamilies) {
    if (m.family == compatible) m.metric_compatible = true;
  }
  return m;
}

std::string ToUtf8(const std::string& windows1252) {
  std::string out;
  for (unsigned char c : windows1252) {
    char32_t u = UnicodeOf(c);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string FromUtf8(const std::string& utf8) {
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    int follow = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    char32_t u = follow == 0 ? lead : lead & (0x3F >> follow);
    bool valid = follow >= 0 && i + follow < utf8.size();
    for (int k = 1; valid && k <= follow; ++k) {
      unsigned char c = static_cast<unsigned char>(utf8[i + k]);
      if ((c & 0xC0) != 0x80) valid = false;
      u = (u << 6) | (c & 0x3F);
    }
    i += valid ? follow + 1 : 1;
    if (!valid || u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0)) continue;
    if (u < 0x100) {
      out += static_cast<char>(u);
      continue;
    }
    for (std::size_t k = 0; k < kHighControls.size(); ++k) {
      if (kHighControls[k] == u) out += static_cast<char>(0x80 + k);
    }
  }
  return out;
}

FontId CreateFont(std::string face, double points, int style) {
  for (std::size_t i = 0; i < g_fonts.size(); ++i) {
    const Font& f = g_fonts[i];
    if (f.face == face && f.points == points && f.style == style) return static_cast<FontId>(i);
  }
  double em_exact = std::isfinite(points) ? points * kLogicalDpi / kPointsPerInch : 1;
  int em = RoundPx(std::clamp(em_exact, 1.0, static_cast<double>(kMaxEmPx)));
  FontMatch match = MatchFont(face, style);
  if (match.file.empty() || !FreeType()) DieWithoutFont(face);
  static bool warned = false;
  if (!match.metric_compatible && !warned) {
    warned = true;
    std::fprintf(stderr,
                 "punktmuster: Warnung: \"%s\" wird mit \"%s\" gezeichnet, deren Zeichenbreite "
                 "nicht zum Bildschirmaufbau passt\n",
                 ToUtf8(face).c_str(), match.family.c_str());
  }
  Font f;
  f.face = face;
  f.points = points;
  f.style = style;
  if (FT_New_Face(FreeType(), match.file.c_str(), match.index, &f.ft) != 0) DieWithoutFont(face);
  FT_Set_Pixel_Sizes(f.ft, 0, static_cast<FT_UInt>(em));
  SetMetrics(f, em);
  g_fonts.push_back(std::move(f));
  return static_cast<FontId>(g_fonts.size() - 1);
}

void SelectFont(FontId font) {
  if (font >= 0 && font < static_cast<int>(g_fonts.size())) g_surface.font = font;
}

void SetColors(Color foreground, Color background) {
  g_surface.foreground = foreground;
  g_surface.background = background;
}

Color Rgb(double red, double green, double blue) {
  Color c = 0;
  for (double v : {red, green, blue}) {
    double component = std::isnan(v) ? 0 : std::nearbyint(std::clamp(v, 0.0, 255.0));
    c = (c << 8) | static_cast<Color>(component);
  }
  return c;
}

void ClearWindow(Color color) {
  Surface& s = g_surface;
  Color fill = color == kDefaultColor ? kSystemFaceColor : (color & 0xFFFFFF);
  {
    std::lock_guard<std::mutex> hold(s.lock);
    FillRect(s, 0, 0, kAreaWidthPx, kAreaHeightPx, fill);
  }
  s.x = 0;
  s.y = 0;
  NotifyDrawn();
}

void MoveTo(double x, double y) {
  g_surface.x = PositionOf(x);
  g_surface.y = PositionOf(y);
}

void PrintText(std::string text) {
  Surface& s = g_surface;
  Font& f = CurrentFont();
  long long width = TextWidth(f, text);
  Color fg = ResolveText(s.foreground, kSystemTextColor);
  Color bg = ResolveText(s.background, kSystemFaceColor);
  long long left = s.x;
  long long top = s.y;
  long long right = left + width;
  long long bottom = top + f.cell_height_px;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    FillRect(s, left, top, right, bottom, bg);
    long long pen = left;
    for (unsigned char c : text) {
      const Glyph& g = GlyphOf(f, c);
      if (pen >= kAreaWidthPx) break;
      if (pen + g.left + g.width > 0 && g.width > 0) {
        DrawGlyph(s, g, pen + g.left, top + f.baseline_px - g.top, left, top, right, bottom, fg);
      }
      pen += g.advance_px;
    }
  }
  NotifyDrawn();
  NotePrinted({text, s.x, s.y, fg, bg, f.face, f.points, f.style});
  s.x = static_cast<int>(std::clamp<long long>(right, -kFarPx, kFarPx));
}

void NewLine() {
  Surface& s = g_surface;
  const Font& f = CurrentFont();
  s.x = 0;
  s.y = static_cast<int>(std::clamp<long long>(
      static_cast<long long>(s.y) + f.cell_height_px + f.leading_px, -kFarPx, kFarPx));
}

Extent TextCellSize() {
  const Font& f = CurrentFont();
  return {static_cast<double>(f.cell_width_px), static_cast<double>(f.cell_height_px)};
}

Extent TextExtent(std::string text) {
  Font& f = CurrentFont();
  return {static_cast<double>(TextWidth(f, text)), static_cast<double>(f.cell_height_px)};
}

void DrawBox(double x1, double y1, double x2, double y2, double corner, Color line, Color fill) {
  Surface& s = g_surface;
  int l = std::min(PositionOf(x1), PositionOf(x2));
  int r = std::max(PositionOf(x1), PositionOf(x2));
  int t = std::min(PositionOf(y1), PositionOf(y2));
  int b = std::max(PositionOf(y1), PositionOf(y2));
  double share = std::isnan(corner) ? 0 : std::clamp(corner, 0.0, 100.0) / 100;
  double radius = share * std::min(r - l + 1, b - t + 1) / 2.0;
  Color ink = ResolveInk(line);
  Color inside = ResolveInk(fill);
  int cl = std::max(l, 0);
  int cr = std::min(r, kAreaWidthPx - 1);
  int ct = std::max(t, 0);
  int cb = std::min(b, kAreaHeightPx - 1);
  {
    std::lock_guard<std::mutex> hold(s.lock);
    for (int y = ct; y <= cb; ++y) {
      for (int x = cl; x <= cr; ++x) {
        if (!InsideRoundedBox(x, y, l, t, r, b, radius)) continue;
        // The outline is every pixel of the shape with a neighbour outside it.
        bool edge = !InsideRoundedBox(x - 1, y, l, t, r, b, radius) ||
                    !InsideRoundedBox(x + 1, y, l, t, r, b, radius) ||
                    !InsideRoundedBox(x, y - 1, l, t, r, b, radius) ||
                    !InsideRoundedBox(x, y + 1, l, t, r, b, radius);
        s.pixels[static_cast<std::size_t>(y) * kAreaWidthPx + x] =
            static_cast<std::uint32_t>(edge ? ink : inside);
      }
    }
    MarkDirty(s, cl, ct, cr + 1, cb + 1);
  }
  NotifyDrawn();
}

void SetPixel(double x, double y, Color color) {
  Surface& s = g_surface;
  int px = 0;
  int py = 0;
  bool hit = PixelOf(x, kAreaWidthPx, &px) && PixelOf(y, kAreaHeightPx, &py);
  Color ink = ResolveInk(color);
  bool open = false;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    if (hit) {
      s.pixels[static_cast<std::size_t>(py) * kAreaWidthPx + px] = static_cast<std::uint32_t>(ink);
      MarkDirty(s, px, py, px + 1, py + 1);
    }
    open = s.open;
  }
  s.x = PositionOf(x);
  s.y = PositionOf(y);
  if (hit) NotifyDrawn();
  NotePixel(hit, px, py, ink, open);
}

std::string ReadKey() {
  Surface& s = g_surface;
  std::lock_guard<std::mutex> hold(s.lock);
  ++s.read_key_calls;
  std::string key;
  key.swap(s.key);
  return key;
}

ScreenCopy SaveScreen() {
  Surface& s = g_surface;
  std::lock_guard<std::mutex> hold(s.lock);
  return {s.pixels};
}

void RestoreScreen(const ScreenCopy& copy) {
  Surface& s = g_surface;
  // A copy of another size did not come from SaveScreen; leave the screen.
  if (copy.pixels.size() != kAreaPixels) return;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.pixels = copy.pixels;
    MarkDirty(s, 0, 0, kAreaWidthPx, kAreaHeightPx);
  }
  NotifyDrawn();
}

Click ReadClick() {
  Surface& s = g_surface;
  std::lock_guard<std::mutex> hold(s.lock);
  Click click = s.click;
  if (s.double_follows) {
    s.click.kind = kDoubleClick;
    s.double_follows = false;
  } else {
    s.click.kind = kNoClick;
  }
  return click;
}

bool WindowIsOpen() {
  Surface& s = g_surface;
  std::lock_guard<std::mutex> hold(s.lock);
  return s.open;
}
