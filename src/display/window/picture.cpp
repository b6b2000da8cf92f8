// The picture's place and scale in the window, and the scaling itself.
#include "display/window/picture.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>

namespace {

// The desktop's scale is given against this many dots per inch.
constexpr double kPlainDpi = 96;
constexpr long long kW = kWindowWidthPx;
constexpr long long kH = kWindowHeightPx;

long long FloorDiv(long long a, long long b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

long long CeilDiv(long long a, long long b) {
  return -FloorDiv(-a, b);
}

// A positive number for the whole text, or 0.
double PositiveNumber(const char* text, bool whole_text) {
  if (!text) return 0;
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (end == text || (whole_text && *end != '\0') || !std::isfinite(v) || v <= 0) return 0;
  return v;
}

// How much of the source pixel `s` (`size` units long in the window's
// measure) lies under the window pixel `d` (`whole` units long).
long long Overlap(long long d, long long s, long long whole, long long size) {
  long long from = std::max(d * whole, s * size);
  long long to = std::min((d + 1) * whole, (s + 1) * size);
  return std::max(0LL, to - from);
}

}  // namespace

int DesktopFactor(const char* xft_dpi, const char* gdk_scale) {
  double factor = std::nearbyint(PositiveNumber(xft_dpi, false) / kPlainDpi);
  if (factor == 0) {
    double scale = PositiveNumber(gdk_scale, true);
    if (scale == std::floor(scale)) factor = scale;
  }
  return static_cast<int>(std::clamp(factor, 1.0, static_cast<double>(kMostDesktopFactor)));
}

int FittingFactor(int factor, int usable_width_px, int usable_height_px) {
  while (factor > 1 && (factor * kW > usable_width_px || factor * kH > usable_height_px)) --factor;
  return std::max(factor, 1);
}

PictureLayout LayoutInWindow(int width_px, int height_px) {
  PictureLayout l = {0, 0, 0, 0, 0};
  int factor = static_cast<int>(std::min(width_px / kW, height_px / kH));
  if (factor >= 1) {
    l.factor = factor;
    l.width = static_cast<int>(factor * kW);
    l.height = static_cast<int>(factor * kH);
  } else if (width_px > 0 && height_px > 0) {
    // As large as fits, in the picture's proportions to the pixel.
    if (width_px * kH <= height_px * kW) {
      l.width = width_px;
      l.height = static_cast<int>(std::max(1LL, width_px * kH / kW));
    } else {
      l.height = height_px;
      l.width = static_cast<int>(std::max(1LL, height_px * kW / kH));
    }
  }
  l.left = (width_px - l.width) / 2;
  l.top = (height_px - l.height) / 2;
  return l;
}

bool PictureAt(const PictureLayout& layout, int x_px, int y_px, int* x, int* y) {
  long long dx = x_px - layout.left;
  long long dy = y_px - layout.top;
  if (dx < 0 || dy < 0 || dx >= layout.width || dy >= layout.height) return false;
  *x = static_cast<int>(dx * kW / layout.width);
  *y = static_cast<int>(dy * kH / layout.height);
  return true;
}

PixelRect WindowAreaOf(const PictureLayout& l, const PixelRect& area) {
  if (l.width == 0 || area.right <= area.left || area.bottom <= area.top) return {0, 0, 0, 0};
  return {static_cast<int>(l.left + FloorDiv(area.left * l.width, kW)),
          static_cast<int>(l.top + FloorDiv(area.top * l.height, kH)),
          static_cast<int>(l.left + CeilDiv(area.right * l.width, kW)),
          static_cast<int>(l.top + CeilDiv(area.bottom * l.height, kH))};
}

PixelRect FramebufferAreaOf(const PictureLayout& l, const PixelRect& shown) {
  assert(l.width > 0 && shown.left >= l.left && shown.right <= l.left + l.width &&
         shown.top >= l.top && shown.bottom <= l.top + l.height);
  return {static_cast<int>(FloorDiv((shown.left - l.left) * kW, l.width)),
          static_cast<int>(FloorDiv((shown.top - l.top) * kH, l.height)),
          static_cast<int>(CeilDiv((shown.right - l.left) * kW, l.width)),
          static_cast<int>(CeilDiv((shown.bottom - l.top) * kH, l.height))};
}

void ScalePixels(const PictureLayout& l, const PixelRect& shown, const std::uint32_t* from,
                 int from_stride_px, std::uint32_t* to, int stride_px) {
  const PixelRect src = FramebufferAreaOf(l, shown);
  const long long from_stride = from_stride_px;
  const int width = shown.right - shown.left;
  if (l.factor > 0) {
    // Rows of one framebuffer row are copies of the first.
    for (int y = shown.top; y < shown.bottom; ++y) {
      std::uint32_t* row = to + static_cast<std::ptrdiff_t>(y - shown.top) * stride_px;
      if (y > shown.top && (y - l.top) % l.factor != 0) {
        std::copy(row - stride_px, row - stride_px + width, row);
        continue;
      }
      const std::uint32_t* in = from + ((y - l.top) / l.factor - src.top) * from_stride;
      for (int x = shown.left; x < shown.right; ++x) {
        row[x - shown.left] = in[(x - l.left) / l.factor - src.left];
      }
    }
    return;
  }
  // Each window pixel is the average of the framebuffer pixels under it,
  // weighted by how much of each it covers; the weights of one window pixel
  // add up to kW x kH.
  for (long long dy = shown.top - l.top; dy < shown.bottom - l.top; ++dy) {
    std::uint32_t* row = to + (dy + l.top - shown.top) * stride_px;
    const long long sy0 = FloorDiv(dy * kH, l.height);
    const long long sy1 = CeilDiv((dy + 1) * kH, l.height);
    for (long long dx = shown.left - l.left; dx < shown.right - l.left; ++dx) {
      const long long sx0 = FloorDiv(dx * kW, l.width);
      const long long sx1 = CeilDiv((dx + 1) * kW, l.width);
      unsigned long long sum[3] = {0, 0, 0};
      for (long long sy = sy0; sy < sy1; ++sy) {
        const long long wy = Overlap(dy, sy, kH, l.height);
        for (long long sx = sx0; sx < sx1; ++sx) {
          const unsigned long long weight = wy * Overlap(dx, sx, kW, l.width);
          const std::uint32_t p = from[(sy - src.top) * from_stride + (sx - src.left)];
          for (int c = 0; c < 3; ++c) sum[c] += weight * ((p >> (8 * c)) & 0xFF);
        }
      }
      std::uint32_t out = 0;
      for (int c = 0; c < 3; ++c) {
        out |= static_cast<std::uint32_t>((sum[c] + kW * kH / 2) / (kW * kH)) << (8 * c);
      }
      row[dx + l.left - shown.left] = out;
    }
  }
}
