// Waits OpenWindow, Pause, AwaitKeyOrClick; notes NotifyDrawn, NotePrinted, NotePixel, NoteKeyRead.
// The headless surface: the shared drawing code without a window. Input comes
// from the test (directly or from a script handed over as the program waits),
// time from a virtual clock, and every text and pixel is logged.
#include "display/headless/headless.h"

#include <cassert>
#include <cmath>
#include <deque>
#include <utility>

#include "display/surface.h"

namespace {

// An input to be given once the virtual clock reaches `clock_ms`.
struct TimedInput {
  double clock_ms;
  ScriptedInput input;
};

struct Headless {
  std::deque<ScriptedInput> script;
  std::deque<TimedInput> timed;  // in time order
  double clock_ms = 0;
  std::vector<PrintedText> prints;
  std::vector<PlottedPixel> pixels;
  std::size_t set_pixel_calls = 0;
  std::size_t read_key_calls = 0;
  std::string caption;
};

Headless& g_headless = *new Headless;

void HandOver(const ScriptedInput& input) {
  switch (input.kind) {
    case kScriptKey:
      PutKey(input.key);
      break;
    case kScriptClick:
      HeadlessClick(input.x, input.y, input.double_click);
      break;
    case kScriptClose:
      SetWindowOpen(false);
      break;
    case kScriptPaste:
      PutPaste(input.key);
      break;
    case kScriptText:
      PutText(input.key);
      break;
  }
}

// Called after each advance of the clock: hand over every scheduled input
// whose time has come, earliest first, so a later key replaces an earlier one
// as it would if the user typed both before the program looked.
void HandOverDue() {
  auto& timed = g_headless.timed;
  while (!timed.empty() && timed.front().clock_ms <= g_headless.clock_ms) {
    HandOver(timed.front().input);
    timed.pop_front();
  }
}

// The next scripted input, as the program waits with nothing pending.
void HandOverScripted() {
  if (g_headless.script.empty()) {
    // Nobody will ever type again: close, so that the program ends.
    SetWindowOpen(false);
    return;
  }
  ScriptedInput next = g_headless.script.front();
  g_headless.script.pop_front();
  HandOver(next);
}

void Schedule(double clock_ms, ScriptedInput input) {
  // A time that never comes would block every input behind it.
  if (std::isnan(clock_ms)) return;
  auto& timed = g_headless.timed;
  // After any input of the same time, so equal times keep the order of
  // scheduling.
  auto at = timed.begin();
  while (at != timed.end() && at->clock_ms <= clock_ms) ++at;
  timed.insert(at, TimedInput{clock_ms, std::move(input)});
}

}  // namespace

void NotifyDrawn() {}

void NotePrinted(const PrintedText& printed) {
  g_headless.prints.push_back(printed);
}

void NoteKeyRead() {
  ++g_headless.read_key_calls;
}

void NotePixel(bool hit, int x, int y, Color color, bool open) {
  ++g_headless.set_pixel_calls;
  if (hit) g_headless.pixels.push_back({x, y, color});
  if (!open) return;
  g_headless.clock_ms += kPixelCostMs;
  HandOverDue();
}

void OpenWindow(std::string caption, double, double, [[maybe_unused]] double width,
                [[maybe_unused]] double height) {
  assert(width == kWindowWidthPx && height == kWindowHeightPx);
  g_headless.caption = caption;
  SetWindowOpen(true);
}

void Pause(double milliseconds) {
  const double span_ms = PauseSpanMs(milliseconds);
  if (span_ms <= 0) return;
  g_headless.clock_ms += span_ms;
  HandOverDue();
}

void AwaitKeyOrClick() {
  // A paste goes on before the script: it types its next key now.
  MarkWaiting(true);
  if (!InputOrClosed()) HandOverScripted();
  MarkWaiting(false);
}

void HeadlessReset() {
  ResetSurface();
  g_headless = Headless{};
}

void HeadlessPressKey(std::string key) {
  PutKey(key);
}

void HeadlessPressKeyAt(double clock_ms, std::string key) {
  Schedule(clock_ms, {kScriptKey, std::move(key)});
}

void HeadlessCloseWindowAt(double clock_ms) {
  Schedule(clock_ms, {kScriptClose, ""});
}

void HeadlessPasteAt(double clock_ms, std::string text) {
  Schedule(clock_ms, {kScriptPaste, std::move(text)});
}

void HeadlessClick(double x, double y, bool double_click) {
  if (double_click) {
    PutDoubleClick(x, y);
  } else {
    PutClick(x, y, kSingleClick);
  }
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
  if (x < 0 || x >= kWindowWidthPx || y < 0 || y >= kWindowHeightPx) return kDefaultColor;
  std::uint32_t pixel = 0;
  CopyPixels({x, y, x + 1, y + 1}, &pixel, 1);
  return static_cast<Color>(pixel);
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
  return g_headless.read_key_calls;
}

std::string HeadlessCaption() {
  return g_headless.caption;
}
