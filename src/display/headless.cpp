// The headless surface: the shared drawing code without a window. Input comes
// from the test (directly or from a script handed over as the program waits),
// time from a virtual clock, and every text and pixel is logged.
#include "display/headless.h"

#include <cmath>
#include <deque>

#include "display/surface.h"

namespace {

// What one pixel costs on the paced window.
constexpr double kPixelCostMs = 0.025;

struct Headless {
  std::deque<ScriptedInput> script;
  double clock_ms = 0;
  std::vector<PrintedText> prints;
  std::vector<PlottedPixel> pixels;
  std::size_t set_pixel_calls = 0;
  std::string caption;
};

Headless& g_headless = *new Headless;

void HandOver(const ScriptedInput& input) {
  switch (input.kind) {
    case kScriptKey:
      PutKey(input.key);
      break;
    case kScriptClick:
      PutClick(input.x, input.y, input.double_click);
      break;
    case kScriptClose:
      SetWindowOpen(false);
      break;
  }
}

}  // namespace

void NotifyDrawn() {}

void NotePrinted(const PrintedText& printed) {
  g_headless.prints.push_back(printed);
}

void NotePixel(bool hit, int x, int y, Color color, bool open) {
  ++g_headless.set_pixel_calls;
  if (!hit) return;
  g_headless.pixels.push_back({x, y, color});
  if (open) g_headless.clock_ms += kPixelCostMs;
}

void OpenWindow(std::string caption, double, double, double, double) {
  g_headless.caption = caption;
  SetWindowOpen(true);
}

void Pause(double milliseconds) {
  if (std::isfinite(milliseconds) && milliseconds > 0) g_headless.clock_ms += milliseconds;
}

void WaitForInput(double) {
  Surface& s = TheSurface();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    if (InputOrClosed(s)) return;
  }
  if (g_headless.script.empty()) {
    // Nobody will ever type again: close, so that the program ends.
    SetWindowOpen(false);
    return;
  }
  ScriptedInput next = g_headless.script.front();
  g_headless.script.pop_front();
  HandOver(next);
}

void HeadlessReset() {
  ResetSurface();
  g_headless = Headless{};
}

void HeadlessPressKey(std::string key) {
  PutKey(key);
}

void HeadlessClick(double x, double y, bool double_click) {
  PutClick(x, y, double_click);
}

void HeadlessCloseWindow() {
  SetWindowOpen(false);
}

void HeadlessScript(const std::vector<ScriptedInput>& inputs) {
  g_headless.script.insert(g_headless.script.end(), inputs.begin(), inputs.end());
}

std::size_t HeadlessScriptLeft() {
  return g_headless.script.size();
}

double HeadlessClockMs() {
  return g_headless.clock_ms;
}

Color HeadlessPixel(int x, int y) {
  if (x < 0 || x >= kAreaWidthPx || y < 0 || y >= kAreaHeightPx) return kDefaultColor;
  Surface& s = TheSurface();
  std::lock_guard<std::mutex> hold(s.lock);
  return static_cast<Color>(s.pixels[static_cast<std::size_t>(y) * kAreaWidthPx + x]);
}

const std::vector<PrintedText>& HeadlessPrintLog() {
  return g_headless.prints;
}

const std::vector<PlottedPixel>& HeadlessPixelLog() {
  return g_headless.pixels;
}

std::size_t HeadlessSetPixelCalls() {
  return g_headless.set_pixel_calls;
}

std::size_t HeadlessReadKeyCalls() {
  return TheSurface().read_key_calls;
}

std::string HeadlessCaption() {
  return g_headless.caption;
}
