// Test control of the headless surface: the same drawing as the real window,
// no window. Tests script the input, read back pixels and the text log, and
// watch a virtual clock that Pause and SetPixel advance without sleeping.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/surface.h"

struct PlottedPixel {
  int x;
  int y;
  Color color;
};

// One scripted input: a key ("a", "\r", std::string("\0H", 2) ...), a click,
// the closing of the window, a paste (its text, UTF-8, in `key`) or several
// characters typed at once (Windows-1252, in `key`), as an input method
// commits them.
enum ScriptKind { kScriptKey, kScriptClick, kScriptClose, kScriptPaste, kScriptText };
struct ScriptedInput {
  ScriptKind kind;
  std::string key;
  double x = 0;
  double y = 0;
  bool double_click = false;
};

// Back to a fresh surface: window closed, no input, empty logs, clock 0.
void HeadlessReset();
// As if typed now: replaces a pending key (TAB is ignored like on the window).
void HeadlessPressKey(std::string key);
// As if typed when the virtual clock reaches clock_ms: the key is pressed
// (like HeadlessPressKey) as soon as Pause or a paced SetPixel carries the
// clock to that time or past it. Several may be scheduled; each is pressed
// once, in time order. HeadlessReset drops them.
void HeadlessPressKeyAt(double clock_ms, std::string key);
// As if the user closed the window when the virtual clock reaches clock_ms,
// scheduled like HeadlessPressKeyAt.
void HeadlessCloseWindowAt(double clock_ms);
// As if the user pasted the text when the virtual clock reaches clock_ms.
void HeadlessPasteAt(double clock_ms, std::string text);
// As if clicked now with the left button; a double click is both presses.
void HeadlessClick(double x, double y, bool double_click);
// As if the user closed the window now.
void HeadlessCloseWindow();
// Input the user gives later: each entry is handed over, in order, when the
// program waits for input (AwaitKeyOrClick) and nothing is pending. When the
// script has run out, the next wait closes the window, so a test never hangs.
void HeadlessScript(const std::vector<ScriptedInput>& inputs);
// Scripted input waiting to be handed over.
std::size_t HeadlessScriptLeft();

// Milliseconds on the virtual clock (Pause and paced SetPixel add to it).
double HeadlessClockMs();
// Colour 0xRRGGBB of a pixel of the drawing area.
Color HeadlessPixel(int x, int y);
// Every PrintText since the reset, in order.
const std::vector<PrintedText>& HeadlessPrintLog();
// Every SetPixel that hit the drawing area, in order.
const std::vector<PlottedPixel>& HeadlessPixelLog();
// Number of SetPixel calls (also those outside the area) and of ReadKey calls.
std::size_t HeadlessSetPixelCalls();
std::size_t HeadlessReadKeyCalls();
// Caption of the last OpenWindow (its place is not kept).
std::string HeadlessCaption();
