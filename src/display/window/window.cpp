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
#include "display/window/picture.h"
#include "display/window/x11.h"

namespace {

using Clock = std::chrono::steady_clock;

// The window thread wakes this often while nothing happens, only to see a
// SIGINT or SIGTERM (a signal handler cannot wake it): often enough that the
// program ends soon after a signal, rare enough to cost next to nothing (SDL's
// pumping of events costs about half a millisecond a wake-up, measured under
// Xvfb: 0.05% of a core once a second, twice that twice a second).
constexpr int kIdleWaitMs = 1000;
constexpr int kFrameMs = 16;  // at most about 60 presents a second
// The window's pixels are made this many at a time: a picture scaled up for
// a large screen needs no second copy of the window's size.
constexpr int kBandPx = 16384;
// Window positions beyond this are off every screen anyway.
constexpr int kFarthestWindowPx = 10000;
// The smallest the window may be made, a fifth of the picture's size: the
// picture scaled down further would show nothing but a blur.
constexpr int kSmallestWindowWidthPx = kWindowWidthPx / 5;
constexpr int kSmallestWindowHeightPx = kWindowHeightPx / 5;

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
  bool whole_wanted = false;  // shown, exposed or resized: the next present is whole
  Uint64 last_present_ms = 0;
  // Where the picture stands in the window surface, as last presented whole.
  PictureLayout layout = {0, 0, 0, 0, 0};
  int surface_width_px = 0;
  int surface_height_px = 0;
  bool paste_asked = false;  // the clipboard's owner has been asked for its text
  // On their way to the window: the changed pixels of the framebuffer, and
  // as the window shows them.
  std::vector<std::uint32_t> copy;
  std::vector<std::uint32_t> scaled;
  std::vector<PixelPoint> points;
  std::vector<SDL_Rect> rects;
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

// Writes `pixels` (0xRRGGBB, rows `stride_px` apart) into the rectangle `r`
// of the window surface.
void PutPixels(SDL_Surface* target, const SDL_Rect& r, const std::uint32_t* pixels, int stride_px) {
  if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
  auto* to = static_cast<std::uint8_t*>(target->pixels) +
             static_cast<std::ptrdiff_t>(r.y) * target->pitch +
             static_cast<std::ptrdiff_t>(r.x) * target->format->BytesPerPixel;
  SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, pixels, stride_px * 4, target->format->format,
                    to, target->pitch);
  if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
}

// Scales the framebuffer's `area` into the window surface, a band of rows at
// a time; the window's rectangle that changed, empty when none.
SDL_Rect PutArea(SDL_Surface* target, const PixelRect& area) {
  WindowThread& w = g_window;
  PixelRect shown = WindowAreaOf(w.layout, area);
  shown.right = std::min(shown.right, target->w);
  shown.bottom = std::min(shown.bottom, target->h);
  SDL_Rect r{shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top};
  if (r.w <= 0 || r.h <= 0) return {0, 0, 0, 0};
  PixelRect from = FramebufferAreaOf(w.layout, shown);
  w.copy.resize(static_cast<std::size_t>(from.right - from.left) * (from.bottom - from.top));
  CopyPixels(from, w.copy.data(), from.right - from.left);
  const int band_rows = std::max(1, kBandPx / r.w);
  w.scaled.resize(static_cast<std::size_t>(r.w) * std::min(band_rows, r.h));
  for (int top = shown.top; top < shown.bottom; top += band_rows) {
    PixelRect band = {shown.left, top, shown.right, std::min(top + band_rows, shown.bottom)};
    PixelRect band_from = FramebufferAreaOf(w.layout, band);
    const std::uint32_t* band_copy =
        w.copy.data() +
        static_cast<std::ptrdiff_t>(band_from.top - from.top) * (from.right - from.left);
    ScalePixels(w.layout, band, band_copy, from.right - from.left, w.scaled.data(), r.w);
    PutPixels(target, {band.left, band.top, r.w, band.bottom - band.top}, w.scaled.data(), r.w);
  }
  return r;
}

// A drawing's new points, each a block of the factor's size: a frame costs
// its few hundred points, whatever the window's size.
void PutPoints(SDL_Surface* target) {
  WindowThread& w = g_window;
  w.rects.clear();
  const int side = w.layout.factor;
  w.scaled.resize(static_cast<std::size_t>(side) * side);
  for (const PixelPoint& p : w.points) {
    PixelRect shown = WindowAreaOf(w.layout, {p.x, p.y, p.x + 1, p.y + 1});
    if (shown.right > target->w || shown.bottom > target->h) continue;
    SDL_Rect r{shown.left, shown.top, side, side};
    std::fill(w.scaled.begin(), w.scaled.end(), p.color);
    PutPixels(target, r, w.scaled.data(), side);
    w.rects.push_back(r);
  }
  if (!w.rects.empty()) {
    SDL_UpdateWindowSurfaceRects(w.window, w.rects.data(), static_cast<int>(w.rects.size()));
  }
}

// Copies what changed in the framebuffer (all of it, in its border, when
// wanted whole or when the window's size changed) to the window and shows it.
void Present() {
  WindowThread& w = g_window;
  WakeArrived();
  const bool whole = w.whole_wanted;
  w.present_wanted = false;
  w.whole_wanted = false;
  w.last_present_ms = SDL_GetTicks64();
  PixelRect area = TakeChangedArea(&w.points);
  if (!w.window) return;
  SDL_Surface* target = SDL_GetWindowSurface(w.window);
  if (!target) return;
  if (whole || target->w != w.surface_width_px || target->h != w.surface_height_px) {
    w.surface_width_px = target->w;
    w.surface_height_px = target->h;
    w.layout = LayoutInWindow(target->w, target->h);
    const PictureLayout& l = w.layout;
    const SDL_Rect border[] = {{0, 0, target->w, l.top},
                               {0, l.top + l.height, target->w, target->h - l.top - l.height},
                               {0, l.top, l.left, l.height},
                               {l.left + l.width, l.top, target->w - l.left - l.width, l.height}};
    SDL_FillRects(target, border, 4, SDL_MapRGB(target->format, 0, 0, 0));
    PutArea(target, {0, 0, kWindowWidthPx, kWindowHeightPx});
    SDL_UpdateWindowSurface(w.window);
  } else if (!w.points.empty() && w.layout.factor > 0) {
    PutPoints(target);
  } else {
    SDL_Rect r = PutArea(target, area);
    if (r.w > 0) SDL_UpdateWindowSurfaceRects(w.window, &r, 1);
  }
}

// At the next frame: the window's events at its start (shown, exposed, its
// size) come close together and need one whole present only.
void PresentWhole() {
  g_window.whole_wanted = true;
  g_window.present_wanted = true;
}

// The paste that was asked of a slow clipboard owner is no longer wanted.
void ForgetPaste() {
  if (!g_window.paste_asked) return;
  g_window.paste_asked = false;
  StopClipboardAnswers();
}

// The close button or SIGINT/SIGTERM: the window goes, the program ends at
// its next input.
void CloseByUser() {
  ForgetPaste();
  MarkWindowClosed();
  // Only hidden until the program ends: a wake-up already on its way must
  // still find the window.
  if (g_window.window) SDL_HideWindow(g_window.window);
}

// The window at the desktop's scale where that fits the screen's usable
// area, and where the program asked for it, moved in so that all of it shows.
void FitToDesktop(SDL_Window* window, int left, int top) {
  SDL_Rect usable{0, 0, kWindowWidthPx, kWindowHeightPx};
  int display = SDL_GetWindowDisplayIndex(window);
  if (display < 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0) return;
  int factor = FittingFactor(DesktopFactorOf(window), usable.w, usable.h);
  int width = factor * kWindowWidthPx;
  int height = factor * kWindowHeightPx;
  SDL_SetWindowSize(window, width, height);
  left = std::max(usable.x, std::min(left, usable.x + usable.w - width));
  top = std::max(usable.y, std::min(top, usable.y + usable.h - height));
  SDL_SetWindowPosition(window, left, top);
}

void CreateTheWindow(const std::string& caption, int left, int top) {
  WindowThread& w = g_window;
  // Made hidden, as its size depends on the display it lands on. High DPI
  // lets a Wayland compositor hand over a buffer at its own scale, which the
  // picture then fills sharply instead of being blurred up.
  w.window = SDL_CreateWindow(ToUtf8(caption).c_str(), left, top, kWindowWidthPx, kWindowHeightPx,
                              SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!w.window) {
    std::fprintf(stderr, "punktmuster: Fenster konnte nicht erzeugt werden: %s\n", SDL_GetError());
    w.failed = true;
    MarkWindowClosed();
    return;
  }
  SDL_SetWindowMinimumSize(w.window, kSmallestWindowWidthPx, kSmallestWindowHeightPx);
  FitToDesktop(w.window, left, top);
  SDL_ShowWindow(w.window);
  if (!SDL_GetWindowSurface(w.window)) {
    std::fprintf(stderr, "punktmuster: kein Zeichnen im Fenster möglich: %s\n", SDL_GetError());
    w.failed = true;
    CloseByUser();
    return;
  }
  SDL_StartTextInput();
  MarkWindowMade();
  PresentWhole();
}

// The framebuffer pixel under a click at SDL's window position; false on the
// border. SDL gives the position in the window's units; where a compositor
// scales (high DPI on Wayland), the surface has more pixels than those.
bool ClickedPixel(const WindowInput& in, double* x, double* y) {
  WindowThread& w = g_window;
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(w.window, &width, &height);
  if (width <= 0 || height <= 0) return false;
  int px = 0;
  int py = 0;
  if (!PictureAt(w.layout, static_cast<int>(in.x * w.surface_width_px / width),
                 static_cast<int>(in.y * w.surface_height_px / height), &px, &py)) {
    return false;
  }
  *x = px;
  *y = py;
  return true;
}

void ToggleFullScreen() {
  WindowThread& w = g_window;
  if (!w.window) return;
  bool full = (SDL_GetWindowFlags(w.window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
  SDL_SetWindowFullscreen(w.window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
}

// The first press of a double click has already been handed over as a
// single click, so the second is one double click: two reports in all.
void HandOver(const WindowInput& in) {
  if (in.full_screen) ToggleFullScreen();
  double x = 0;
  double y = 0;
  // A click on the border reaches nothing: clamped to the picture's edge, it
  // would land on another row and confirm the input by surprise.
  bool click = in.click != kNoClick && ClickedPixel(in, &x, &y);
  // The user's own key or click ends a paste still to come, as it ends one
  // being typed.
  if (!in.keys.empty() || click) ForgetPaste();
  // Several keys come only from one text event: typed one at a time.
  if (in.keys.size() > 1) {
    std::string text;
    for (const std::string& key : in.keys) text += key;
    PutText(text);
  } else if (!in.keys.empty()) {
    PutKey(in.keys[0]);
  }
  if (click) PutClick(x, y, in.click);
  // Only when the paste can be taken, as reading the clipboard costs its
  // owner work. On X11 the owner is asked and the window serves on until it
  // answers; elsewhere SDL reads it at once. SDL's clipboard belongs to the
  // thread of the window, this one.
  if (in.paste && TakesPaste()) {
    g_window.paste_asked = AskClipboard(g_window.window);
    if (!g_window.paste_asked) {
      char* text = SDL_GetClipboardText();
      if (text) PutPaste(text);
      SDL_free(text);
    }
  }
}

void HandleEvent(const SDL_Event& e) {
  if (e.type == g_wake_event) {
    g_window.present_wanted = true;
    return;
  }
  std::string pasted;
  switch (e.type) {
    case SDL_QUIT:
      CloseByUser();
      break;
    case SDL_SYSWMEVENT:
      if (g_window.paste_asked && ClipboardAnswer(g_window.window, e, &pasted)) {
        ForgetPaste();
        PutPaste(pasted);
      }
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        CloseByUser();
      } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                 e.window.event == SDL_WINDOWEVENT_RESTORED ||
                 e.window.event == SDL_WINDOWEVENT_SHOWN ||
                 e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        PresentWhole();
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
  // An X server whose last client leaves starts afresh, and closes a
  // connection still being set up: then SDL reports x11 as not available,
  // although the server answers. A user who quits and starts again at once
  // meets that, as do scripts that look for the window with short-lived X
  // clients. So SDL tries once more, while a connection of our own keeps the
  // server as it is; without an X server that try fails at once.
  if (SDL_Init(SDL_INIT_VIDEO) != 0 && !InitVideoHoldingX11Server()) {
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
    if (w.present_wanted && SDL_GetTicks64() - w.last_present_ms >= kFrameMs) Present();
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
