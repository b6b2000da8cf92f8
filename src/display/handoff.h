// Inside the display surface: everything the window thread and the logic
// thread hand each other, under one lock. On a single-threaded surface (the
// headless one) the same procedures serve without anybody waiting.
#pragma once

#include <string>

#include "display/display.h"

// What the logic thread asks of the window thread.
struct WindowRequest {
  bool finish;  // the program has ended: stop serving the window
  bool create;  // make the window now
  std::string caption;
  int left_px;
  int top_px;
};

// ---- Logic thread ----
// Besides ReadKey, ReadClick and WindowIsOpen of display.h:
// Blocks until the window thread has handed over a key or a click, or the
// window is closed.
void AwaitHandOver();
// Waits for the time (Pause has held it to a day), or less when the window
// closes meanwhile.
void AwaitClosedFor(double milliseconds);
// Asks for the window; false when it exists already or was closed for good.
// The caller then wakes the window thread and waits in AwaitWindowMade.
bool RequestWindow(const std::string& caption, int left_px, int top_px);
void AwaitWindowMade();
// Asks the window thread to stop; closes the window for the logic.
void RequestFinish();
// Whether the window thread may be woken at all (not before it serves
// events, never after the window is closed).
bool WakesAllowed();
// True when the caller must wake the window thread because the picture
// changed: wake-ups are allowed and none is on its way yet. One wake-up
// stands for any number of changes.
bool ClaimWake();

// ---- Window thread ----
WindowRequest TakeRequest();
// The window exists (open) or could not be made or was closed for good.
void MarkWindowMade();
void MarkWindowClosed();
// Allows or stops wake-ups; stopped for good once the window is closed.
void AllowWakes(bool allowed);
// The wake-up has arrived; the next change needs a new one.
void WakeArrived();

// Back to a fresh state: no window, no input, wake-ups not allowed.
void ResetHandoff();
