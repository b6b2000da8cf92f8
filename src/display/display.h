// The display surface: the one window, its text, boxes and pixels, and the
// keys and clicks typed into it. The only part of the program that talks to
// the windowing system; everything else draws and reads input through here.
//
// All operations are called from the program's one logic thread. Coordinates
// are pixels of the drawing area, origin top left, given as doubles and
// rounded to whole pixels with halves going to the even neighbour.
// Texts are single-byte Windows-1252 strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The window's drawing area, the one size every surface makes.
constexpr int kWindowWidthPx = 1030;
constexpr int kWindowHeightPx = 630;

// 24-bit colour 0xRRGGBB. kDefaultColor means the current text colour (for
// pixels and box lines) or the system's default (for text colours).
using Color = std::int32_t;
constexpr Color kDefaultColor = -1;

// Index of a font made by CreateFont.
using FontId = int;

// The style argument of CreateFont.
enum FontStyle : int { kStyleNormal = 0, kStyleBold = 1 };

// Ordinary keys that the program acts on, as ReadKey delivers them.
constexpr char kKeyBackspace = 8;
constexpr char kKeyTab = 9;
constexpr char kKeyEnter = 13;
constexpr char kKeyEsc = 27;

// Extended keys arrive as NUL followed by the key's PC scan code.
enum ScanCode : unsigned char {
  kScanF1 = 59,
  kScanF10 = 68,
  kScanHome = 71,
  kScanUp = 72,
  kScanPageUp = 73,
  kScanLeft = 75,
  kScanRight = 77,
  kScanEnd = 79,
  kScanDown = 80,
  kScanPageDown = 81,
  kScanInsert = 82,
  kScanDelete = 83,
  kScanF11 = 133,
  kScanF12 = 134,
};

// The two characters ReadKey gives for an extended key.
inline std::string ExtendedKey(unsigned char scan) {
  return std::string{'\0', static_cast<char>(scan)};
}

struct Extent {
  double width;
  double height;
};

enum ClickKind { kNoClick = 0, kSingleClick = 1, kDoubleClick = 2 };

struct Click {
  ClickKind kind;
  double x;  // pixel position of the click in the drawing area
  double y;
};

// A copy of every pixel of the drawing area.
struct ScreenCopy {
  std::vector<std::uint32_t> pixels;
};

// Creates and shows the window and makes it the drawing target; the size
// must be kWindowWidthPx x kWindowHeightPx.
void OpenWindow(std::string caption, double left, double top, double width, double height);
// Makes a font (a FontStyle). A missing face ends the process with a message
// on stderr and exit code 1.
FontId CreateFont(std::string face, double points, int style);
// Later text uses this font.
void SelectFont(FontId font);
// Text colour and the opaque background behind text.
void SetColors(Color foreground, Color background);
// Colour from components, each clamped to 0..255.
Color Rgb(double red, double green, double blue);
// Fills the drawing area and moves the current position to (0, 0).
void ClearWindow(Color color);
// Sets the current position.
void MoveTo(double x, double y);
// Draws text with its top-left corner at the current position on an opaque
// background; the position moves to the end of the text.
void PrintText(std::string text);
// Moves the position to x = 0, one line (character height + leading) down.
void NewLine();
// Average character width and character height of the current font.
Extent TextCellSize();
// Pixel width and height of the text in the current font.
Extent TextExtent(std::string text);
// Rectangle with the outline in `line` and the inside filled with `fill`;
// `corner` rounds the corners by that percentage (0 = square).
void DrawBox(double x1, double y1, double x2, double y2, double corner, Color line, Color fill);
// Sets one pixel (nothing when outside the drawing area or not finite) and
// moves the current position there; the window shows it at once.
void SetPixel(double x, double y, Color color);
// Takes the one pending key: "" when none, one character, or NUL + scan code
// for an extended key. Never waits.
std::string ReadKey();
ScreenCopy SaveScreen();
void RestoreScreen(const ScreenCopy& copy);
// Takes the click recorded since the last call; a double click is reported
// as a single click first and as a double click at the next call.
Click ReadClick();
// False once the user has closed the window.
bool WindowIsOpen();
// Suspends the program for that many milliseconds.
void Pause(double milliseconds);
// Blocks until a key or click is pending or the window has closed, without
// waking up meanwhile; lets input loops wait without burning the processor.
void AwaitKeyOrClick();
