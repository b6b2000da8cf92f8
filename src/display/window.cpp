// The real window on SDL. The window and its events live on the main thread
// (ServeWindow); the program's logic draws into the shared framebuffer from
// its own thread and wakes the window thread with one user event at a time.
// Everything shared sits under the surface's one lock.
#include "display/window.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "display/surface.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kIdleWaitMs = 100;
constexpr int kFrameMs = 16;  // at most about 60 presents a second
constexpr double kLongestInputWaitMs = 50;
constexpr double kLongestPauseMs = 24.0 * 60 * 60 * 1000;
// Pacing of SetPixel: 25 microseconds a pixel, sleeping only once the drawing
// is this far ahead; a drawing that fell far behind (the program was waiting)
// starts a fresh schedule instead of rushing to catch up.
constexpr auto kPixelCost = std::chrono::microseconds(25);
constexpr auto kAheadBeforeSleep = std::chrono::milliseconds(2);
constexpr auto kBehindLimit = std::chrono::milliseconds(50);
constexpr const char* kTextFace = "Courier New";

// The video drivers worth trying, by the variable that says a display is there.
struct DisplayDriver {
  const char* variable;
  const char* driver;
};
constexpr DisplayDriver kDisplayDrivers[] = {{"DISPLAY", "x11"}, {"WAYLAND_DISPLAY", "wayland"}};

struct KeyCode {
  SDL_Scancode scancode;
  unsigned char code;
};

// Keys that arrive as one control character.
constexpr KeyCode kControlKeys[] = {{SDL_SCANCODE_RETURN, 13},
                                    {SDL_SCANCODE_KP_ENTER, 13},
                                    {SDL_SCANCODE_RETURN2, 13},
                                    {SDL_SCANCODE_BACKSPACE, 8},
                                    {SDL_SCANCODE_ESCAPE, 27}};

// Extended keys: NUL followed by the PC scan code.
constexpr KeyCode kExtendedKeys[] = {
    {SDL_SCANCODE_UP, 72},       {SDL_SCANCODE_LEFT, 75},   {SDL_SCANCODE_RIGHT, 77},
    {SDL_SCANCODE_DOWN, 80},     {SDL_SCANCODE_INSERT, 82}, {SDL_SCANCODE_DELETE, 83},
    {SDL_SCANCODE_HOME, 71},     {SDL_SCANCODE_END, 79},    {SDL_SCANCODE_PAGEUP, 73},
    {SDL_SCANCODE_PAGEDOWN, 81}, {SDL_SCANCODE_F1, 59},     {SDL_SCANCODE_F2, 60},
    {SDL_SCANCODE_F3, 61},       {SDL_SCANCODE_F4, 62},     {SDL_SCANCODE_F5, 63},
    {SDL_SCANCODE_F6, 64},       {SDL_SCANCODE_F7, 65},     {SDL_SCANCODE_F8, 66},
    {SDL_SCANCODE_F9, 67},       {SDL_SCANCODE_F10, 68},    {SDL_SCANCODE_F11, 133},
    {SDL_SCANCODE_F12, 134}};

// The keypad with NumLock off moves the cursor (with NumLock on its digits
// come as text).
constexpr KeyCode kKeypadKeys[] = {{SDL_SCANCODE_KP_8, 72}, {SDL_SCANCODE_KP_4, 75},
                                   {SDL_SCANCODE_KP_6, 77}, {SDL_SCANCODE_KP_2, 80},
                                   {SDL_SCANCODE_KP_0, 82}, {SDL_SCANCODE_KP_PERIOD, 83},
                                   {SDL_SCANCODE_KP_7, 71}, {SDL_SCANCODE_KP_1, 79},
                                   {SDL_SCANCODE_KP_9, 73}, {SDL_SCANCODE_KP_3, 81}};

struct Window {
  // Under the surface lock.
  bool open_wanted = false;  // the logic thread asks for the window
  std::string caption;       // Windows-1252
  int left_px = 100;
  int top_px = 100;
  bool created = false;  // the window exists (or could not be made)
  bool closed = false;   // closed by the user, a signal or the end; for good
  bool finish = false;   // the program has ended
  bool failed = false;   // the window could not be made or drawn into
  // The window thread's own.
  SDL_Window* window = nullptr;
  bool present_wanted = false;
  Uint64 last_present_ms = 0;
  bool traced = false;
  // The logic thread's own.
  Clock::time_point pixel_due;
};

Window g_window;
// Set by the logic thread when it pushed a wake-up for drawn pixels; cleared
// by the window thread when it presents, so one event stands for any number
// of pixels.
std::atomic<bool> g_wake_pending{false};
Uint32 g_wake_event = static_cast<Uint32>(-1);
// Set by SIGINT or SIGTERM; the window thread closes the window when it sees
// it (within one idle wait).
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
// that reaches a window already destroyed is an X error, and Xlib ends the
// process for it. So wake-ups stop, under this lock, before the window goes.
std::mutex g_wake_lock;
bool g_wakes_allowed = false;  // under g_wake_lock

void StopWakes() {
  std::lock_guard<std::mutex> hold(g_wake_lock);
  g_wakes_allowed = false;
}

void PushWake() {
  std::lock_guard<std::mutex> hold(g_wake_lock);
  if (!g_wakes_allowed || g_wake_event == static_cast<Uint32>(-1)) return;
  SDL_Event e{};
  e.type = g_wake_event;
  SDL_PushEvent(&e);
}

void TraceFirstPresent() {
  const char* trace = std::getenv("PUNKT_TRACE");
  if (!trace || std::string(trace) != "1") return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::fprintf(stderr, "punktmuster: first frame presented at %lld.%09ld\n",
               static_cast<long long>(now.tv_sec), now.tv_nsec);
}

// Copies the changed part of the framebuffer (all of it when `full`) to the
// window and shows it.
void Present(bool full) {
  Window& w = g_window;
  Surface& s = TheSurface();
  g_wake_pending.store(false);
  w.present_wanted = false;
  w.last_present_ms = SDL_GetTicks64();
  if (!w.window) return;
  SDL_Surface* target = SDL_GetWindowSurface(w.window);
  if (!target) return;
  SDL_Rect r{0, 0, 0, 0};
  {
    std::lock_guard<std::mutex> hold(s.lock);
    if (full) {
      r = {0, 0, kAreaWidthPx, kAreaHeightPx};
    } else if (s.dirty) {
      r = {s.dirty_left, s.dirty_top, s.dirty_right - s.dirty_left, s.dirty_bottom - s.dirty_top};
    }
    s.dirty = false;
    r.w = std::min(r.w, target->w - r.x);
    r.h = std::min(r.h, target->h - r.y);
    if (r.w <= 0 || r.h <= 0) return;
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    const std::uint32_t* from =
        s.pixels.data() + static_cast<std::size_t>(r.y) * kAreaWidthPx + r.x;
    auto* to = static_cast<std::uint8_t*>(target->pixels) +
               static_cast<std::ptrdiff_t>(r.y) * target->pitch +
               static_cast<std::ptrdiff_t>(r.x) * target->format->BytesPerPixel;
    SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, from, kAreaWidthPx * 4,
                      target->format->format, to, target->pitch);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
  }
  SDL_UpdateWindowSurfaceRects(w.window, &r, 1);
  if (!w.traced) {
    w.traced = true;
    TraceFirstPresent();
  }
}

void MarkClosed() {
  Surface& s = TheSurface();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    g_window.closed = true;
    g_window.created = true;
    s.open = false;
  }
  s.input_changed.notify_all();
}

// The close button or SIGINT/SIGTERM: the window goes, the program ends at
// its next input.
void CloseByUser() {
  MarkClosed();
  StopWakes();
  // Only hidden until the program ends: a wake-up already on its way must
  // still find the window.
  if (g_window.window) SDL_HideWindow(g_window.window);
}

void CreateTheWindow(const std::string& caption, int left, int top) {
  Window& w = g_window;
  w.window = SDL_CreateWindow(ToUtf8(caption).c_str(), left, top, kAreaWidthPx, kAreaHeightPx,
                              SDL_WINDOW_SHOWN);
  if (!w.window) {
    std::fprintf(stderr, "punktmuster: Fenster konnte nicht erzeugt werden: %s\n", SDL_GetError());
    w.failed = true;
    MarkClosed();
    return;
  }
  // Without a framebuffer of its own the video driver needs the accelerated
  // path to give us a window surface.
  if (!SDL_GetWindowSurface(w.window)) {
    SDL_ResetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    if (!SDL_GetWindowSurface(w.window)) {
      std::fprintf(stderr, "punktmuster: kein Zeichnen im Fenster möglich: %s\n", SDL_GetError());
      w.failed = true;
      CloseByUser();
      return;
    }
  }
  SDL_StartTextInput();
  Surface& s = TheSurface();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    w.created = true;
    s.open = true;
  }
  s.input_changed.notify_all();
  Present(true);
}

bool KeyOf(const KeyCode* table, std::size_t count, SDL_Scancode scancode, unsigned char* code) {
  for (std::size_t i = 0; i < count; ++i) {
    if (table[i].scancode == scancode) {
      *code = table[i].code;
      return true;
    }
  }
  return false;
}

void HandleKeyDown(const SDL_KeyboardEvent& key) {
  SDL_Scancode sc = key.keysym.scancode;
  unsigned char code = 0;
  if (KeyOf(kControlKeys, std::size(kControlKeys), sc, &code)) {
    PutKey(std::string(1, static_cast<char>(code)));
    return;
  }
  bool keypad_moves = (key.keysym.mod & KMOD_NUM) == 0;
  if (KeyOf(kExtendedKeys, std::size(kExtendedKeys), sc, &code) ||
      (keypad_moves && KeyOf(kKeypadKeys, std::size(kKeypadKeys), sc, &code))) {
    PutKey(std::string{'\0', static_cast<char>(code)});
  }
}

void HandleEvent(const SDL_Event& e) {
  Window& w = g_window;
  if (e.type == g_wake_event) {
    w.present_wanted = true;
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
    case SDL_KEYDOWN:
      HandleKeyDown(e.key);
      break;
    case SDL_TEXTINPUT:
      if ((SDL_GetModState() & KMOD_CTRL) != 0) break;
      for (char c : FromUtf8(e.text.text)) PutKey(std::string(1, c));
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT)
        PutClick(e.button.x, e.button.y, e.button.clicks >= 2);
      break;
    default:
      break;
  }
}

int PositionPx(double v) {
  return std::isfinite(v) ? static_cast<int>(std::nearbyint(std::clamp(v, -1e4, 1e4))) : 0;
}

}  // namespace

void NotifyDrawn() {
  if (!g_wake_pending.exchange(true)) PushWake();
}

void NotePrinted(const PrintedText&) {}

void NotePixel(bool hit, int, int, Color, bool open) {
  if (!hit || !open) return;
  Window& w = g_window;
  Clock::time_point now = Clock::now();
  if (w.pixel_due < now - kBehindLimit) w.pixel_due = now;
  w.pixel_due += kPixelCost;
  if (w.pixel_due - now > kAheadBeforeSleep) std::this_thread::sleep_until(w.pixel_due);
}

bool StartDisplay() {
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
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "punktmuster: kein Display für das Fenster (%s)\n", SDL_GetError());
    return false;
  }
  if (MatchFont(kTextFace, 0).file.empty()) {
    ReportMissingFont(kTextFace);
    SDL_Quit();
    return false;
  }
  g_wake_event = SDL_RegisterEvents(1);
  {
    std::lock_guard<std::mutex> hold(g_wake_lock);
    g_wakes_allowed = true;
  }
  CatchSignals();
  return true;
}

bool ServeWindow() {
  Window& w = g_window;
  Surface& s = TheSurface();
  for (;;) {
    bool finish = false;
    bool create = false;
    std::string caption;
    int left = 0;
    int top = 0;
    {
      std::lock_guard<std::mutex> hold(s.lock);
      finish = w.finish;
      create = w.open_wanted && !w.created && !w.closed;
      caption = w.caption;
      left = w.left_px;
      top = w.top_px;
    }
    if (finish) break;
    if (create) CreateTheWindow(caption, left, top);
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
  StopWakes();
  // The window is hidden, not destroyed, and SDL is not shut down: a wake-up
  // sent just before may still be on its way to the window, and shutting
  // down would read the X error it causes and end the process with code 1.
  // The window and the display connection go with the process.
  if (w.window) SDL_HideWindow(w.window);
  return !w.failed;
}

void FinishDisplay() {
  Surface& s = TheSurface();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    g_window.finish = true;
    g_window.closed = true;
    s.open = false;
  }
  s.input_changed.notify_all();
  PushWake();
}

void OpenWindow(std::string caption, double left, double top, double, double) {
  Surface& s = TheSurface();
  Window& w = g_window;
  std::unique_lock<std::mutex> hold(s.lock);
  if (w.created || w.closed) return;
  w.caption = caption;
  w.left_px = PositionPx(left);
  w.top_px = PositionPx(top);
  w.open_wanted = true;
  hold.unlock();
  PushWake();
  hold.lock();
  s.input_changed.wait(hold, [&w] { return w.created || w.closed; });
}

void Pause(double milliseconds) {
  if (!std::isfinite(milliseconds) || milliseconds <= 0) return;
  Surface& s = TheSurface();
  std::unique_lock<std::mutex> hold(s.lock);
  auto span = std::chrono::duration<double, std::milli>(std::min(milliseconds, kLongestPauseMs));
  // Closing the window ends the program at its next input; no use sleeping on.
  s.input_changed.wait_for(hold, span, [] { return g_window.closed; });
}

void WaitForInput(double timeout_milliseconds) {
  double ms = std::isfinite(timeout_milliseconds) ? timeout_milliseconds : kLongestInputWaitMs;
  ms = std::clamp(ms, 0.0, kLongestInputWaitMs);
  Surface& s = TheSurface();
  std::unique_lock<std::mutex> hold(s.lock);
  s.input_changed.wait_for(hold, std::chrono::duration<double, std::milli>(ms),
                           [&s] { return InputOrClosed(s); });
}
