// Waits OpenWindow, Pause, AwaitKeyOrClick; notes NotifyDrawn, NotePrinted, NotePixel, NoteKeyRead.
// The web surface: the shared drawing core shown on a canvas of a web page
// (page.js is the page's side). The program's logic runs on the page's one
// thread; every wait (input, Pause, the pacing of a drawing) suspends it
// through Asyncify and leaves the browser free for events and frames. A wait
// for input is one promise that the next key or click settles: nothing runs
// while the user reads or types. What the program prints is said to a screen
// reader where the program stops to wait (the page's live region).
#include "display/web/web.h"

#include <emscripten.h>
#include <emscripten/em_js.h>

#include <cassert>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "display/codepage.h"
#include "display/surface.h"

namespace {

// The page writes key values, typed text and pastes here; a longer paste is
// cut (the hand-off cuts it shorter still).
constexpr int kTextBufferBytes = 16384;

// Named key values of the browser that arrive as one control character.
struct NamedKey {
  std::string_view name;
  unsigned char code;
};
constexpr NamedKey kControlKeys[] = {
    {"Enter", kKeyEnter}, {"Backspace", kKeyBackspace}, {"Escape", kKeyEsc}};

// Named key values of the extended keys. The browser names a keypad key
// after what it does under the NumLock state at hand ("ArrowUp" or "8"), so
// the keypad follows NumLock without a table of its own.
constexpr NamedKey kExtendedKeys[] = {{"ArrowUp", kScanUp},
                                      {"ArrowLeft", kScanLeft},
                                      {"ArrowRight", kScanRight},
                                      {"ArrowDown", kScanDown},
                                      {"Insert", kScanInsert},
                                      {"Delete", kScanDelete},
                                      {"Home", kScanHome},
                                      {"End", kScanEnd},
                                      {"PageUp", kScanPageUp},
                                      {"PageDown", kScanPageDown},
                                      {"F1", kScanF1},
                                      {"F2", kScanF1 + 1},
                                      {"F3", kScanF1 + 2},
                                      {"F4", kScanF1 + 3},
                                      {"F5", kScanF1 + 4},
                                      {"F6", kScanF1 + 5},
                                      {"F7", kScanF1 + 6},
                                      {"F8", kScanF1 + 7},
                                      {"F9", kScanF1 + 8},
                                      {"F10", kScanF10},
                                      {"F11", kScanF11},
                                      {"F12", kScanF12}};

// The page reads a frame's pixels as three 32-bit words each: x, y, 0xRRGGBB.
static_assert(sizeof(PixelPoint) == 12 && sizeof(int) == 4);

// What changed since the last frame, as the page fetches it: either the
// pixels set, in their order (`count` of them at `points`, `pixels` 0), or,
// when anything else was drawn, the changed area and its pixels as RGBA
// bytes, the layout of the canvas's ImageData (`count` 0).
struct Frame {
  std::int32_t left;
  std::int32_t top;
  std::int32_t width;
  std::int32_t height;
  std::int32_t pixels;  // address of the RGBA bytes
  std::int32_t count;
  std::int32_t points;  // address of `count` PixelPoints
};

// A text as printed, for the screen reader.
struct Printed {
  std::string text;  // Windows-1252
  int x;
  int y;
};

// Everything of the web surface; the page's one thread touches it, from the
// program's logic or from the page's event handlers while the logic waits.
struct Web {
  char text[kTextBufferBytes] = {};  // UTF-8 from the page, NUL-ended
  bool frame_wanted = false;         // a frame has been asked of the page
  double pixel_due_ms = 0;
  // The single pixels of the last frame (a drawing sets 600-700 between two
  // frames), kept for the page to read after web_frame returns.
  std::vector<PixelPoint> shown;
  std::vector<std::uint32_t> rgba;
  Frame frame = {};
  std::vector<Printed> printed;  // since the program last stopped to wait or pause
  std::string prompt;            // left of the field of the input at hand, Windows-1252
  std::string field;             // the field's text as last drawn
};
Web& g_web = *new Web;

EM_JS(void, PageOpen, (const char* caption, int width, int height),
      { Module.page.open(UTF8ToString(caption), width, height); });
EM_JS(void, PageWantFrame, (), { Module.page.wantFrame(); });
EM_JS(void, PageFinish, (), { Module.page.ended(); });
EM_ASYNC_JS(void, PageAwaitKeyOrClick, (), { await Module.page.waitInput(); });
EM_ASYNC_JS(void, PageSleep, (double milliseconds), { await Module.page.sleep(milliseconds); });
EM_JS(void, PageSay, (const char* text), { Module.page.say(UTF8ToString(text)); });
EM_JS(void, PageWaits, (const char* prompt, const char* field),
      { Module.page.waits(UTF8ToString(prompt), UTF8ToString(field)); });

// The program's key for a key value of the browser, "" for none.
std::string KeyOfValue(std::string_view value) {
  for (const NamedKey& k : kControlKeys) {
    if (value == k.name) return std::string(1, static_cast<char>(k.code));
  }
  for (const NamedKey& k : kExtendedKeys) {
    if (value == k.name) return ExtendedKey(k.code);
  }
  return "";
}

// What the page wrote into the text buffer last.
std::string_view PageText() {
  return {g_web.text, strnlen(g_web.text, kTextBufferBytes)};
}

// Where the page finds data in the program's memory (32-bit WebAssembly).
std::int32_t Address(const void* data) {
  return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(data));
}

// A frame of the area's pixels as RGBA bytes; the area is not empty.
Frame* AreaFrame(const PixelRect& area) {
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  g_web.rgba.resize(static_cast<std::size_t>(width) * height);
  CopyPixels(area, g_web.rgba.data(), width);
  // 0xRRGGBB to the bytes R, G, B, A in memory (WebAssembly is little-endian),
  // in place: one pass over the area, the first frame's whole window.
  for (std::uint32_t& p : g_web.rgba) {
    p = 0xFF000000u | ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
  }
  g_web.frame = {area.left, area.top, width, height, Address(g_web.rgba.data()), 0, 0};
  return &g_web.frame;
}

bool Blank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

void Say(const std::string& text) {
  if (!Blank(text)) PageSay(ToUtf8(text).c_str());
}

// At a pause (the title standing, a message standing): every text printed
// since the program last stopped, once.
void SayPrinted() {
  std::string words;
  for (const Printed& p : g_web.printed) {
    if (!Blank(p.text)) words += (words.empty() ? "" : " ") + p.text;
  }
  g_web.printed.clear();
  Say(words);
}

// At a wait for input. Before it waits, the line editor draws the field's
// text and then the cursor, a copy of one of its characters. An input that
// begins has also drawn on its row left of the field: its prompt, or the row
// blanked first; the prompt and the field's text are said then. A key that
// only changed the field says nothing, lest every key repeat the line. The
// prompt and the field as drawn last are kept for the page (PageWaits).
void SayInput() {
  std::vector<Printed>& printed = g_web.printed;
  if (printed.size() >= 2) {
    const Printed& field = printed[printed.size() - 2];
    bool begins = false;
    std::string words;
    for (std::size_t i = 0; i + 2 < printed.size(); ++i) {
      const Printed& p = printed[i];
      if (p.y != field.y || p.x >= field.x) continue;
      begins = true;
      if (!Blank(p.text)) words += p.text;
    }
    if (begins) {
      Say(words + field.text);
      g_web.prompt = words;
    }
    g_web.field = field.text;
  }
  printed.clear();
}

}  // namespace

// ---- Called by the page (page.js) ----

extern "C" {

EMSCRIPTEN_KEEPALIVE char* web_text_buffer() {
  return g_web.text;
}

EMSCRIPTEN_KEEPALIVE int web_text_buffer_size() {
  return kTextBufferBytes;
}

// The text buffer holds the value of a key pressed (KeyboardEvent.key).
// Returns 1 when it is one of our named keys (the page then does nothing
// else with it), 0 when the browser may act on it: printable keys give
// their text through web_keys, so that layouts, dead keys and input methods
// compose it first.
EMSCRIPTEN_KEEPALIVE int web_key() {
  std::string_view value = PageText();
  if (value == "Tab") return 1;  // ignored, but the focus stays
  std::string key = KeyOfValue(value);
  if (key.empty()) return 0;
  PutKey(key);
  return 1;
}

// The text buffer holds keys typed one after the other, each ended by a line
// break: a character, or the value of a named key ("Enter", "Delete"). So
// come the characters of a key or of a text an input method committed (its
// line breaks as "Enter"), text being composed followed by a key of the key
// bar, and the keys of an example. Characters Windows-1252 cannot hold and
// other key values are dropped, and so is a last key cut off by the buffer's end.
EMSCRIPTEN_KEEPALIVE void web_keys() {
  std::string_view text = PageText();
  std::string keys;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string_view::npos;
       end = text.find('\n', start)) {
    std::string_view value = text.substr(start, end - start);
    std::string key = KeyOfValue(value);
    if (key.empty()) key = FromUtf8(std::string(value));
    if (key.size() == 1 || (key.size() == 2 && key[0] == '\0')) keys += key;
    start = end + 1;
  }
  PutText(keys);
}

// The text buffer holds a pasted text.
EMSCRIPTEN_KEEPALIVE void web_paste() {
  PutPaste(std::string(PageText()));
}

// A press of the left button at a pixel of the canvas; `count` is the
// browser's click count: the second press of a double click is one double
// click report, the first was a single one already.
EMSCRIPTEN_KEEPALIVE void web_click(double x, double y, int count) {
  PutClick(x, y, count >= 2 ? kDoubleClick : kSingleClick);
}

// 1 while a key or click waits for the program to take it (the browser test
// types a key only once the one before was taken, as the key buffer holds one).
EMSCRIPTEN_KEEPALIVE int web_input_pending() {
  return InputOrClosed() && WindowIsOpen() ? 1 : 0;
}

// 1 while the program waits at an input with nothing handed over left to
// take: what the page handed last gave it nothing, and it goes on waiting
// without a word to the page.
EMSCRIPTEN_KEEPALIVE int web_idle() {
  return TakesPaste() && !InputOrClosed() ? 1 : 0;
}

// What changed since the last frame, ready for the canvas; 0 when nothing.
EMSCRIPTEN_KEEPALIVE Frame* web_frame() {
  g_web.frame_wanted = false;
  PixelRect area = TakeChangedArea(&g_web.shown);
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return nullptr;
  if (!g_web.shown.empty()) {
    int count = static_cast<int>(g_web.shown.size());
    g_web.frame = {area.left, area.top, width, height, 0, count, Address(g_web.shown.data())};
    return &g_web.frame;
  }
  return AreaFrame(area);
}

// The whole picture, for a canvas that lost its pixels.
EMSCRIPTEN_KEEPALIVE Frame* web_whole_frame() {
  return AreaFrame({0, 0, kWindowWidthPx, kWindowHeightPx});
}

}  // extern "C"

// ---- The surface's part of the boundary ----

void NotifyDrawn() {
  if (g_web.frame_wanted) return;
  g_web.frame_wanted = true;
  PageWantFrame();
}

void NotePrinted(const PrintedText& printed) {
  g_web.printed.push_back({printed.text, printed.x, printed.y});
}

void NoteKeyRead() {}

void NotePixel(bool, int, int, Color, bool open) {
  if (!open) return;
  double sleep_ms = PacedSleepMs(g_web.pixel_due_ms, emscripten_get_now());
  if (sleep_ms > 0) PageSleep(sleep_ms);
}

void OpenWindow(std::string caption, double, double, [[maybe_unused]] double width,
                [[maybe_unused]] double height) {
  assert(width == kWindowWidthPx && height == kWindowHeightPx);
  // The page is the window: its place on the screen is the browser's, its
  // canvas takes the window's size.
  PageOpen(ToUtf8(caption).c_str(), kWindowWidthPx, kWindowHeightPx);
  SetWindowOpen(true);
  NotifyDrawn();
}

void Pause(double milliseconds) {
  const double span_ms = PauseSpanMs(milliseconds);
  if (span_ms <= 0) return;
  SayPrinted();
  PageSleep(span_ms);
}

void AwaitKeyOrClick() {
  SayInput();
  MarkWaiting(true);
  // Everything handed over so far is taken: the page may hand over what it
  // held back for this (a tap behind text being composed) and learns at
  // which input the program waits (its examples row).
  if (!InputOrClosed()) PageWaits(ToUtf8(g_web.prompt).c_str(), ToUtf8(g_web.field).c_str());
  while (!InputOrClosed()) PageAwaitKeyOrClick();
  MarkWaiting(false);
}

void FinishPage() {
  SetWindowOpen(false);
  PageFinish();
}
