// Inside the display: the boundary between the shared core (this folder) and
// each surface that shows it: window/ (the real window on SDL), headless/
// (the twin for tests) and web/ (the browser page). A build links the core
// and exactly one surface. Not for use outside src/display.
//
// A surface supplies:
//   waits  OpenWindow, Pause, AwaitKeyOrClick (display.h): what only it can do;
//   notes  NotifyDrawn, NotePrinted, NotePixel, NoteKeyRead (below): what the
//          core tells it as the program draws and reads;
//   fonts  fonts.h where it has no FreeType (web/ bakes its glyphs).
// The core offers it (below):
//   input  PutKey, PutClick, PutDoubleClick, PutPaste, TakesPaste, PutText,
//          MarkWaiting, SetWindowOpen, InputOrClosed;
//   pixels TakeChangedArea (with the pixels set, where a surface wants them),
//          CopyPixels, ResetSurface;
//   time   PacedSleepMs, PauseSpanMs; and ClampedPx for coordinates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/display.h"

// What the never-set text colours resolve to: black window text on the light
// grey face colour of a classic desktop.
constexpr Color kSystemTextColor = 0x000000;
constexpr Color kSystemFaceColor = 0xF0F0F0;

// The pacing of a drawing, the same on every surface: every SetPixel call
// costs this much time while the window is open (200000 points take about
// 5 s, so the user watches the figure grow and a key can stop it).
constexpr double kPixelCostMs = 0.025;
// A pause longer than a day is held to a day: no one waits that long, and
// the clocks' arithmetic stays far from overflow.
constexpr double kLongestPauseMs = 24.0 * 60 * 60 * 1000;

// One PrintText as drawn.
struct PrintedText {
  std::string text;  // Windows-1252
  int x;             // pixel position of the top-left corner
  int y;
  Color foreground;  // as in effect (kDefaultColor resolved)
  Color background;
  std::string face;  // face name and points of the font in use
  double points;
  int style;
};

// A rectangle of the drawing area, right and bottom exclusive.
struct PixelRect {
  int left;
  int top;
  int right;
  int bottom;
};

// One pixel that SetPixel set.
struct PixelPoint {
  int x;
  int y;
  std::uint32_t color;  // 0xRRGGBB
};
// A change of more single pixels than this is shown as its rectangle.
constexpr std::size_t kMostChangedPoints = 4096;

// ---- Supplied by each surface ----
// Besides these, each surface defines the operations of display.h that only
// it can do: OpenWindow, Pause and AwaitKeyOrClick.

// The framebuffer changed (its changed area grew): show it soon.
void NotifyDrawn();
// After each PrintText.
void NotePrinted(const PrintedText& printed);
// After each SetPixel; `hit` when it landed inside the area, `open` as the
// window was at that moment. The pacing of a drawing lives here. A pixel
// that lands calls NotifyDrawn right before, with nothing drawn between;
// which changes were single pixels, though, a surface learns from
// TakeChangedArea, under the framebuffer's lock.
void NotePixel(bool hit, int x, int y, Color color, bool open);
// After each ReadKey.
void NoteKeyRead();

// ---- Offered by the core to each surface ----

// Input from the user (or from a test script), for the logic to take. A newer
// key replaces a pending one; TAB is ignored. A newer click replaces one not
// yet read.
void PutKey(const std::string& key);
void PutClick(double x, double y, ClickKind kind);
// A whole double click at once: read as a single click, then as a double.
void PutDoubleClick(double x, double y);
void SetWindowOpen(bool open);
// True when a key or a click is pending or the window is closed.
bool InputOrClosed();
// The user pasted a text (UTF-8). Taken only while the logic waits for input
// (MarkWaiting), that is in the line editor; ignored during the title, a
// message or a drawing. It is typed as keys (a line break is Enter; TAB,
// control characters and what Windows-1252 cannot hold are dropped; at most
// 4096 keys), one at a time, each once the logic has read the one before
// and waits again. A key, text or click of the user's (PutKey, PutText,
// PutClick) drops what is left of it, its key not yet read included; a key
// of the user's not yet read when the paste comes is read before it.
void PutPaste(const std::string& utf8);
// Whether a paste would be taken now (the logic waits for input and the
// window is open). A surface asks before it reads a clipboard: reading one
// can be slow and, on X11, take the clipboard from a slow owner. PutPaste
// asks again, as the logic may have stopped waiting meanwhile.
bool TakesPaste();
// Several keys typed at once (Windows-1252 characters, and extended keys as
// NUL and the scan code), as an input method commits a word, a dead key gives
// itself and a character it does not combine with, or the page types an
// example. While the logic waits for input they are typed like a paste, so
// that the one-key buffer loses none; otherwise only the last is kept, as for
// keys typed faster than the logic reads them. Nothing once the window is
// closed. One key is a key as for PutKey.
void PutText(const std::string& keys);
// Called by each surface's AwaitKeyOrClick on the logic thread: true before it
// waits (the next key of a paste is handed over then), false after.
void MarkWaiting(bool waiting);

// The area drawn since the last call (empty, right <= left, when none), and
// its pixels as 0xRRGGBB into `to`, a buffer of rows `stride_px` apart that
// starts at the rectangle's top-left corner. With `points`, also the pixels
// SetPixel set meanwhile, in their order, when nothing else was drawn and
// there are at most kMostChangedPoints of them; else `points` comes back
// empty. A drawing's frame is then just its new points, not their bounding
// box.
PixelRect TakeChangedArea(std::vector<PixelPoint>* points = nullptr);
void CopyPixels(const PixelRect& area, std::uint32_t* to, int stride_px);
// Back to the starting state: closed, no input, face-coloured, default
// colours, no font selected.
void ResetSurface();

// Charges one SetPixel call to a drawing's schedule (`due_ms`, the time the
// drawing is due to reach, on the caller's clock) and returns how long to
// sleep now: 0 unless the drawing ran well ahead.
double PacedSleepMs(double& due_ms, double now_ms);
// How long Pause(milliseconds) waits on every surface: 0 for a request that
// is not finite or not positive, at most kLongestPauseMs.
double PauseSpanMs(double milliseconds);

// A caller's coordinate as a whole pixel: held to [low, high] first, then
// rounded with halves to the even neighbour; not a number gives `if_nan`.
int ClampedPx(double v, int low, int high, int if_nan);
