// Writes the screen at which the program waits after a list of keys, as the
// headless surface draws it, to a binary PPM file: the reference the browser
// test holds its canvas to, pixel for pixel.
//
// Usage: screen_dump OUT.ppm [KEY...]
//        screen_dump OUT.txt [KEY...]
// With OUT.txt, instead of the screen: every pixel the run set, one
// "x y colour" line each, as tests/golden/default_pass.py --pixels writes them.
// Each KEY is "enter", "esc", "delete", "left" or "text:CHARACTERS", with an
// optional "*COUNT" behind it ("delete*60"). The program starts fresh, gets
// the keys one per input wait, and is ended with ESC at the next wait; ESC
// draws nothing, so the screen left is the screen of that wait.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/headless/headless.h"
#include "main/program.h"

namespace {

// A key by name: an ordinary key, or an extended one (NUL + scan code).
struct NamedKey {
  const char* name;
  bool extended;
  unsigned char code;
};
constexpr NamedKey kNamedKeys[] = {{"enter", false, kKeyEnter},
                                   {"esc", false, kKeyEsc},
                                   {"delete", true, kScanDelete},
                                   {"left", true, kScanLeft}};

void Add(std::vector<ScriptedInput>& script, const std::string& key) {
  script.push_back({kScriptKey, key});
}

bool AddKeys(std::vector<ScriptedInput>& script, std::string word) {
  int count = 1;
  std::size_t star = word.rfind('*');
  if (star != std::string::npos && word.compare(0, 5, "text:") != 0) {
    count = std::atoi(word.c_str() + star + 1);
    word.resize(star);
  }
  for (int i = 0; i < count; ++i) {
    if (word.compare(0, 5, "text:") == 0) {
      for (char c : word.substr(5)) Add(script, std::string(1, c));
      continue;
    }
    bool known = false;
    for (const NamedKey& named : kNamedKeys) {
      if (word == named.name) {
        Add(script, named.extended ? ExtendedKey(named.code)
                                   : std::string(1, static_cast<char>(named.code)));
        known = true;
      }
    }
    if (!known) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: screen_dump OUT.ppm [KEY...]\n");
    return 2;
  }
  std::vector<ScriptedInput> script;
  for (int i = 2; i < argc; ++i) {
    if (!AddKeys(script, argv[i])) {
      std::fprintf(stderr, "screen_dump: unknown key \"%s\"\n", argv[i]);
      return 2;
    }
  }
  Add(script, std::string(1, kKeyEsc));
  HeadlessReset();
  RestartRandom();
  HeadlessScript(script);
  RunProgram();
  if (HeadlessScriptLeft() != 0) {
    std::fprintf(stderr, "screen_dump: the program ended before all keys were typed\n");
    return 1;
  }

  std::string name = argv[1];
  bool pixel_list = name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  if (pixel_list) {
    for (const PlottedPixel& p : HeadlessPixelLog())
      std::fprintf(out, "%d %d %d\n", p.x, p.y, p.color);
    return std::fclose(out) == 0 ? 0 : 1;
  }
  std::fprintf(out, "P6\n%d %d\n255\n", kWindowWidthPx, kWindowHeightPx);
  for (int y = 0; y < kWindowHeightPx; ++y) {
    for (int x = 0; x < kWindowWidthPx; ++x) {
      Color c = HeadlessPixel(x, y);
      unsigned char rgb[3] = {static_cast<unsigned char>(c >> 16),
                              static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c)};
      std::fwrite(rgb, 1, 3, out);
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
