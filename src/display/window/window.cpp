// Waits OpenWindow, Pause, AwaitKeyOrClick; notes NotifyDrawn, NotePrinted, NotePixel, NoteKeyRead.
// The real window on SDL. The window and its events live on the main thread
// (ServeWindow); the program's logic draws into the shared framebuffer from
// its own thread, and the two meet only in the hand-off (handoff.cpp) and the
// framebuffer's lock.
#include "display/window/window.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "display/codepage.h"
#include "display/fonts.h"
#include "display/handoff.h"
#include "display/surface.h"
#include "display/window/input.h"

namespace {

using Clock = std::chrono::steady_clock;

// The window thread wakes this often while nothing happens, only to see a
// SIGINT or SIGTERM (a signal handler cannot wake it): rare enough to cost
// next to nothing, often enough that the program ends soon after a signal.
constexpr int kIdleWaitMs = 500;
constexpr int kFrameMs = 16;  // at most about 60 presents a second
// Window positions beyond this are off every screen anyway.
constexpr int kFarthestWindowPx = 10000;

// The video drivers worth trying, by the variable that says a display is there.
struct DisplayDriver {
  const char* variable;
  const char* driver;
};
constexpr DisplayDriver kDisplayDrivers[] = {{"DISPLAY", "x11"}, {"WAYLAND_DISPLAY", "wayland"}};
// The video drivers with a framebuffer of their own: there the window surface
// needs no GPU renderer, which would cost many megabytes and start-up time.
// Any other (wayland) gets its window surface only through SDL's accelerated
// path, and SDL settles on the path once, at the first window surface.
constexpr const char* kOwnFramebufferDrivers[] = {"x11"};

// The window thread's own.
struct WindowThread {
  SDL_Window* window = nullptr;
  bool failed = false;  // the window could not be made or drawn into
  bool present_wanted = false;
  Uint64 last_present_ms = 0;
  std::vector<std::uint32_t> copy;  // the changed area on its way to the window
};

// The logic thread's own: the schedule of the paced pixels, in
// milliseconds of the steady clock.
struct Pacing {
  double pixel_due_ms = 0;
};

WindowThread g_window;
Pacing g_pacing;
// The type of the wake-up event; registered by start-up before the logic
// thread exists, only read afterwards.
Uint32 g_wake_event = static_cast<Uint32>(-1);
// Set by SIGINT or SIGTERM and cleared by the window thread, which closes the
// window when it sees it (within one idle wait). A signal handler may take no
// lock, so this one flag stands apart from the hand-off.
std::atomic<bool> g_signalled{false};

void OnSignal(int) {
  g_signalled.store(true);
}

// Our own handlers rather than SDL's: SDL leaves a signal alone when it was
// ignored at start, as SIGINT is for a program started in the background.
void CatchSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// SDL delivers a pushed event by sending a message to the window itself; one
// that reached a destroyed window would be an X error, which ends the process.
// The window is therefore never destroyed while the process runs (closing
// and the end only hide it), and wake-ups stop once it is closed.
void PushWake() {
  if (!WakesAllowed()) return;
  SDL_Event e{};
  e.type = g_wake_event;
  SDL_PushEvent(&e);
}

// Copies the changed part of the framebuffer (all of it when `full`) to the
// window and shows it.
void Present(bool full) {
  WindowThread& w = g_window;
  WakeArrived();
  w.present_wanted = false;
  w.last_present_ms = SDL_GetTicks64();
  PixelRect area = TakeChangedArea();
  if (full) area = {0, 0, kWindowWidthPx, kWindowHeightPx};
  if (!w.window) return;
  SDL_Surface* target = SDL_GetWindowSurface(w.window);
  if (!target) return;
  area.right = std::min(area.right, target->w);
  area.bottom = std::min(area.bottom, target->h);
  int width = area.right - area.left;
  int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  w.copy.resize(static_cast<std::size_t>(width) * height);
  CopyPixels(area, w.copy.data(), width);
  if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
  auto* to = static_cast<std::uint8_t*>(target->pixels) +
             static_cast<std::ptrdiff_t>(area.top) * target->pitch +
             static_cast<std::ptrdiff_t>(area.left) * target->format->BytesPerPixel;
  SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGB888, w.copy.data(), width * 4,
                    target->format->format, to, target->pitch);
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  SDL_Rect r{area.left, area.top, width, height};
  SDL_UpdateWindowSurfaceRects(w.window, &r, 1);
}

// The close button or SIGINT/SIGTERM: the window goes, the program ends at
// its next input.
void CloseByUser() {
  MarkWindowClosed();
  // Only hidden until the program ends: a wake-up already on its way must
  // still find the window.
  if (g_window.window) SDL_HideWindow(g_window.window);
}

void CreateTheWindow(const std::string& caption, int left, int top) {
  WindowThread& w = g_window;
  w.window = SDL_CreateWindow(ToUtf8(caption).c_str(), left, top, kWindowWidthPx, kWindowHeightPx,
                              SDL_WINDOW_SHOWN);
  if (!w.window) {
    std::fprintf(stderr, "punktmuster: Fenster konnte nicht erzeugt werden: %s\n", SDL_GetError());
    w.failed = true;
    MarkWindowClosed();
    return;
  }
  if (!SDL_GetWindowSurface(w.window)) {
    std::fprintf(stderr, "punktmuster: kein Zeichnen im Fenster möglich: %s\n", SDL_GetError());
    w.failed = true;
    CloseByUser();
    return;
  }
  SDL_StartTextInput();
  MarkWindowMade();
  Present(true);
}

// The first press of a double click has already been handed over as a
// single click, so the second is one double click: two reports in all.
void HandOver(const WindowInput& in) {
  // Several keys come only from one text event: typed one at a time.
  if (in.keys.size() > 1) {
    std::string text;
    for (const std::string& key : in.keys) text += key;
    PutText(text);
  } else if (!in.keys.empty()) {
    PutKey(in.keys[0]);
  }
  if (in.click != kNoClick) PutClick(in.x, in.y, in.click);
  // Only when the paste can be taken: SDL waits a second for a slow owner
  // of the clipboard and then takes the clipboard itself, emptied. SDL's
  // clipboard belongs to the thread of the window, this one.
  if (in.paste && TakesPaste()) {
    char* text = SDL_GetClipboardText();
    if (text) PutPaste(text);
    SDL_free(text);
  }
}

void HandleEvent(const SDL_Event& e) {
  if (e.type == g_wake_event) {
    g_window.present_wanted = true;
    return;
  }
  switch (e.type) {
    case SDL_QUIT:
      CloseByUser();
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        CloseByUser();
      } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                 e.window.event == SDL_WINDOWEVENT_RESTORED ||
                 e.window.event == SDL_WINDOWEVENT_SHOWN ||
                 e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        Present(true);
      }
      break;
    default:
      HandOver(InputOfEvent(e, SDL_GetModState()));
      break;
  }
}

}  // namespace

void NotifyDrawn() {
  if (ClaimWake()) PushWake();
}

void NotePrinted(const PrintedText&) {}

void NoteKeyRead() {}

// Every call is paced, also one whose pixel lies outside the area: a range
// that misses the figure still gives a drawing a key can stop.
void NotePixel(bool, int, int, Color, bool open) {
  if (!open) return;
  using Ms = std::chrono::duration<double, std::milli>;
  double now_ms = Ms(Clock::now().time_since_epoch()).count();
  double sleep_ms = PacedSleepMs(g_pacing.pixel_due_ms, now_ms);
  if (sleep_ms > 0) std::this_thread::sleep_for(Ms(sleep_ms));
}

bool StartDisplay(const std::string& face) {
  // Only real displays: left to itself SDL falls back to an invisible
  // offscreen driver, and the program would run on with nobody to see it.
  if (!std::getenv("SDL_VIDEODRIVER")) {
    std::string drivers;
    for (const DisplayDriver& d : kDisplayDrivers) {
      const char* value = std::getenv(d.variable);
      if (!value || !*value) continue;
      drivers += drivers.empty() ? d.driver : std::string(",") + d.driver;
    }
    if (drivers.empty()) {
      std::fprintf(stderr,
                   "punktmuster: kein Display für das Fenster (weder DISPLAY noch "
                   "WAYLAND_DISPLAY ist gesetzt)\n");
      return false;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
  }
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "punktmuster: kein Display für das Fenster (%s)\n", SDL_GetError());
    return false;
  }
  const std::string driver = SDL_GetCurrentVideoDriver();
  for (const char* own : kOwnFramebufferDrivers) {
    if (driver == own) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  }
  if (!FaceAvailable(face)) {
    ReportMissingFont(face);
    SDL_Quit();
    return false;
  }
  g_wake_event = SDL_RegisterEvents(1);
  AllowWakes(g_wake_event != static_cast<Uint32>(-1));
  CatchSignals();
  return true;
}

bool ServeWindow() {
  WindowThread& w = g_window;
  for (;;) {
    WindowRequest request = TakeRequest();
    if (request.finish) break;
    if (request.create) CreateTheWindow(request.caption, request.left_px, request.top_px);
    int timeout_ms = kIdleWaitMs;
    if (w.present_wanted) {
      Uint64 since = SDL_GetTicks64() - w.last_present_ms;
      timeout_ms = since >= kFrameMs ? 0 : static_cast<int>(kFrameMs - since);
    }
    SDL_Event e;
    if (timeout_ms > 0 && SDL_WaitEventTimeout(&e, timeout_ms)) HandleEvent(e);
    while (SDL_PollEvent(&e)) HandleEvent(e);
    if (g_signalled.exchange(false)) CloseByUser();
    if (w.present_wanted && SDL_GetTicks64() - w.last_present_ms >= kFrameMs) Present(false);
  }
  AllowWakes(false);
  // The window is hidden, not destroyed, and SDL is not shut down: a wake-up
  // sent just before may still be on its way to the window, and shutting
  // down would read the X error it causes and end the process with code 1.
  // The window and the display connection go with the process.
  if (w.window) SDL_HideWindow(w.window);
  return !w.failed;
}

void FinishDisplay() {
  RequestFinish();
  PushWake();
}

void OpenWindow(std::string caption, double left, double top, [[maybe_unused]] double width,
                [[maybe_unused]] double height) {
  assert(width == kWindowWidthPx && height == kWindowHeightPx);
  int left_px = ClampedPx(left, -kFarthestWindowPx, kFarthestWindowPx, 0);
  int top_px = ClampedPx(top, -kFarthestWindowPx, kFarthestWindowPx, 0);
  if (!RequestWindow(caption, left_px, top_px)) return;
  PushWake();
  AwaitWindowMade();
}

void Pause(double milliseconds) {
  const double span_ms = PauseSpanMs(milliseconds);
  // Closing the window ends the program at its next input; no use sleeping on.
  if (span_ms > 0) AwaitClosedFor(span_ms);
}

void AwaitKeyOrClick() {
  MarkWaiting(true);
  AwaitHandOver();
  MarkWaiting(false);
}
