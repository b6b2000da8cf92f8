// Build-time tool of the browser build: renders the glyphs of every font the
// program makes, with the desktop's own font code, into a source file that
// defines the tables of display/baked_glyphs.h.
//
// Which fonts the program makes, and what it prints in them, is found by
// running it on the headless surface: once from the start to its first input
// (where ESC ends it); by then it has made the fonts of the title and of the
// text screen and printed every fixed text of the title and the description.
// A font that prints what the user types (the text font, in which the line
// editor draws every field) and the system font, which stands in for any
// font, get every byte; every other font only the characters it printed in
// that run. A second run goes on through a whole pass with its drawing and
// ends at a faulty term's message; every character printed in either run must
// be in its font's glyphs, or the tool fails and with it the build.
//
// Usage: bake_glyphs [--all-fixed] OUT.cpp
// --all-fixed bakes every font from the start's characters alone, as if none
// printed typed text: the second run must then fail (the test of the check).
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "display/baked_glyphs.h"
#include "display/fonts.h"
#include "display/headless.h"
#include "main/program.h"
#include "textscreen/textscreen.h"

namespace {

constexpr int kValuesPerLine = 24;

// The keys of the second run: a whole pass with the built-in terms and their
// drawing; in the next pass a ")" before the first term, whose message ends
// the program.
const char* const kCheckKeys[] = {"\r", "\r", "\r", "\r", "\r", "\r",
                                  "\r", "\r", "\r", ")",  "\r", "\r"};

// Characters printed per font (by FontId) in one run of the program.
using Printed = std::vector<std::set<unsigned char>>;

FontId FontOfKey(const std::string& face, double points, int style) {
  for (FontId font = 0; font < FontCount(); ++font) {
    FontKey key = KeyOf(font);
    if (key.face == face && key.points == points && key.style == style) return font;
  }
  return -1;
}

// Runs the program with the keys and records what it printed in which font.
// False when it ended before it took every key.
bool RunAndRecord(const std::vector<std::string>& keys, Printed& printed) {
  std::vector<ScriptedInput> script;
  for (const std::string& key : keys) script.push_back({kScriptKey, key});
  HeadlessReset();
  HeadlessScript(script);
  RunProgram();
  printed.resize(FontCount());
  for (const PrintedText& p : HeadlessPrintLog()) {
    FontId font = FontOfKey(p.face, p.points, p.style);
    for (unsigned char c : p.text) printed[font].insert(c);
  }
  return HeadlessScriptLeft() == 0;
}

// A C++ string literal of Windows-1252 bytes, each beyond ASCII escaped and
// closed, so that no hex digit after it joins the escape.
std::string Literal(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X\" \"", c);
    out += escape;
  }
  return out + "\"";
}

// The glyphs to write: each distinct glyph once (the missing-glyph box of
// the control bytes stands for many).
struct Baked {
  std::vector<BakedGlyph> glyphs;
  std::vector<std::string> glyph_keys;  // what makes two glyphs the same
  std::vector<int> index;               // per font and byte: glyph, or -1
  std::vector<std::uint8_t> alpha;
};

bool Fits(int v) {
  return v >= INT16_MIN && v <= INT16_MAX;
}

// Adds the glyph of byte c in the font; false when a metric is too large
// for the table.
bool AddGlyph(FontId font, unsigned char c, Baked& baked) {
  GlyphBitmap g = GlyphOf(font, c);
  if (!Fits(g.left) || !Fits(g.top) || !Fits(g.width) || !Fits(g.rows) || !Fits(g.advance_px)) {
    return false;
  }
  int count = g.width * g.rows;
  char head[64];
  std::snprintf(head, sizeof head, "%d %d %d %d %d:", g.left, g.top, g.width, g.rows, g.advance_px);
  std::string key = head + std::string(reinterpret_cast<const char*>(g.alpha), count);
  int found = -1;
  for (std::size_t i = 0; i < baked.glyph_keys.size() && found < 0; ++i) {
    if (baked.glyph_keys[i] == key) found = static_cast<int>(i);
  }
  if (found < 0) {
    found = static_cast<int>(baked.glyphs.size());
    baked.glyphs.push_back({static_cast<std::int16_t>(g.left), static_cast<std::int16_t>(g.top),
                            static_cast<std::int16_t>(g.width), static_cast<std::int16_t>(g.rows),
                            static_cast<std::int16_t>(g.advance_px),
                            static_cast<std::int32_t>(baked.alpha.size())});
    baked.glyph_keys.push_back(key);
    baked.alpha.insert(baked.alpha.end(), g.alpha, g.alpha + count);
  }
  baked.index[font * kBakedBytesPerFont + c] = found;
  return true;
}

void WriteTables(std::FILE* out, const Baked& baked, FontId system_font) {
  std::fprintf(out,
               "// Generated by tools/glyphs from this machine's fonts; do not edit.\n"
               "#include \"display/baked_glyphs.h\"\n\n");
  std::fprintf(out, "const std::uint8_t kBakedAlpha[] = {\n");
  for (std::size_t i = 0; i < baked.alpha.size(); ++i) {
    std::fprintf(out, "%d,%s", baked.alpha[i], (i + 1) % kValuesPerLine == 0 ? "\n" : "");
  }
  // Never empty, so the array is valid C++ even without a single coverage value.
  std::fprintf(out, "0};\n\n");

  std::fprintf(out, "const BakedGlyph kBakedGlyphs[] = {\n");
  for (const BakedGlyph& g : baked.glyphs) {
    std::fprintf(out, "{%d,%d,%d,%d,%d,%d},\n", g.left, g.top, g.width, g.rows, g.advance_px,
                 g.alpha_at);
  }
  std::fprintf(out, "};\n\n");

  std::fprintf(out, "const std::int16_t kBakedGlyphIndex[] = {\n");
  for (std::size_t i = 0; i < baked.index.size(); ++i) {
    std::fprintf(out, "%d,%s", baked.index[i], (i + 1) % kValuesPerLine == 0 ? "\n" : "");
  }
  std::fprintf(out, "};\n\n");

  std::fprintf(out, "const BakedFont kBakedFonts[] = {\n");
  for (FontId font = 0; font < FontCount(); ++font) {
    FontRequest key = RequestOf(font);
    FontMetrics m = MetricsOf(font);
    std::fprintf(out, "{%s, %.17g, %d, {%d, %d, %d, %d}},\n", Literal(key.face).c_str(), key.points,
                 key.style, m.cell_width_px, m.cell_height_px, m.baseline_px, m.leading_px);
  }
  std::fprintf(out, "};\n");
  std::fprintf(out, "const int kBakedFontCount = %d;\n", FontCount());
  std::fprintf(out, "const int kBakedSystemFont = %d;\n", system_font);
}

}  // namespace

int main(int argc, char** argv) {
  bool all_fixed = argc == 3 && std::strcmp(argv[1], "--all-fixed") == 0;
  if (argc != 2 && !all_fixed) {
    std::fprintf(stderr, "usage: bake_glyphs [--all-fixed] OUT.cpp\n");
    return 2;
  }
  const char* out_path = argv[argc - 1];

  Printed at_start;
  Printed later;
  RunAndRecord({std::string(1, kKeyEsc)}, at_start);
  bool ran =
      RunAndRecord(std::vector<std::string>(std::begin(kCheckKeys), std::end(kCheckKeys)), later);
  if (!ran) {
    std::fprintf(stderr, "bake_glyphs: the program ended before the run that checks the glyphs\n");
    return 1;
  }
  FontId system_font = SystemFont();
  FontId text_font = FontOfKey(kScreenFace, kTextFontPoints, kStyleNormal);
  at_start.resize(FontCount());
  later.resize(FontCount());

  Baked baked;
  baked.index.assign(static_cast<std::size_t>(FontCount()) * kBakedBytesPerFont, -1);
  for (FontId font = 0; font < FontCount(); ++font) {
    bool every_byte = !all_fixed && (font == system_font || font == text_font);
    for (int c = 0; c < kBakedBytesPerFont; ++c) {
      if (!every_byte && at_start[font].count(static_cast<unsigned char>(c)) == 0) continue;
      if (!AddGlyph(font, static_cast<unsigned char>(c), baked)) {
        std::fprintf(stderr, "bake_glyphs: a glyph of \"%s\" %g pt is too large\n",
                     KeyOf(font).face.c_str(), KeyOf(font).points);
        return 1;
      }
    }
  }

  // The check: no character printed in a font the font has no glyph for.
  int missing = 0;
  for (const Printed* run : {&at_start, &later}) {
    for (FontId font = 0; font < FontCount(); ++font) {
      for (unsigned char c : (*run)[font]) {
        if (baked.index[font * kBakedBytesPerFont + c] >= 0) continue;
        FontKey key = KeyOf(font);
        std::fprintf(stderr, "bake_glyphs: \"%s\" %g pt prints byte 0x%02X ('%c'), not baked\n",
                     key.face.c_str(), key.points, c, c >= 0x20 && c < 0x7F ? c : '?');
        ++missing;
      }
    }
  }
  if (missing > 0) return 1;

  std::FILE* out = std::fopen(out_path, "w");
  if (!out) {
    std::perror(out_path);
    return 1;
  }
  WriteTables(out, baked, system_font);
  for (FontId font = 0; font < FontCount(); ++font) {
    int glyphs = 0;
    for (int c = 0; c < kBakedBytesPerFont; ++c)
      glyphs += baked.index[font * kBakedBytesPerFont + c] >= 0;
    std::printf("bake_glyphs: \"%s\" %g pt: %d glyphs\n", KeyOf(font).face.c_str(),
                KeyOf(font).points, glyphs);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
