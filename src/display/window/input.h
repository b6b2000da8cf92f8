// Inside the display surface: what an event of the real window means to the
// program. Pure mapping without any call into SDL, so that tests can check it
// without a video driver.
#pragma once

#include <SDL_events.h>

#include <string>
#include <vector>

#include "display/display.h"

struct WindowInput {
  std::vector<std::string> keys;  // in typing order, each as ReadKey gives it
  ClickKind click = kNoClick;
  double x = 0;  // position of the click in the window, in SDL's window units
  double y = 0;
  bool paste = false;        // Ctrl+V or Shift+Insert (the keypad's too): type the clipboard's text
  bool full_screen = false;  // Alt+Enter: into full screen or back
};

// The keys and the click an event carries; `modifiers` is the keyboard's
// modifier state at the event (SDL_GetModState), for events without their own.
WindowInput InputOfEvent(const SDL_Event& event, unsigned modifiers);
