// Set-up the tests share: a fresh headless window with the program's text
// font selected (cells of 13 x 24 pixels), and a look into the print log.
#pragma once

#include <string>

#include "display/display.h"
#include "display/headless/headless.h"

inline void OpenTextScreen() {
  HeadlessReset();
  OpenWindow("Punktmuster", 100, 100, 1030, 630);
  SelectFont(CreateFont("Courier New", 16, 0));
}

// How often the text was printed since the reset.
inline int TimesPrinted(const std::string& text) {
  int count = 0;
  for (const PrintedText& p : HeadlessPrintLog()) count += p.text == text;
  return count;
}
