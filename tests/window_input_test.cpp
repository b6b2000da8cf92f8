// What the real window's events mean to the program: keys, text and clicks,
// mapped without a window or a video driver.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "display/window/input.h"
#include "display/window/picture.h"

namespace {

SDL_Event KeyDown(SDL_Scancode scancode, Uint16 mod = KMOD_NONE) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.scancode = scancode;
  e.key.keysym.mod = mod;
  return e;
}

// A key by its place and by what the layout makes of it, with modifiers.
SDL_Event Chord(SDL_Scancode scancode, SDL_Keycode key, Uint16 mod) {
  SDL_Event e = KeyDown(scancode, mod);
  e.key.keysym.sym = key;
  return e;
}

SDL_Event Text(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
  return e;
}

SDL_Event Button(Uint8 button, Uint8 clicks) {
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.button = button;
  e.button.clicks = clicks;
  e.button.x = 40;
  e.button.y = 30;
  return e;
}

std::vector<std::string> Ext(unsigned char scan) {
  return {ExtendedKey(scan)};
}

struct Row {
  const char* name;
  SDL_Event event;
  unsigned modifiers;  // the keyboard's state, for text events
  std::vector<std::string> keys;
  ClickKind click;
  bool paste = false;  // asks to paste the clipboard's text
  bool full_screen = false;
};

TEST(WindowInput, EventsBecomeKeysAndClicks) {
  const Row rows[] = {
      {"up", KeyDown(SDL_SCANCODE_UP), 0, Ext(kScanUp), kNoClick},
      {"left", KeyDown(SDL_SCANCODE_LEFT), 0, Ext(kScanLeft), kNoClick},
      {"right", KeyDown(SDL_SCANCODE_RIGHT), 0, Ext(kScanRight), kNoClick},
      {"down", KeyDown(SDL_SCANCODE_DOWN), 0, Ext(kScanDown), kNoClick},
      {"insert", KeyDown(SDL_SCANCODE_INSERT), 0, Ext(kScanInsert), kNoClick},
      {"delete", KeyDown(SDL_SCANCODE_DELETE), 0, Ext(kScanDelete), kNoClick},
      {"home", KeyDown(SDL_SCANCODE_HOME), 0, Ext(kScanHome), kNoClick},
      {"end", KeyDown(SDL_SCANCODE_END), 0, Ext(kScanEnd), kNoClick},
      {"page up", KeyDown(SDL_SCANCODE_PAGEUP), 0, Ext(kScanPageUp), kNoClick},
      {"page down", KeyDown(SDL_SCANCODE_PAGEDOWN), 0, Ext(kScanPageDown), kNoClick},
      {"F1", KeyDown(SDL_SCANCODE_F1), 0, Ext(kScanF1), kNoClick},
      {"F2", KeyDown(SDL_SCANCODE_F2), 0, Ext(kScanF1 + 1), kNoClick},
      {"F3", KeyDown(SDL_SCANCODE_F3), 0, Ext(kScanF1 + 2), kNoClick},
      {"F4", KeyDown(SDL_SCANCODE_F4), 0, Ext(kScanF1 + 3), kNoClick},
      {"F5", KeyDown(SDL_SCANCODE_F5), 0, Ext(kScanF1 + 4), kNoClick},
      {"F6", KeyDown(SDL_SCANCODE_F6), 0, Ext(kScanF1 + 5), kNoClick},
      {"F7", KeyDown(SDL_SCANCODE_F7), 0, Ext(kScanF1 + 6), kNoClick},
      {"F8", KeyDown(SDL_SCANCODE_F8), 0, Ext(kScanF1 + 7), kNoClick},
      {"F9", KeyDown(SDL_SCANCODE_F9), 0, Ext(kScanF1 + 8), kNoClick},
      {"F10", KeyDown(SDL_SCANCODE_F10), 0, Ext(kScanF10), kNoClick},
      {"F11", KeyDown(SDL_SCANCODE_F11), 0, Ext(kScanF11), kNoClick},
      {"F12", KeyDown(SDL_SCANCODE_F12), 0, Ext(kScanF12), kNoClick},
      // The keypad moves with NumLock off; with it on, its digits come as text.
      {"keypad 8", KeyDown(SDL_SCANCODE_KP_8), 0, Ext(kScanUp), kNoClick},
      {"keypad 4", KeyDown(SDL_SCANCODE_KP_4), 0, Ext(kScanLeft), kNoClick},
      {"keypad 6", KeyDown(SDL_SCANCODE_KP_6), 0, Ext(kScanRight), kNoClick},
      {"keypad 2", KeyDown(SDL_SCANCODE_KP_2), 0, Ext(kScanDown), kNoClick},
      {"keypad 0", KeyDown(SDL_SCANCODE_KP_0), 0, Ext(kScanInsert), kNoClick},
      {"keypad point", KeyDown(SDL_SCANCODE_KP_PERIOD), 0, Ext(kScanDelete), kNoClick},
      {"keypad 7", KeyDown(SDL_SCANCODE_KP_7), 0, Ext(kScanHome), kNoClick},
      {"keypad 1", KeyDown(SDL_SCANCODE_KP_1), 0, Ext(kScanEnd), kNoClick},
      {"keypad 9", KeyDown(SDL_SCANCODE_KP_9), 0, Ext(kScanPageUp), kNoClick},
      {"keypad 3", KeyDown(SDL_SCANCODE_KP_3), 0, Ext(kScanPageDown), kNoClick},
      {"keypad 8 NumLock", KeyDown(SDL_SCANCODE_KP_8, KMOD_NUM), 0, {}, kNoClick},
      {"keypad point NumLock", KeyDown(SDL_SCANCODE_KP_PERIOD, KMOD_NUM), 0, {}, kNoClick},
      {"keypad digit text", Text("8"), KMOD_NUM, {"8"}, kNoClick},
      {"enter", KeyDown(SDL_SCANCODE_RETURN), 0, {"\r"}, kNoClick},
      {"keypad enter", KeyDown(SDL_SCANCODE_KP_ENTER, KMOD_NUM), 0, {"\r"}, kNoClick},
      {"backspace", KeyDown(SDL_SCANCODE_BACKSPACE), 0, {"\b"}, kNoClick},
      {"esc", KeyDown(SDL_SCANCODE_ESCAPE), 0, {"\x1b"}, kNoClick},
      {"tab", KeyDown(SDL_SCANCODE_TAB), 0, {}, kNoClick},
      {"tab text", Text("\t"), 0, {}, kNoClick},
      // Printable keys come only as text.
      {"letter key", KeyDown(SDL_SCANCODE_A), 0, {}, kNoClick},
      {"ascii", Text("a"), 0, {"a"}, kNoClick},
      {"several at once", Text("x^"), 0, {"x", "^"}, kNoClick},
      {"a umlaut", Text("\xC3\xA4"), 0, {"\xE4"}, kNoClick},
      {"sharp s", Text("\xC3\x9F"), 0, {"\xDF"}, kNoClick},
      {"superscript two", Text("\xC2\xB2"), 0, {"\xB2"}, kNoClick},
      {"euro", Text("\xE2\x82\xAC"), 0, {"\x80"}, kNoClick},
      {"outside the code page", Text("\xE2\x86\x92"), 0, {}, kNoClick},
      {"shift is fine", Text("A"), KMOD_LSHIFT, {"A"}, kNoClick},
      {"typed with ctrl", Text("c"), KMOD_LCTRL, {}, kNoClick},
      {"typed with right ctrl", Text("v"), KMOD_RCTRL, {}, kNoClick},
      {"left click", Button(SDL_BUTTON_LEFT, 1), 0, {}, kSingleClick},
      {"left double click", Button(SDL_BUTTON_LEFT, 2), 0, {}, kDoubleClick},
      {"left triple click", Button(SDL_BUTTON_LEFT, 3), 0, {}, kDoubleClick},
      {"right click", Button(SDL_BUTTON_RIGHT, 1), 0, {}, kNoClick},
      {"ctrl v pastes", Chord(SDL_SCANCODE_V, SDLK_v, KMOD_LCTRL), 0, {}, kNoClick, true},
      {"right ctrl v pastes", Chord(SDL_SCANCODE_V, SDLK_v, KMOD_RCTRL), 0, {}, kNoClick, true},
      {"v alone", Chord(SDL_SCANCODE_V, SDLK_v, KMOD_NONE), 0, {}, kNoClick},
      {"shift insert pastes",
       Chord(SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_RSHIFT),
       0,
       {},
       kNoClick,
       true},
      {"insert alone toggles", Chord(SDL_SCANCODE_INSERT, SDLK_INSERT, KMOD_NONE), 0,
       Ext(kScanInsert), kNoClick},
      {"shift keypad insert pastes",
       Chord(SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_LSHIFT),
       0,
       {},
       kNoClick,
       true},
      {"shift keypad 0 NumLock",
       Chord(SDL_SCANCODE_KP_0, SDLK_KP_0, KMOD_LSHIFT | KMOD_NUM),
       0,
       {},
       kNoClick},
      // Where the layout puts no Latin letter on the V key, the key itself
      // pastes; a Latin layout's own V wherever it lies.
      {"ctrl on the V key, Cyrillic",
       Chord(SDL_SCANCODE_V, 0x43C, KMOD_LCTRL),
       0,
       {},
       kNoClick,
       true},
      {"the V key alone, Cyrillic", Chord(SDL_SCANCODE_V, 0x43C, KMOD_NONE), 0, {}, kNoClick},
      {"ctrl on the V key, Dvorak k", Chord(SDL_SCANCODE_V, SDLK_k, KMOD_LCTRL), 0, {}, kNoClick},
      {"ctrl v, Dvorak", Chord(SDL_SCANCODE_PERIOD, SDLK_v, KMOD_LCTRL), 0, {}, kNoClick, true},
      {"alt enter", KeyDown(SDL_SCANCODE_RETURN, KMOD_LALT), 0, {}, kNoClick, false, true},
      {"alt keypad enter", KeyDown(SDL_SCANCODE_KP_ENTER, KMOD_RALT), 0, {}, kNoClick, false, true},
  };
  for (const Row& row : rows) {
    WindowInput in = InputOfEvent(row.event, row.modifiers);
    EXPECT_EQ(in.keys, row.keys) << row.name;
    EXPECT_EQ(in.click, row.click) << row.name;
    EXPECT_EQ(in.paste, row.paste) << row.name;
    EXPECT_EQ(in.full_screen, row.full_screen) << row.name;
    if (row.click != kNoClick) {
      EXPECT_EQ(in.x, 40) << row.name;
      EXPECT_EQ(in.y, 30) << row.name;
    }
  }
}

TEST(WindowPicture, DefaultFactorFollowsTheDesktopAndFits) {
  struct Case {
    const char *xft_dpi, *gdk_scale;
    int usable_width_px, usable_height_px, factor;
  };
  const Case cases[] = {
      {"96", nullptr, 3840, 2160, 1},     {"120", nullptr, 3840, 2160, 1},
      {"144", nullptr, 3840, 2160, 2},    {"192", "3", 3840, 2160, 2},
      {"288", nullptr, 3840, 2160, 3},    {nullptr, "2", 3840, 2160, 2},
      {nullptr, "1.5", 3840, 2160, 1},    {nullptr, nullptr, 3840, 2160, 1},
      {"192", nullptr, 1920, 1080, 1},    {"288", nullptr, 2560, 1400, 2},
      {"9600", nullptr, 99999, 99999, 8}, {"192", nullptr, 500, 300, 1},
  };
  for (const Case& c : cases) {
    int k =
        FittingFactor(DesktopFactor(c.xft_dpi, c.gdk_scale), c.usable_width_px, c.usable_height_px);
    EXPECT_EQ(k, c.factor) << (c.xft_dpi ? c.xft_dpi : "-") << " " << c.usable_width_px;
  }
}

// The framebuffer pixel under a window pixel, -1 on the border.
TEST(WindowPicture, ClicksLandOnThePixelSeen) {
  struct Case {
    int window_width_px, window_height_px, x_px, y_px, x, y;
  };
  const Case cases[] = {
      {1030, 630, 0, 0, 0, 0},
      {1030, 630, 1029, 629, 1029, 629},
      {2060, 1260, 741, 1031, 370, 515},
      {3840, 2160, 375, 135, 0, 0},
      {3840, 2160, 3464, 2024, 1029, 629},
      {3840, 2160, 374, 1000, -1, -1},
      {3840, 2160, 3465, 1000, -1, -1},
      {3840, 2160, 1000, 2025, -1, -1},
      // Below 1x: 515 x 315 from row 192.
      {515, 700, 514, 192, 1028, 0},
      {515, 700, 0, 506, 0, 628},
      {515, 700, 0, 507, -1, -1},
  };
  for (const Case& c : cases) {
    int x = -1;
    int y = -1;
    if (!PictureAt(LayoutInWindow(c.window_width_px, c.window_height_px), c.x_px, c.y_px, &x, &y)) {
      x = y = -1;
    }
    EXPECT_EQ(x * 10000 + y, c.x * 10000 + c.y) << c.x_px << "," << c.y_px;
  }
}

// Below 1x a window pixel is the average of the framebuffer pixels it covers.
TEST(WindowPicture, ScaledDownPixelsAreAverages) {
  const std::vector<std::uint32_t> quarter = {0xFF0000, 0x000000, 0x0000FF, 0x00FF00};
  const std::vector<std::uint32_t> grey(9, 0x808080);
  std::uint32_t out = 0;
  ScalePixels(LayoutInWindow(515, 315), {0, 0, 1, 1}, quarter.data(), 2, &out, 1);
  EXPECT_EQ(out, 0x404040u);
  // 700 x 428: each window pixel covers parts of up to 3 x 3 pixels.
  ScalePixels(LayoutInWindow(700, 428), {100, 100, 101, 101}, grey.data(), 3, &out, 1);
  EXPECT_EQ(out, 0x808080u);
}

}  // namespace
