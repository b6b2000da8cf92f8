// Drawing: the framebuffer with its changed area, the logic thread's drawing
// state, and the operations that draw text, boxes and pixels, save and
// restore the picture.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <mutex>
#include <vector>

#include "display/display.h"
#include "display/fonts.h"
#include "display/handoff.h"
#include "display/surface.h"

namespace {

constexpr std::size_t kAreaPixels = static_cast<std::size_t>(kWindowWidthPx) * kWindowHeightPx;
// Positions are kept as whole pixels within this distance of the area, so that
// any double a caller computes (huge, infinite, not a number) stays harmless.
constexpr int kFarPx = 1 << 20;
// A paced drawing sleeps only once it is this far ahead of its schedule, and
// starts a fresh schedule once it fell this far behind (the program was
// waiting) instead of rushing to catch up.
constexpr double kAheadBeforeSleepMs = 2;
constexpr double kBehindLimitMs = 50;

// The picture, written by the logic thread and read by the window thread when
// it presents; everything here under `lock`.
struct Framebuffer {
  std::mutex lock;
  std::vector<std::uint32_t> pixels =  // row by row, 0xRRGGBB
      std::vector<std::uint32_t>(kAreaPixels, kSystemFaceColor);
  bool dirty = false;  // pixels changed since the last TakeChangedArea
  PixelRect changed = {0, 0, 0, 0};
  // The pixels SetPixel set since then, while nothing else changed and
  // there were no more than kMostChangedPoints.
  std::vector<PixelPoint> points;
  bool only_points = true;
};

// The logic thread's own: where and how the next text or pixel is drawn.
struct DrawState {
  int x = 0;
  int y = 0;
  Color foreground = kDefaultColor;
  Color background = kDefaultColor;
  FontId font = -1;  // -1 before any SelectFont
};

// Kept for the whole run (never destroyed, so exit in any thread is safe).
Framebuffer& g_frame = *new Framebuffer;
DrawState g_draw;

// A drawing position: held within kFarPx of the area, not a number far off.
int NearAreaPx(double v) {
  return ClampedPx(v, -kFarPx, kFarPx, kFarPx);
}

// A caller's coordinate as a pixel inside 0..limit-1, or false.
bool PixelInside(double v, int limit, int* px) {
  if (!std::isfinite(v)) return false;
  double r = std::nearbyint(v);
  if (r < 0 || r >= limit) return false;
  *px = static_cast<int>(r);
  return true;
}

Color ResolveText(Color c, Color system) {
  return c == kDefaultColor ? system : (c & 0xFFFFFF);
}

// kDefaultColor for pixels and box lines is the text colour in effect.
Color ResolveInk(Color c) {
  if (c == kDefaultColor) return ResolveText(g_draw.foreground, kSystemTextColor);
  return c & 0xFFFFFF;
}

// Lock held.
void GrowChanged(Framebuffer& f, int left, int top, int right, int bottom) {
  if (left >= right || top >= bottom) return;
  if (!f.dirty) {
    f.dirty = true;
    f.changed = {left, top, right, bottom};
    return;
  }
  f.changed.left = std::min(f.changed.left, left);
  f.changed.top = std::min(f.changed.top, top);
  f.changed.right = std::max(f.changed.right, right);
  f.changed.bottom = std::max(f.changed.bottom, bottom);
}

// Anything but a single pixel; lock held.
void MarkChanged(Framebuffer& f, int left, int top, int right, int bottom) {
  GrowChanged(f, left, top, right, bottom);
  f.only_points = false;
  f.points.clear();
}

// Fills [left, right) x [top, bottom), clipped to the area; lock held.
void FillRect(Framebuffer& f, long long left, long long top, long long right, long long bottom,
              Color color) {
  int l = static_cast<int>(std::clamp<long long>(left, 0, kWindowWidthPx));
  int r = static_cast<int>(std::clamp<long long>(right, 0, kWindowWidthPx));
  int t = static_cast<int>(std::clamp<long long>(top, 0, kWindowHeightPx));
  int b = static_cast<int>(std::clamp<long long>(bottom, 0, kWindowHeightPx));
  for (int y = t; y < b; ++y) {
    std::fill(f.pixels.begin() + y * kWindowWidthPx + l, f.pixels.begin() + y * kWindowWidthPx + r,
              static_cast<std::uint32_t>(color));
  }
  MarkChanged(f, l, t, r, b);
}

std::uint32_t Blend(std::uint32_t under, Color over, unsigned alpha) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned u = (under >> shift) & 0xFF;
    unsigned o = (static_cast<std::uint32_t>(over) >> shift) & 0xFF;
    out |= ((u * (255 - alpha) + o * alpha + 127) / 255) << shift;
  }
  return out;
}

// Until the program selects a font, text uses the system's.
FontId CurrentFont() {
  if (!IsFont(g_draw.font)) g_draw.font = SystemFont();
  return g_draw.font;
}

// Blends the glyph with its bitmap's top-left at (gx, gy), only inside the
// clip rectangle (the text's own background box) and the area; lock held.
void DrawGlyph(Framebuffer& f, const GlyphBitmap& g, long long gx, long long gy,
               long long clip_left, long long clip_top, long long clip_right, long long clip_bottom,
               Color fg) {
  long long left = std::max<long long>({gx, clip_left, 0});
  long long right = std::min<long long>({gx + g.width, clip_right, kWindowWidthPx});
  long long top = std::max<long long>({gy, clip_top, 0});
  long long bottom = std::min<long long>({gy + g.rows, clip_bottom, kWindowHeightPx});
  for (long long y = top; y < bottom; ++y) {
    for (long long x = left; x < right; ++x) {
      unsigned a = g.alpha[static_cast<std::size_t>((y - gy) * g.width + (x - gx))];
      if (a == 0) continue;
      std::uint32_t& p = f.pixels[static_cast<std::size_t>(y * kWindowWidthPx + x)];
      p = Blend(p, fg, a);
    }
  }
}

long long TextWidth(FontId font, const std::string& text) {
  long long width = 0;
  for (unsigned char c : text) width += GlyphOf(font, c).advance_px;
  return width;
}

bool InsideRoundedBox(int x, int y, int l, int t, int r, int b, double radius) {
  if (x < l || x > r || y < t || y > b) return false;
  if (radius <= 0) return true;
  double cx = x < l + radius ? l + radius : (x > r - radius ? r - radius : x);
  double cy = y < t + radius ? t + radius : (y > b - radius ? b - radius : y);
  double dx = x - cx;
  double dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

}  // namespace

int ClampedPx(double v, int low, int high, int if_nan) {
  if (std::isnan(v)) return if_nan;
  return static_cast<int>(
      std::nearbyint(std::clamp(v, static_cast<double>(low), static_cast<double>(high))));
}

double PacedSleepMs(double& due_ms, double now_ms) {
  if (due_ms < now_ms - kBehindLimitMs) due_ms = now_ms;
  due_ms += kPixelCostMs;
  return due_ms - now_ms > kAheadBeforeSleepMs ? due_ms - now_ms : 0;
}

FontId FontMadeBefore(const FontRequest& request) {
  for (FontId font = 0; font < FontCount(); ++font) {
    const FontRequest made = RequestOf(font);
    if (made.face == request.face && made.points == request.points && made.style == request.style) {
      return font;
    }
  }
  return -1;
}

double PauseSpanMs(double milliseconds) {
  if (!std::isfinite(milliseconds) || milliseconds <= 0) return 0;
  return std::min(milliseconds, kLongestPauseMs);
}

void ResetSurface() {
  {
    std::lock_guard<std::mutex> hold(g_frame.lock);
    g_frame.pixels.assign(kAreaPixels, static_cast<std::uint32_t>(kSystemFaceColor));
    MarkChanged(g_frame, 0, 0, kWindowWidthPx, kWindowHeightPx);
  }
  g_draw = DrawState{};
  ResetHandoff();
}

PixelRect TakeChangedArea(std::vector<PixelPoint>* points) {
  std::lock_guard<std::mutex> hold(g_frame.lock);
  PixelRect area = g_frame.dirty ? g_frame.changed : PixelRect{0, 0, 0, 0};
  if (points) {
    points->clear();
    if (g_frame.dirty && g_frame.only_points) points->swap(g_frame.points);
  }
  g_frame.dirty = false;
  g_frame.only_points = true;
  g_frame.points.clear();
  return area;
}

void CopyPixels(const PixelRect& area, std::uint32_t* to, int stride_px) {
  assert(area.left >= 0 && area.right <= kWindowWidthPx && area.top >= 0 &&
         area.bottom <= kWindowHeightPx);
  std::lock_guard<std::mutex> hold(g_frame.lock);
  for (int y = area.top; y < area.bottom; ++y) {
    const std::uint32_t* row = g_frame.pixels.data() + static_cast<std::size_t>(y) * kWindowWidthPx;
    std::copy(row + area.left, row + area.right,
              to + static_cast<std::ptrdiff_t>(y - area.top) * stride_px);
  }
}

void SelectFont(FontId font) {
  if (IsFont(font)) g_draw.font = font;
}

void SetColors(Color foreground, Color background) {
  g_draw.foreground = foreground;
  g_draw.background = background;
}

Color Rgb(double red, double green, double blue) {
  Color c = 0;
  for (double v : {red, green, blue}) {
    double component = std::isnan(v) ? 0 : std::nearbyint(std::clamp(v, 0.0, 255.0));
    c = (c << 8) | static_cast<Color>(component);
  }
  return c;
}

void ClearWindow(Color color) {
  Color fill = color == kDefaultColor ? kSystemFaceColor : (color & 0xFFFFFF);
  {
    std::lock_guard<std::mutex> hold(g_frame.lock);
    FillRect(g_frame, 0, 0, kWindowWidthPx, kWindowHeightPx, fill);
  }
  g_draw.x = 0;
  g_draw.y = 0;
  NotifyDrawn();
}

void MoveTo(double x, double y) {
  g_draw.x = NearAreaPx(x);
  g_draw.y = NearAreaPx(y);
}

void PrintText(std::string text) {
  FontId font = CurrentFont();
  FontMetrics m = MetricsOf(font);
  long long width = TextWidth(font, text);
  Color fg = ResolveText(g_draw.foreground, kSystemTextColor);
  Color bg = ResolveText(g_draw.background, kSystemFaceColor);
  long long left = g_draw.x;
  long long top = g_draw.y;
  long long right = left + width;
  long long bottom = top + m.cell_height_px;
  {
    std::lock_guard<std::mutex> hold(g_frame.lock);
    FillRect(g_frame, left, top, right, bottom, bg);
    long long pen = left;
    for (unsigned char c : text) {
      GlyphBitmap g = GlyphOf(font, c);
      if (pen >= kWindowWidthPx) break;
      if (pen + g.left + g.width > 0 && g.width > 0) {
        DrawGlyph(g_frame, g, pen + g.left, top + m.baseline_px - g.top, left, top, right, bottom,
                  fg);
      }
      pen += g.advance_px;
    }
  }
  NotifyDrawn();
  FontRequest made = RequestOf(font);
  NotePrinted({text, g_draw.x, g_draw.y, fg, bg, made.face, made.points, made.style});
  g_draw.x = static_cast<int>(std::clamp<long long>(right, -kFarPx, kFarPx));
}

void NewLine() {
  FontMetrics m = MetricsOf(CurrentFont());
  g_draw.x = 0;
  g_draw.y = static_cast<int>(std::clamp<long long>(
      static_cast<long long>(g_draw.y) + m.cell_height_px + m.leading_px, -kFarPx, kFarPx));
}

Extent TextCellSize() {
  FontMetrics m = MetricsOf(CurrentFont());
  return {static_cast<double>(m.cell_width_px), static_cast<double>(m.cell_height_px)};
}

Extent TextExtent(std::string text) {
  FontId font = CurrentFont();
  return {static_cast<double>(TextWidth(font, text)),
          static_cast<double>(MetricsOf(font).cell_height_px)};
}

void DrawBox(double x1, double y1, double x2, double y2, double corner, Color line, Color fill) {
  int l = std::min(NearAreaPx(x1), NearAreaPx(x2));
  int r = std::max(NearAreaPx(x1), NearAreaPx(x2));
  int t = std::min(NearAreaPx(y1), NearAreaPx(y2));
  int b = std::max(NearAreaPx(y1), NearAreaPx(y2));
  double share = std::isnan(corner) ? 0 : std::clamp(corner, 0.0, 100.0) / 100;
  double radius = share * std::min(r - l + 1, b - t + 1) / 2.0;
  Color ink = ResolveInk(line);
  Color inside = ResolveInk(fill);
  int cl = std::max(l, 0);
  int cr = std::min(r, kWindowWidthPx - 1);
  int ct = std::max(t, 0);
  int cb = std::min(b, kWindowHeightPx - 1);
  {
    std::lock_guard<std::mutex> hold(g_frame.lock);
    for (int y = ct; y <= cb; ++y) {
      for (int x = cl; x <= cr; ++x) {
        if (!InsideRoundedBox(x, y, l, t, r, b, radius)) continue;
        // The outline is every pixel of the shape with a neighbour outside it.
        bool edge = !InsideRoundedBox(x - 1, y, l, t, r, b, radius) ||
                    !InsideRoundedBox(x + 1, y, l, t, r, b, radius) ||
                    !InsideRoundedBox(x, y - 1, l, t, r, b, radius) ||
                    !InsideRoundedBox(x, y + 1, l, t, r, b, radius);
        g_frame.pixels[static_cast<std::size_t>(y) * kWindowWidthPx + x] =
            static_cast<std::uint32_t>(edge ? ink : inside);
      }
    }
    MarkChanged(g_frame, cl, ct, cr + 1, cb + 1);
  }
  NotifyDrawn();
}

void SetPixel(double x, double y, Color color) {
  int px = 0;
  int py = 0;
  bool hit = PixelInside(x, kWindowWidthPx, &px) && PixelInside(y, kWindowHeightPx, &py);
  Color ink = ResolveInk(color);
  if (hit) {
    std::lock_guard<std::mutex> hold(g_frame.lock);
    g_frame.pixels[static_cast<std::size_t>(py) * kWindowWidthPx + px] =
        static_cast<std::uint32_t>(ink);
    GrowChanged(g_frame, px, py, px + 1, py + 1);
    if (g_frame.only_points && g_frame.points.size() < kMostChangedPoints) {
      g_frame.points.push_back({px, py, static_cast<std::uint32_t>(ink)});
    } else {
      g_frame.only_points = false;
      g_frame.points.clear();
    }
  }
  g_draw.x = NearAreaPx(x);
  g_draw.y = NearAreaPx(y);
  if (hit) NotifyDrawn();
  NotePixel(hit, px, py, ink, WindowIsOpen());
}

ScreenCopy SaveScreen() {
  std::lock_guard<std::mutex> hold(g_frame.lock);
  return {g_frame.pixels};
}

void RestoreScreen(const ScreenCopy& copy) {
  // A copy of another size did not come from SaveScreen; leave the screen.
  if (copy.pixels.size() != kAreaPixels) return;
  {
    std::lock_guard<std::mutex> hold(g_frame.lock);
    g_frame.pixels = copy.pixels;
    MarkChanged(g_frame, 0, 0, kWindowWidthPx, kWindowHeightPx);
  }
  NotifyDrawn();
}
