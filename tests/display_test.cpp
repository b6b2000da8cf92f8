// The display surface, driven through the headless build: rounding, fonts and
// their cell sizes, opaque text, pixels, boxes, the key buffer and the click
// record.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/codepage.h"
#include "display/fonts.h"
#include "display/headless/headless.h"
#include "display/surface.h"
#include "test_screen.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Color kGrey = 0xD0D0D0;

// The pixels of a rectangle, row by row.
std::vector<Color> Grab(int left, int top, int width, int height) {
  std::vector<Color> out;
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x) out.push_back(HeadlessPixel(x, y));
  }
  return out;
}

TEST(DisplaySurface, MoveToRoundsHalvesToEven) {
  struct Case {
    double x, y;
    int px, py;
  };
  const Case cases[] = {
      {2.5, 3.5, 2, 4},     {0.5, 1.5, 0, 2},       {-0.5, 4.5, 0, 4},
      {12.5, 13.5, 12, 14}, {2.4999, 2.5001, 2, 3}, {1e300, -1e300, 1 << 20, -(1 << 20)},
  };
  for (const Case& c : cases) {
    OpenTextScreen();
    MoveTo(c.x, c.y);
    PrintText("A");
    ASSERT_EQ(HeadlessPrintLog().size(), 1u);
    EXPECT_EQ(HeadlessPrintLog()[0].x, c.px) << c.x;
    EXPECT_EQ(HeadlessPrintLog()[0].y, c.py) << c.y;
  }
}

TEST(DisplaySurface, CellSizesFollowTheFaceMetrics) {
  struct Case {
    double points;
    int style;
    double width, height;
  };
  const Case cases[] = {{16, 0, 13, 24}, {20, 1, 16, 31}, {18, 1, 14, 27},
                        {14, 1, 11, 22}, {26, 1, 21, 40}, {80, 1, 64, 121}};
  for (const Case& c : cases) {
    OpenTextScreen();
    SelectFont(CreateFont("Courier New", c.points, c.style));
    Extent cell = TextCellSize();
    EXPECT_EQ(cell.width, c.width) << c.points;
    EXPECT_EQ(cell.height, c.height) << c.points;
    // Fixed pitch: every character takes exactly one cell.
    Extent line = TextExtent(std::string(79, ' '));
    EXPECT_EQ(line.width, 79 * c.width) << c.points;
    EXPECT_EQ(TextExtent("W\xE4i\xB2").width, 4 * c.width) << c.points;
  }
}

TEST(DisplaySurface, EachFontIsMadeOnce) {
  // Each case has sizes of its own, so that no earlier font is found.
  struct Case {
    FontRequest first, second;
    bool same;  // the second is the first font again, made no second time
  };
  const Case cases[] = {
      {{"Courier New", 17.5, kStyleBold}, {"Courier New", 17.5, kStyleBold}, true},
      {{"Courier New", 18.5, kStyleBold}, {"Courier New", 18.5, kStyleNormal}, false},
      {{"Courier New", 19.5, kStyleBold}, {"Courier New", 19.25, kStyleBold}, false},
      {{"Courier New", 20.5, kStyleBold}, {"Liberation Mono", 20.5, kStyleBold}, false},
  };
  for (const Case& c : cases) {
    const int before = FontCount();
    FontId first = CreateFont(c.first.face, c.first.points, c.first.style);
    FontId second = CreateFont(c.second.face, c.second.points, c.second.style);
    EXPECT_EQ(first == second, c.same) << c.second.face << " " << c.second.points;
    EXPECT_EQ(FontCount(), before + (c.same ? 1 : 2)) << c.second.face << " " << c.second.points;
  }
}

TEST(DisplaySurface, NewLineMovesDownOneCharacterHeight) {
  OpenTextScreen();
  MoveTo(40, 10);
  PrintText("abc");
  NewLine();
  PrintText("d");
  EXPECT_EQ(HeadlessPrintLog()[1].x, 0);
  EXPECT_EQ(HeadlessPrintLog()[1].y, 34);
}

TEST(DisplaySurface, TextMovesThePositionAndIsLoggedWithResolvedColours) {
  OpenTextScreen();
  PrintText("ab");
  SetColors(0xF00000, kGrey);
  PrintText("c");
  const auto& log = HeadlessPrintLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].foreground, kSystemTextColor);
  EXPECT_EQ(log[0].background, kSystemFaceColor);
  EXPECT_EQ(log[1].x, 26);
  EXPECT_EQ(log[1].foreground, 0xF00000);
  EXPECT_EQ(log[1].background, kGrey);
  EXPECT_EQ(log[1].face, "Courier New");
  EXPECT_EQ(log[1].points, 16);
  // The opaque background fills the whole cell; the glyph is drawn in red.
  std::vector<Color> cell = Grab(26, 0, 13, 24);
  EXPECT_EQ(cell.front(), kGrey);
  EXPECT_EQ(cell.back(), kGrey);
  EXPECT_NE(std::find(cell.begin(), cell.end(), 0xF00000), cell.end());
}

TEST(DisplaySurface, TextPrintedTwiceAtOnePlaceLeavesOnlyTheSecond) {
  // What the second text looks like on its own ...
  OpenTextScreen();
  ClearWindow(0x123456);
  SetColors(0, kGrey);
  MoveTo(100, 50);
  PrintText("i.i");
  std::vector<Color> alone = Grab(95, 45, 50, 34);
  // ... and over a wider, darker text in other colours.
  OpenTextScreen();
  ClearWindow(0x123456);
  SetColors(0xFFFFFF, 0);
  MoveTo(100, 50);
  PrintText("WWW");
  SetColors(0, kGrey);
  MoveTo(100, 50);
  PrintText("i.i");
  EXPECT_EQ(Grab(95, 45, 50, 34), alone);
}

TEST(DisplaySurface, NonAsciiTextIsDrawn) {
  // a-umlaut, superscript two and the euro sign each draw their own glyph.
  for (const char* text : {"\xE4", "\xB2", "\x80"}) {
    OpenTextScreen();
    SetColors(0, kGrey);
    PrintText(text);
    std::vector<Color> cell = Grab(0, 0, 13, 24);
    EXPECT_NE(std::count(cell.begin(), cell.end(), kGrey), 13 * 24) << text;
  }
}

TEST(DisplaySurface, SetPixelOutsideOrNotFiniteLeavesNoMark) {
  const double bad[][2] = {{-1, 5},   {1030, 5}, {5, 630},   {5, -0.6},      {kNaN, 5},
                           {5, kNaN}, {kInf, 5}, {5, -kInf}, {1e300, 1e300}, {-1e19, 3}};
  OpenTextScreen();
  ScreenCopy before = SaveScreen();
  for (const auto& xy : bad) SetPixel(xy[0], xy[1], 0xFF0000);
  EXPECT_EQ(SaveScreen().pixels, before.pixels);
  EXPECT_TRUE(HeadlessPixelLog().empty());
  EXPECT_EQ(HeadlessSetPixelCalls(), std::size(bad));
}

TEST(DisplaySurface, SetPixelRoundsAndDefaultsToTheTextColour) {
  OpenTextScreen();
  SetPixel(1029.4, 629.5, 0x00FF00);  // 629.5 goes to the even 630: outside
  SetPixel(1029.4, 628.5, 0x00FF00);
  SetColors(0x0000F0, kGrey);
  SetPixel(0.5, 0.5, kDefaultColor);
  ASSERT_EQ(HeadlessPixelLog().size(), 2u);
  EXPECT_EQ(HeadlessPixelLog()[0].x, 1029);
  EXPECT_EQ(HeadlessPixelLog()[0].y, 628);
  EXPECT_EQ(HeadlessPixel(1029, 628), 0x00FF00);
  EXPECT_EQ(HeadlessPixel(0, 0), 0x0000F0);
  // The window is paced at 25 microseconds a call, also for a pixel outside
  // the area; here only the clock is.
  EXPECT_DOUBLE_EQ(HeadlessClockMs(), 0.075);
  Pause(100);
  EXPECT_DOUBLE_EQ(HeadlessClockMs(), 100.075);
}

TEST(DisplaySurface, RgbClampsEachComponent) {
  struct Case {
    double r, g, b;
    Color expected;
  };
  const Case cases[] = {{208, 208, 208, 0xD0D0D0},
                        {-5, 300, 1e9, 0x00FFFF},
                        {kNaN, kInf, -kInf, 0x00FF00},
                        {0.5, 1.5, 254.5, 0x0002FE}};
  for (const Case& c : cases) EXPECT_EQ(Rgb(c.r, c.g, c.b), c.expected) << c.r;
}

TEST(DisplaySurface, BoxHasItsCornersAnOutlineAndAFilling) {
  OpenTextScreen();
  ClearWindow(kGrey);
  // No text colour set yet: the outline takes the system's text colour.
  DrawBox(20, 10, 10, 20, 0, kDefaultColor, 0x00BE00);
  EXPECT_EQ(HeadlessPixel(10, 10), kSystemTextColor);
  EXPECT_EQ(HeadlessPixel(20, 20), kSystemTextColor);
  EXPECT_EQ(HeadlessPixel(20, 15), kSystemTextColor);
  EXPECT_EQ(HeadlessPixel(15, 15), 0x00BE00);
  EXPECT_EQ(HeadlessPixel(11, 19), 0x00BE00);
  EXPECT_EQ(HeadlessPixel(21, 15), kGrey);
  EXPECT_EQ(HeadlessPixel(9, 10), kGrey);
  // Rounded corners leave the very corner out but keep the middle of a side.
  DrawBox(100, 100, 200, 160, 50, 0xFF0000, 0xFF0000);
  EXPECT_EQ(HeadlessPixel(100, 100), kGrey);
  EXPECT_EQ(HeadlessPixel(100, 130), 0xFF0000);
  // Far outside the area: nothing happens.
  DrawBox(-1e300, kNaN, -5, kInf, kNaN, 0, 0);
  EXPECT_EQ(HeadlessPixel(0, 0), kGrey);
}

TEST(DisplaySurface, SaveAndRestoreGiveThePictureBack) {
  OpenTextScreen();
  ClearWindow(kGrey);
  SetColors(0, 0xFFFF80);
  PrintText("Meldung");
  ScreenCopy saved = SaveScreen();
  ClearWindow(0x101010);
  SetPixel(3, 3, 0xFFFFFF);
  RestoreScreen(saved);
  EXPECT_EQ(SaveScreen().pixels, saved.pixels);
  // A copy of the wrong size is refused rather than read past its end.
  RestoreScreen(ScreenCopy{std::vector<std::uint32_t>(10, 0)});
  EXPECT_EQ(SaveScreen().pixels, saved.pixels);
}

TEST(DisplaySurface, KeyBufferKeepsTheNewestKeyAndIgnoresTab) {
  const std::string up("\0H", 2);
  struct Case {
    std::vector<std::string> typed;
    std::string read;
  };
  const Case cases[] = {
      {{}, ""},           {{"a"}, "a"},    {{"a", "b"}, "b"},  {{"\t"}, ""},
      {{"a", "\t"}, "a"}, {{"x", up}, up}, {{up, "\r"}, "\r"}, {{"\x1b", "\xE4"}, "\xE4"}};
  for (const Case& c : cases) {
    OpenTextScreen();
    for (const std::string& key : c.typed) HeadlessPressKey(key);
    EXPECT_EQ(ReadKey(), c.read);
    EXPECT_EQ(ReadKey(), "");
  }
  EXPECT_EQ(HeadlessReadKeyCalls(), 2u);
}

TEST(DisplaySurface, ScheduledKeyArrivesWhenTheClockReachesItsTime) {
  // Through Pause: not a moment early.
  OpenTextScreen();
  HeadlessPressKeyAt(100, "k");
  Pause(99);
  EXPECT_EQ(ReadKey(), "");
  Pause(0.99);
  EXPECT_EQ(ReadKey(), "");
  Pause(0.01);
  EXPECT_EQ(ReadKey(), "k");
  Pause(1000);
  EXPECT_EQ(ReadKey(), "");  // pressed once only

  // Through paced pixels (25 us each), those outside the area as well.
  OpenTextScreen();
  HeadlessPressKeyAt(100, "p");
  for (int i = 0; i < 3997; ++i) SetPixel(i % 1000, i / 1000, 0xFF0000);
  SetPixel(-5, 3, 0xFF0000);
  SetPixel(2000, 3, 0xFF0000);
  EXPECT_LT(HeadlessClockMs(), 100);
  EXPECT_EQ(ReadKey(), "");
  SetPixel(kNaN, 500, 0xFF0000);
  SetPixel(5, 1e300, 0xFF0000);
  EXPECT_GE(HeadlessClockMs(), 100);
  EXPECT_EQ(ReadKey(), "p");
}

TEST(DisplaySurface, ScheduledKeysArriveInTimeOrder) {
  OpenTextScreen();
  HeadlessPressKeyAt(20, "b");
  HeadlessPressKeyAt(10, "a");
  HeadlessPressKeyAt(30, "\t");  // ignored, like a typed TAB
  HeadlessPressKeyAt(40, "c");
  HeadlessPressKeyAt(40, "d");  // same time: the later scheduled wins
  HeadlessPressKeyAt(kNaN, "never");
  Pause(15);
  EXPECT_EQ(ReadKey(), "a");
  Pause(10);
  EXPECT_EQ(ReadKey(), "b");
  Pause(10);
  EXPECT_EQ(ReadKey(), "");
  Pause(kNaN);
  Pause(-50);
  EXPECT_EQ(ReadKey(), "");
  Pause(10);
  EXPECT_EQ(ReadKey(), "d");

  // A key due while the program is busy replaces one still pending.
  OpenTextScreen();
  HeadlessPressKey("x");
  HeadlessPressKeyAt(5, "y");
  Pause(5);
  EXPECT_EQ(ReadKey(), "y");

  // The reset forgets the schedule; a closed window's pixels cost nothing.
  HeadlessPressKeyAt(10, "z");
  OpenTextScreen();
  Pause(20);
  EXPECT_EQ(ReadKey(), "");
  HeadlessPressKeyAt(25, "w");
  HeadlessCloseWindow();
  for (int i = 0; i < 1000; ++i) SetPixel(i, 0, 0xFF0000);
  EXPECT_EQ(HeadlessClockMs(), 20);
  EXPECT_EQ(ReadKey(), "");
}

TEST(DisplaySurface, DoubleClickIsReportedTwice) {
  OpenTextScreen();
  HeadlessClick(7.5, 9, true);
  Click first = ReadClick();
  Click second = ReadClick();
  EXPECT_EQ(first.kind, kSingleClick);
  EXPECT_EQ(second.kind, kDoubleClick);
  EXPECT_EQ(second.x, 7.5);
  EXPECT_EQ(second.y, 9);
  EXPECT_EQ(ReadClick().kind, kNoClick);
  // A newer click replaces one not yet read.
  HeadlessClick(1, 2, true);
  HeadlessClick(3, 4, false);
  Click only = ReadClick();
  EXPECT_EQ(only.kind, kSingleClick);
  EXPECT_EQ(only.x, 3);
  EXPECT_EQ(ReadClick().kind, kNoClick);
}

// What the window thread hands over, one step after another, with the
// logic's wait for input as steps of their own.
enum HandOverStep {
  kLogicWaits,
  kUserKey,
  kUserText,
  kUserClick,
  kUserDoubleClick,
  kPasted,
  kWindowCloses
};
struct Step {
  HandOverStep step;
  std::string text;  // the key, the text (Windows-1252) or the paste (UTF-8)
};

// Everything the logic reads from then on, waiting between its reads as an
// input does: a click before a key, "click" for each click report.
std::vector<std::string> ReadEverything() {
  std::vector<std::string> read;
  for (;;) {
    MarkWaiting(true);
    MarkWaiting(false);
    if (ReadClick().kind != kNoClick) {
      read.push_back("click");
      continue;
    }
    std::string key = ReadKey();
    if (key.empty()) return read;
    read.push_back(key);
  }
}

TEST(DisplaySurface, PasteAndTextAreTypedOneKeyAtATime) {
  using Keys = std::vector<std::string>;
  Keys long_line(4096, "x");
  Keys long_lines;
  for (int k = 0; k < 2048; ++k) long_lines.insert(long_lines.end(), {"x", "\r"});
  std::string many_lines;
  for (int k = 0; k < 3000; ++k) many_lines += "x\r\n";
  struct Case {
    const char* name;
    std::vector<Step> steps;
    Keys read;
  };
  const Case cases[] = {
      {"paste at an input", {{kLogicWaits, ""}, {kPasted, "ab"}}, {"a", "b"}},
      {"paste while the logic is busy", {{kPasted, "ab"}}, {}},
      {"paste on a closed window", {{kLogicWaits, ""}, {kWindowCloses, ""}, {kPasted, "ab"}}, {}},
      {"the user's key before the paste",
       {{kLogicWaits, ""}, {kUserKey, "u"}, {kPasted, "ab"}},
       {"u", "a", "b"}},
      {"cut at 4096 keys", {{kLogicWaits, ""}, {kPasted, std::string(5000, 'x')}}, long_line},
      {"cut at 4096 keys, lines", {{kLogicWaits, ""}, {kPasted, many_lines}}, long_lines},
      // The user's own input drops the rest and the pasted key not yet read.
      {"a click", {{kLogicWaits, ""}, {kPasted, "abc"}, {kUserClick, ""}}, {"click"}},
      {"a double click",
       {{kLogicWaits, ""}, {kPasted, "abc"}, {kUserDoubleClick, ""}},
       {"click", "click"}},
      {"a key", {{kLogicWaits, ""}, {kPasted, "abc"}, {kUserKey, "z"}}, {"z"}},
      {"a text", {{kLogicWaits, ""}, {kPasted, "abc"}, {kUserText, "yz"}}, {"y", "z"}},
      {"a new paste", {{kLogicWaits, ""}, {kPasted, "abc"}, {kPasted, "de"}}, {"d", "e"}},
      // Several characters of one text event.
      {"text at an input", {{kLogicWaits, ""}, {kUserText, "xy"}}, {"x", "y"}},
      {"text with an extended key",
       {{kLogicWaits, ""}, {kUserText, "a" + ExtendedKey(kScanDelete)}},
       {"a", ExtendedKey(kScanDelete)}},
      {"text while the logic is busy", {{kUserText, "xyz"}}, {"z"}},
      {"text on a closed window", {{kLogicWaits, ""}, {kWindowCloses, ""}, {kUserText, "xy"}}, {}},
  };
  for (const Case& c : cases) {
    OpenTextScreen();
    for (const Step& s : c.steps) {
      switch (s.step) {
        case kLogicWaits:
          MarkWaiting(true);
          break;
        case kUserKey:
          PutKey(s.text);
          break;
        case kUserText:
          PutText(s.text);
          break;
        case kUserClick:
          PutClick(1, 2, kSingleClick);
          break;
        case kUserDoubleClick:
          PutDoubleClick(1, 2);
          break;
        case kPasted:
          PutPaste(s.text);
          break;
        case kWindowCloses:
          HeadlessCloseWindow();
          break;
      }
    }
    MarkWaiting(false);
    EXPECT_EQ(ReadEverything(), c.read) << c.name;
  }
}

// The window reads the clipboard only when a paste would be taken.
TEST(DisplaySurface, TakesPasteOnlyWhileTheLogicWaitsInAnOpenWindow) {
  struct Case {
    bool waiting, closed, takes;
  };
  for (const Case& c :
       {Case{true, false, true}, Case{false, false, false}, Case{true, true, false}}) {
    OpenTextScreen();
    MarkWaiting(c.waiting);
    if (c.closed) HeadlessCloseWindow();
    EXPECT_EQ(TakesPaste(), c.takes) << c.waiting << c.closed;
    MarkWaiting(false);
  }
}

TEST(DisplaySurface, WindowOpensClosesAndScriptsRunOut) {
  HeadlessReset();
  EXPECT_FALSE(WindowIsOpen());
  OpenWindow("Punktmuster 1.11", 100, 100, 1030, 630);
  EXPECT_TRUE(WindowIsOpen());
  EXPECT_EQ(HeadlessCaption(), "Punktmuster 1.11");

  HeadlessScript({{kScriptKey, "a"}, {kScriptClick, "", 30, 40, true}, {kScriptClose, ""}});
  EXPECT_EQ(HeadlessScriptLeft(), 3u);
  AwaitKeyOrClick();
  AwaitKeyOrClick();  // the key is still pending: nothing more handed over
  EXPECT_EQ(HeadlessScriptLeft(), 2u);
  EXPECT_EQ(ReadKey(), "a");
  AwaitKeyOrClick();
  EXPECT_EQ(ReadClick().kind, kSingleClick);
  EXPECT_EQ(ReadClick().kind, kDoubleClick);
  AwaitKeyOrClick();
  EXPECT_FALSE(WindowIsOpen());

  OpenWindow("again", 100, 100, 1030, 630);
  AwaitKeyOrClick();  // nothing scripted: the window closes
  EXPECT_FALSE(WindowIsOpen());
  HeadlessReset();
  EXPECT_FALSE(WindowIsOpen());
  EXPECT_TRUE(HeadlessPrintLog().empty());
  EXPECT_EQ(HeadlessClockMs(), 0);
}

TEST(DisplayText, ConvertsBetweenWindows1252AndUtf8) {
  struct Case {
    std::string windows1252;
    std::string utf8;
  };
  const Case cases[] = {{"abc", "abc"},
                        {"\xE4\xFC\xB2", "\xC3\xA4\xC3\xBC\xC2\xB2"},
                        {"\x80", "\xE2\x82\xAC"},
                        {"\x9F", "\xC5\xB8"}};
  for (const Case& c : cases) {
    EXPECT_EQ(ToUtf8(c.windows1252), c.utf8);
    EXPECT_EQ(FromUtf8(c.utf8), c.windows1252);
  }
  // Typed characters the code page cannot hold, and control characters, are
  // dropped; so are broken sequences.
  EXPECT_EQ(FromUtf8("a\xE2\x86\x92"
                     "b\tc\xC3"),
            "abc");
  EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80x\xC2\x85"), "x");
}

}  // namespace
