// Inside the display surface: the state both surfaces (the real window and the
// headless one) share, and the few procedures through which a surface feeds
// input into it. Not for use outside src/display.
//
// The framebuffer, the key buffer, the click record and the open flag are
// shared with the window thread and live under `lock`; `input_changed` is
// signalled whenever a key, a click, the open flag or a window request
// changes. The drawing state (position, font, colours) belongs to the logic
// thread alone.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/headless.h"

constexpr int kAreaWidthPx = 1030;
constexpr int kAreaHeightPx = 630;
// What the never-set text colours resolve to: black window text on the light
// grey face colour of a classic desktop.
constexpr Color kSystemTextColor = 0x000000;
constexpr Color kSystemFaceColor = 0xF0F0F0;

struct Surface {
  std::mutex lock;
  std::condition_variable input_changed;

  // Shared with the window thread, under `lock`.
  std::vector<std::uint32_t> pixels =  // row by row, 0xRRGGBB
      std::vector<std::uint32_t>(kAreaWidthPx * kAreaHeightPx, kSystemFaceColor);
  bool dirty = false;  // pixels changed since the last present
  int dirty_left = 0;  // changed area, right and bottom exclusive
  int dirty_top = 0;
  int dirty_right = 0;
  int dirty_bottom = 0;
  std::string key;  // the one pending key, "" when none
  Click click = {kNoClick, 0, 0};
  bool double_follows = false;  // `click` is the first report of a double click
  bool open = false;

  // The logic thread's drawing state.
  int x = 0;
  int y = 0;
  Color foreground = kDefaultColor;
  Color background = kDefaultColor;
  int line_width_px = 1;
  int font = -1;  // index into the font table, -1 before any SelectFont
  std::size_t read_key_calls = 0;
};

// The one surface of the process.
Surface& TheSurface();
// Back to the starting state: closed, no input, face-coloured, default colours.
void ResetSurface();

// Input from the user (or from a test script). All take the lock themselves.
// A newer key replaces a pending one; TAB is ignored.
void PutKey(const std::string& key);
void PutClick(double x, double y, bool double_click);
void SetWindowOpen(bool open);
// True when a key or a click is pending or the window is closed; call with
// `lock` held.
bool InputOrClosed(const Surface& s);

// The font that would be drawn for the face ("" when none at all) and whether
// it has the metrics the text screen is laid out for.
struct FontMatch {
  std::string file;
  std::string family;
  int index;  // of the face within the file
  bool metric_compatible;
};
FontMatch MatchFont(const std::string& face, int style);
// One line on stderr: no font for the face, and which package brings one.
void ReportMissingFont(const std::string& face);

// Text conversions at the edge of the program.
std::string ToUtf8(const std::string& windows1252);
// Characters Windows-1252 cannot hold are dropped, as are control characters.
std::string FromUtf8(const std::string& utf8);

// Supplied by each surface: called after drawing changed pixels (with the
// lock released), after each PrintText, and after each SetPixel (`hit` when it
// landed inside the area; `open` as the window was at that moment).
void NotifyDrawn();
void NotePrinted(const PrintedText& printed);
void NotePixel(bool hit, int x, int y, Color color, bool open);
