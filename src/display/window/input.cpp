// The window's key, text and mouse events as the program's keys and clicks.
#include "display/window/input.h"

#include <iterator>

#include "display/codepage.h"

namespace {

struct KeyCode {
  SDL_Scancode scancode;
  unsigned char code;
};

// Keys that arrive as one control character.
constexpr KeyCode kControlKeys[] = {{SDL_SCANCODE_RETURN, kKeyEnter},
                                    {SDL_SCANCODE_KP_ENTER, kKeyEnter},
                                    {SDL_SCANCODE_RETURN2, kKeyEnter},
                                    {SDL_SCANCODE_BACKSPACE, kKeyBackspace},
                                    {SDL_SCANCODE_ESCAPE, kKeyEsc}};

// Extended keys: NUL followed by the PC scan code.
constexpr KeyCode kExtendedKeys[] = {
    {SDL_SCANCODE_UP, kScanUp},         {SDL_SCANCODE_LEFT, kScanLeft},
    {SDL_SCANCODE_RIGHT, kScanRight},   {SDL_SCANCODE_DOWN, kScanDown},
    {SDL_SCANCODE_INSERT, kScanInsert}, {SDL_SCANCODE_DELETE, kScanDelete},
    {SDL_SCANCODE_HOME, kScanHome},     {SDL_SCANCODE_END, kScanEnd},
    {SDL_SCANCODE_PAGEUP, kScanPageUp}, {SDL_SCANCODE_PAGEDOWN, kScanPageDown},
    {SDL_SCANCODE_F1, kScanF1},         {SDL_SCANCODE_F2, kScanF1 + 1},
    {SDL_SCANCODE_F3, kScanF1 + 2},     {SDL_SCANCODE_F4, kScanF1 + 3},
    {SDL_SCANCODE_F5, kScanF1 + 4},     {SDL_SCANCODE_F6, kScanF1 + 5},
    {SDL_SCANCODE_F7, kScanF1 + 6},     {SDL_SCANCODE_F8, kScanF1 + 7},
    {SDL_SCANCODE_F9, kScanF1 + 8},     {SDL_SCANCODE_F10, kScanF10},
    {SDL_SCANCODE_F11, kScanF11},       {SDL_SCANCODE_F12, kScanF12}};

// The keypad with NumLock off moves the cursor (with NumLock on its digits
// come as text).
constexpr KeyCode kKeypadKeys[] = {
    {SDL_SCANCODE_KP_8, kScanUp},     {SDL_SCANCODE_KP_4, kScanLeft},
    {SDL_SCANCODE_KP_6, kScanRight},  {SDL_SCANCODE_KP_2, kScanDown},
    {SDL_SCANCODE_KP_0, kScanInsert}, {SDL_SCANCODE_KP_PERIOD, kScanDelete},
    {SDL_SCANCODE_KP_7, kScanHome},   {SDL_SCANCODE_KP_1, kScanEnd},
    {SDL_SCANCODE_KP_9, kScanPageUp}, {SDL_SCANCODE_KP_3, kScanPageDown}};

// Chords that paste: the key with one of the `held` modifiers and none of
// the `not_held`. By key, so that V is where a Latin layout puts it (Dvorak,
// AZERTY); by place only where the layout puts no Latin letter on the key
// (Cyrillic, Greek), which would otherwise leave those without Ctrl+V.
// The keypad's 0 is Insert only with NumLock off.
struct Chord {
  SDL_Keycode key;
  SDL_Scancode place;
  unsigned held;
  unsigned not_held;
};
constexpr Chord kPasteChords[] = {{SDLK_v, SDL_SCANCODE_V, KMOD_CTRL, 0},
                                  {SDLK_INSERT, SDL_SCANCODE_INSERT, KMOD_SHIFT, 0},
                                  {SDLK_KP_0, SDL_SCANCODE_KP_0, KMOD_SHIFT, KMOD_NUM}};

bool IsPaste(const SDL_Keysym& key) {
  const bool latin_letter = key.sym >= SDLK_a && key.sym <= SDLK_z;
  for (const Chord& c : kPasteChords) {
    const bool this_key = key.sym == c.key || (!latin_letter && key.scancode == c.place);
    if (this_key && (key.mod & c.held) != 0 && (key.mod & c.not_held) == 0) return true;
  }
  return false;
}

template <std::size_t N>
bool KeyOf(const KeyCode (&table)[N], SDL_Scancode scancode, unsigned char* code) {
  for (const KeyCode& k : table) {
    if (k.scancode == scancode) {
      *code = k.code;
      return true;
    }
  }
  return false;
}

void MapKeyDown(const SDL_KeyboardEvent& key, WindowInput& in) {
  if (IsPaste(key.keysym)) {
    in.paste = true;
    return;
  }
  SDL_Scancode sc = key.keysym.scancode;
  unsigned char code = 0;
  // Alt+Enter is the desktop's chord for full screen, never the program's
  // Enter; held down, it toggles once.
  if ((key.keysym.mod & KMOD_ALT) != 0 && KeyOf(kControlKeys, sc, &code) && code == kKeyEnter) {
    in.full_screen = key.repeat == 0;
    return;
  }
  if (KeyOf(kControlKeys, sc, &code)) {
    in.keys.push_back(std::string(1, static_cast<char>(code)));
    return;
  }
  bool keypad_moves = (key.keysym.mod & KMOD_NUM) == 0;
  if (KeyOf(kExtendedKeys, sc, &code) || (keypad_moves && KeyOf(kKeypadKeys, sc, &code))) {
    in.keys.push_back(ExtendedKey(code));
  }
}

}  // namespace

WindowInput InputOfEvent(const SDL_Event& event, unsigned modifiers) {
  WindowInput in;
  switch (event.type) {
    case SDL_KEYDOWN:
      MapKeyDown(event.key, in);
      break;
    case SDL_TEXTINPUT:
      // Ctrl with a letter is a command elsewhere, never text.
      if ((modifiers & KMOD_CTRL) != 0) break;
      for (char c : FromUtf8(event.text.text)) in.keys.push_back(std::string(1, c));
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button != SDL_BUTTON_LEFT) break;
      in.click = event.button.clicks >= 2 ? kDoubleClick : kSingleClick;
      in.x = event.button.x;
      in.y = event.button.y;
      break;
    default:
      break;
  }
  return in;
}
