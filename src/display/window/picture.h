// Inside the window surface: where the program's 1030 x 630 picture stands
// in a window of any size, and what a window pixel means to it. Plain
// arithmetic without any call into SDL, so that tests can check it without a
// video driver.
#pragma once

#include <cstdint>

#include "display/surface.h"

// The most a desktop's scale may ask of the window's default size; held
// there, since the setting is the user's.
constexpr int kMostDesktopFactor = 8;

// The desktop's scale as a whole factor for the window's default size:
// Xft.dpi / 96 to the nearest whole number; without a usable Xft.dpi,
// GDK_SCALE when it is a whole number; else 1. Each is nullptr when not set.
// Always 1 to kMostDesktopFactor.
int DesktopFactor(const char* xft_dpi, const char* gdk_scale);
// `factor` lowered until factor x (1030 x 630) fits an area of that size;
// never below 1.
int FittingFactor(int factor, int usable_width_px, int usable_height_px);

// The picture in a window: centred in a black border, each framebuffer pixel
// a factor x factor block, or scaled down smoothly, whole, when the window is
// smaller than the framebuffer.
struct PictureLayout {
  int factor;  // 0 when scaled down smoothly
  int left;    // the picture's top-left corner, in the window's pixels
  int top;
  int width;  // the picture's size in the window's pixels; 0 when none fits
  int height;
};

PictureLayout LayoutInWindow(int width_px, int height_px);
// The framebuffer pixel shown at a window pixel; false on the border.
bool PictureAt(const PictureLayout& layout, int x_px, int y_px, int* x, int* y);
// The window pixels that show something of the framebuffer's `area`.
PixelRect WindowAreaOf(const PictureLayout& layout, const PixelRect& area);
// The framebuffer pixels that the window rectangle `shown` (inside the
// picture) is made of.
PixelRect FramebufferAreaOf(const PictureLayout& layout, const PixelRect& shown);
// Fills `to` (rows `to_stride_px` apart, from the corner of `shown`) with
// the window's pixels of `shown`, made of `from`: the framebuffer's pixels of
// FramebufferAreaOf(shown), from its corner, rows `from_stride_px` apart.
// Nearest pixel at a whole factor, the average of the covered pixels when
// scaled down.
void ScalePixels(const PictureLayout& layout, const PixelRect& shown, const std::uint32_t* from,
                 int from_stride_px, std::uint32_t* to, int to_stride_px);
