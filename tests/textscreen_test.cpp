// Cell positions, blanked rows, input events and messages on the headless
// surface, with the 16 pt text font (cells of 13 x 24 pixels).
#include "textscreen/textscreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/display.h"
#include "display/headless/headless.h"
#include "test_screen.h"

namespace {

const Color kBlack = Rgb(0, 0, 0);
const Color kWhite = Rgb(255, 255, 255);
const Color kLightGrey = Rgb(208, 208, 208);
const Color kLightYellow = Rgb(255, 255, 128);

class TextScreen : public ::testing::Test {
 protected:
  void SetUp() override { OpenTextScreen(); }
};

std::string ClickEvent(int column, int row) {
  std::string event(1, '\0');
  event += static_cast<char>(static_cast<unsigned char>(column));
  event += static_cast<char>(static_cast<unsigned char>(row));
  return event;
}

const PrintedText* LastPrintOf(const std::string& text) {
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  for (auto entry = log.rbegin(); entry != log.rend(); ++entry) {
    if (entry->text == text) return &*entry;
  }
  return nullptr;
}

TEST_F(TextScreen, CellSizeOfTheTextFont) {
  Extent cell = TextCellSize();
  EXPECT_EQ(cell.width, 13);
  EXPECT_EQ(cell.height, 24);
}

TEST_F(TextScreen, GotoCellAddressesTheCellCorner) {
  struct Case {
    double row, column;
    int x, y;
  };
  const Case cases[] = {
      {1, 1, 0, 0},        {26, 1, 0, 600}, {22, 5, 52, 504}, {22, 28, 351, 504},
      {5.5, 20, 247, 108}, {1, 1.5, 6, 0},  // 6.5 pixels: the half goes to the even neighbour
      {0, 0, -13, -24},
  };
  for (const Case& c : cases) {
    GotoCell(c.row, c.column);
    PrintText("#");
    const PrintedText& printed = HeadlessPrintLog().back();
    EXPECT_EQ(printed.x, c.x) << c.row << ", " << c.column;
    EXPECT_EQ(printed.y, c.y) << c.row << ", " << c.column;
  }
}

TEST_F(TextScreen, GotoCellFollowsTheSelectedFont) {
  SelectFont(CreateFont("Courier New", 18, 0));  // 14 x 27
  GotoCell(3, 4);
  PrintText("#");
  EXPECT_EQ(HeadlessPrintLog().back().x, 42);
  EXPECT_EQ(HeadlessPrintLog().back().y, 54);
}

TEST_F(TextScreen, ClearRowBlanks79CellsInTheCurrentColours) {
  const Color kMark = Rgb(10, 20, 30);
  ClearWindow(kWhite);
  SetColors(kBlack, kMark);
  ClearRow(3);
  const PrintedText& printed = HeadlessPrintLog().back();
  EXPECT_EQ(printed.text, std::string(79, ' '));
  EXPECT_EQ(printed.x, 0);
  EXPECT_EQ(printed.y, 48);

  struct Sample {
    int x, y;
    Color color;
  };
  const Sample samples[] = {
      {0, 48, kMark},    {1026, 71, kMark},
      {500, 60, kMark},  {1027, 60, kWhite},  // 79 cells end at pixel 1026
      {500, 47, kWhite}, {500, 72, kWhite},
  };
  for (const Sample& s : samples) {
    EXPECT_EQ(HeadlessPixel(s.x, s.y), s.color) << s.x << ", " << s.y;
  }

  // The position is left at the start of the following row.
  PrintText("a");
  EXPECT_EQ(HeadlessPrintLog().back().x, 0);
  EXPECT_EQ(HeadlessPrintLog().back().y, 72);
}

TEST_F(TextScreen, ClickBecomesCellClampedTo1Through255) {
  struct Case {
    double x, y;
    int column, row;
  };
  const Case cases[] = {
      {0, 0, 1, 1},           {13, 24, 2, 2},  // exactly on the corner of the second cell
      {12, 23, 1, 1},         {52, 504, 5, 22},       {57, 510, 5, 22},
      {12.5, 0, 1, 1},  // 12.5 rounds to 12 (even)
      {13.5, 0, 2, 1},  // 13.5 rounds to 14
      {1029, 629, 80, 27},    {-100, -5, 1, 1},       {5000, 9000, 255, 255},
      {3314, 6119, 255, 255}, {3302, 6096, 255, 255}, {3301, 6095, 254, 254},
  };
  for (const Case& c : cases) {
    HeadlessClick(c.x, c.y, false);
    EXPECT_EQ(WaitInput(), ClickEvent(c.column, c.row)) << c.x << ", " << c.y;
  }
}

TEST_F(TextScreen, PendingClickComesBeforePendingKey) {
  HeadlessPressKey("a");
  HeadlessClick(60, 30, false);
  EXPECT_EQ(WaitInput(), ClickEvent(5, 2));
  EXPECT_EQ(WaitInput(), "a");
}

TEST_F(TextScreen, DoubleClickGivesTwoEventsForTheSameCell) {
  HeadlessClick(52, 504, true);
  EXPECT_EQ(WaitInput(), ClickEvent(5, 22));
  EXPECT_EQ(WaitInput(), ClickEvent(5, 22));
  // Nothing else is scripted, so the window closes at the next wait.
  EXPECT_EQ(WaitInput(), "\x1b");
}

TEST_F(TextScreen, KeysAndScriptedInputPassThrough) {
  const std::string kDown("\0P", 2);
  HeadlessPressKey(kDown);
  EXPECT_EQ(WaitInput(), kDown);
  HeadlessScript({{kScriptKey, "\r"}, {kScriptClick, "", 30, 50}, {kScriptKey, "x"}});
  EXPECT_EQ(WaitInput(), "\r");
  EXPECT_EQ(WaitInput(), ClickEvent(3, 3));
  EXPECT_EQ(WaitInput(), "x");
}

TEST_F(TextScreen, ClosedWindowGivesEscEvenWithInputPending) {
  HeadlessScript({{kScriptClose, ""}});
  EXPECT_EQ(WaitInput(), "\x1b");
  HeadlessPressKey("a");
  HeadlessClick(10, 10, false);
  EXPECT_EQ(WaitInput(), "\x1b");
}

TEST_F(TextScreen, MessageIsCentredOnColumn40Point5) {
  struct Case {
    int length;
    int x;  // pixel of the first character
  };
  const Case cases[] = {
      {14, 422},            // column 33.5: 422.5 pixels, the half to the even side
      {41, 247},            // column 20
      {1, 507},             // column 40
      {79, 0},   {120, 0},  // too long to centre: column 1, not cut
  };
  for (const Case& c : cases) {
    std::string text(c.length, 'm');
    HeadlessPressKey("k");
    ShowMessage(text, 4);
    const PrintedText* printed = LastPrintOf(text);
    ASSERT_NE(printed, nullptr) << c.length;
    EXPECT_EQ(printed->x, c.x) << c.length;
    EXPECT_EQ(printed->y, 600) << c.length;
    EXPECT_EQ(printed->foreground, kBlack);
    EXPECT_EQ(printed->background, kLightYellow);
  }
}

TEST_F(TextScreen, MessageRowIsFirstBlankedInTheCallersColours) {
  const Color kBlue = Rgb(0, 0, 200);
  SetColors(kWhite, kBlue);
  HeadlessPressKey("k");
  ShowMessage(" Rechenfehler ", 4);
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  ASSERT_GE(log.size(), 2u);
  const PrintedText& blanks = log[log.size() - 2];
  EXPECT_EQ(blanks.text, std::string(79, ' '));
  EXPECT_EQ(blanks.y, 600);
  EXPECT_EQ(blanks.foreground, kWhite);
  EXPECT_EQ(blanks.background, kBlue);
  EXPECT_EQ(log.back().text, " Rechenfehler ");
}

TEST_F(TextScreen, MessageStandsUntilKeyOrTimeOut) {
  struct Case {
    std::int16_t seconds;
    const char* key;   // "" for none
    double key_at_ms;  // after the call began; 0: typed before it
    double milliseconds;
    bool escaped;         // ESC ended it, for a drawing to stop
    bool pasted = false;  // the key comes as a paste, which a message ignores
  };
  const Case cases[] = {
      {4, "", 0, 4000, false},       {1, "", 0, 1000, false},
      {4, "q", 0, 0, false},         {0, "q", 0, 0, false},
      {-3, "q", 0, 0, false},        {4, "\x1b", 0, 0, true},
      {4, "q", 350, 400, false},     {4, "\x1b", 350, 400, true},
      {0, "\x1b", 2550, 2600, true}, {4, "q", 350, 4000, false, true},
  };
  for (const Case& c : cases) {
    OpenTextScreen();
    TakeMessageEscape();
    if (c.pasted) {
      HeadlessPasteAt(c.key_at_ms, c.key);
    } else if (*c.key != 0 && c.key_at_ms == 0) {
      HeadlessPressKey(c.key);
    } else if (*c.key != 0) {
      HeadlessPressKeyAt(c.key_at_ms, c.key);
    }
    ShowMessage("Achtung", c.seconds);
    EXPECT_EQ(HeadlessClockMs(), c.milliseconds) << c.seconds << " " << c.key << c.key_at_ms;
    EXPECT_EQ(TakeMessageEscape(), c.escaped) << c.seconds << " " << c.key_at_ms;
    // The key that ended the message is gone, and nothing of a paste comes
    // later at an input either.
    EXPECT_EQ(ReadKey(), "") << c.seconds;
    HeadlessScript({{kScriptKey, "z"}});
    EXPECT_EQ(WaitInput(), "z") << c.seconds << " " << c.key_at_ms;
  }
  EXPECT_FALSE(TakeMessageEscape());
}

TEST_F(TextScreen, PasteIsTypedOneKeyAtATimeAtAnInput) {
  // A term of 50 characters with a CRLF, pasted into an emptied field,
  // arrives whole and confirms the field; the line break is one Enter, so
  // the next field gets only what is typed there.
  const std::string term = "0.50*x+0*y+0*x*y+0*(x-y)+0*y*y+0*x*x+0*(y+x)+0*x*x";
  ASSERT_EQ(term.size(), 50u);
  std::vector<ScriptedInput> script(5, {kScriptKey, ExtendedKey(kScanDelete)});
  script.push_back({kScriptPaste, term + "\r\n"});
  script.push_back({kScriptKey, "7"});
  script.push_back({kScriptKey, "\r"});
  HeadlessScript(script);
  double cursor = 0;
  std::string f = EditLine("f(x,y)", "0.5*x", 22, 2, cursor, 0);
  EXPECT_EQ(f[0], 23);  // confirmed by Enter
  EXPECT_EQ(f.substr(2), term);
  EXPECT_EQ(EditLine("g(x,y)", "", 23, 2, cursor, 0).substr(2), "7");

  // A key of the user's own in between drops the rest.
  OpenTextScreen();
  HeadlessScript({{kScriptPaste, "ab\r\ncd"}});
  EXPECT_EQ(WaitInput(), "a");
  EXPECT_EQ(WaitInput(), "b");
  HeadlessPressKey("z");
  EXPECT_EQ(WaitInput(), "z");
  EXPECT_EQ(WaitInput(), "\x1b");  // nothing left: the script has run out, the window closes

  // Several characters typed at once (a word an input method commits, a
  // dead key with a character it does not combine with) lose none either.
  OpenTextScreen();
  HeadlessScript({{kScriptText, "x^2"}});
  EXPECT_EQ(WaitInput(), "x");
  EXPECT_EQ(WaitInput(), "^");
  EXPECT_EQ(WaitInput(), "2");
}

TEST_F(TextScreen, ClickDropsThePastedKeyNotYetRead) {
  // At an input a paste has handed over its first key, and the user clicks
  // before the editor reads it: the click comes first and ends the input;
  // the pasted key must not go to what reads keys next, an input or a
  // message, which would end at once.
  for (bool message_next : {false, true}) {
    OpenTextScreen();
    HeadlessScript({{kScriptPaste, "78"}});
    AwaitKeyOrClick();
    HeadlessClick(60, 30, false);
    EXPECT_EQ(WaitInput(), ClickEvent(5, 2));
    if (message_next) {
      ShowMessage("Achtung", 4);
      EXPECT_EQ(HeadlessClockMs(), 4000);
    }
    HeadlessScript({{kScriptKey, "z"}});
    EXPECT_EQ(WaitInput(), "z") << message_next;
  }
}

TEST_F(TextScreen, KeyEndingTheMessageIsNotSeenByTheNextInput) {
  HeadlessPressKey("q");
  ShowMessage("Achtung", 4);
  HeadlessScript({{kScriptKey, "z"}});
  EXPECT_EQ(WaitInput(), "z");
}

TEST_F(TextScreen, MessageOnAClosedWindowReturnsAtOnce) {
  for (std::int16_t seconds : {0, 4}) {
    OpenTextScreen();
    HeadlessCloseWindow();
    ShowMessage("Achtung", seconds);  // must return rather than wait for ever
    EXPECT_EQ(HeadlessClockMs(), 0);
    EXPECT_TRUE(HeadlessPrintLog().empty());
  }
  // Closed while it stands: it ends at the next look.
  OpenTextScreen();
  HeadlessCloseWindowAt(250);
  ShowMessage("Achtung", 4);
  EXPECT_EQ(HeadlessClockMs(), 300);
}

TEST_F(TextScreen, MessageRestoresTheScreenAndLeavesBlackOnGrey) {
  ClearWindow(kLightGrey);
  SetColors(kWhite, Rgb(0, 0, 200));
  GotoCell(26, 3);
  PrintText("was vorher hier stand");
  GotoCell(25, 1);
  PrintText(
      "und dar\xFC"
      "ber");
  ScreenCopy before = SaveScreen();

  ShowMessage(" unzul\xE4ssige Zeichen oder Strukturfehler ", 1);
  ScreenCopy after = SaveScreen();
  EXPECT_TRUE(before.pixels == after.pixels);

  PrintText("x");
  EXPECT_EQ(HeadlessPrintLog().back().foreground, kBlack);
  EXPECT_EQ(HeadlessPrintLog().back().background, kLightGrey);
}

}  // namespace
