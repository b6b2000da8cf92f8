// The passes of the whole program, driven by scripted keys on the headless
// surface: defaults offered, counts, terms, range texts and every way out.
#include "main/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/headless/headless.h"
#include "main/range_text.h"
#include "test_screen.h"

namespace {

const std::string kDelete("\0S", 2);
const std::string kTermFault = " unzul\xE4ssige Zeichen oder Strukturfehler ";
const std::string kCountPrompt = "Zahl der Funktionenpaare: ";
const std::string kRangePrompt = "Anzeigebereich : ";
const std::string kHeading = "F r a k t a l e";
const std::string kCalcFault = " Rechenfehler ";
// The title stands 4 s; the first drawing starts then, as typing costs no time.
constexpr double kFirstDrawingMs = 4000;
const std::string kSierpinski1 = "y-abs(-0.3*x-0.2)*sgn(x)";
// More Deletes than any default is long, to empty a field.
constexpr int kClearField = 60;

using Script = std::vector<ScriptedInput>;

std::string FPrompt(int pair) {
  return " " + std::to_string(pair) + ".Term [x=] f(x,y): ";
}
std::string GPrompt(int pair) {
  return " " + std::to_string(pair) + ".Term [y=] g(x,y): ";
}

void Key(Script& s, const std::string& key) {
  s.push_back({kScriptKey, key});
}
void Type(Script& s, const std::string& text) {
  for (char c : text) Key(s, std::string(1, c));
}
void Enter(Script& s, int times = 1) {
  for (int i = 0; i < times; i++) Key(s, "\r");
}
void Esc(Script& s) {
  Key(s, "\x1B");
}
// Replaces the default of one input and confirms it.
void Answer(Script& s, const std::string& text) {
  for (int i = 0; i < kClearField; i++) Key(s, kDelete);
  Type(s, text);
  Enter(s);
}

// Input at a moment of the virtual clock: a key, or closing the window.
struct Timed {
  double at_ms;
  const char* key;  // nullptr: the window is closed
};

void RunScript(const Script& script, const std::vector<Timed>& timed = {}) {
  HeadlessReset();
  RestartRandom();
  HeadlessScript(script);
  for (const Timed& t : timed) {
    if (t.key != nullptr) HeadlessPressKeyAt(t.at_ms, t.key);
    if (t.key == nullptr) HeadlessCloseWindowAt(t.at_ms);
  }
  RunProgram();
}

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

bool IsBlankField(const PrintedText& printed) {
  return !printed.text.empty() && WithoutTrailingBlanks(printed.text).empty();
}

// The text each input behind this prompt started with: the editor prints the
// prompt, the empty field on the same row, then the field's text. (An echo
// line of an empty term looks like the prompt but is not followed by a field.)
std::vector<std::string> Offered(const std::string& prompt) {
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  std::vector<std::string> offered;
  for (std::size_t i = 0; i + 2 < log.size(); i++) {
    if (log[i].text == prompt && IsBlankField(log[i + 1]) && log[i + 1].y == log[i].y) {
      offered.push_back(WithoutTrailingBlanks(log[i + 2].text));
    }
  }
  return offered;
}

using Strings = std::vector<std::string>;

TEST(ProgramTest, FirstPassWithEnterEverywhere) {
  Script s;
  Enter(s, 8);
  RunScript(s);
  EXPECT_EQ(HeadlessScriptLeft(), 0u);
  EXPECT_EQ(Offered(kCountPrompt), Strings({"3", "3"}));
  const char* defaults[3][2] = {
      {"0.5*x", "0.5*y"}, {"0.5*x+0.5", "0.5*y"}, {"0.5*x+0.25", "0.5*y+0.5"}};
  for (int pair = 1; pair <= 3; pair++) {
    EXPECT_EQ(Offered(FPrompt(pair)), Strings({defaults[pair - 1][0]}));
    EXPECT_EQ(Offered(GPrompt(pair)), Strings({defaults[pair - 1][1]}));
    EXPECT_EQ(TimesPrinted(FPrompt(pair) + defaults[pair - 1][0]), 1) << "echo of pair " << pair;
    EXPECT_EQ(TimesPrinted(GPrompt(pair) + defaults[pair - 1][1]), 1) << "echo of pair " << pair;
  }
  EXPECT_EQ(Offered(kRangePrompt), Strings({"(0,0) - (1,1)"}));

  EXPECT_EQ(HeadlessSetPixelCalls(), 200000u);
  const std::vector<PlottedPixel>& pixels = HeadlessPixelLog();
  ASSERT_GE(pixels.size(), 3u);
  const PlottedPixel first[] = {{315, 315, 0xFF0000}, {215, 440, 0xFF0000}, {565, 502, 0xFF0000}};
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(pixels[i].x, first[i].x);
    EXPECT_EQ(pixels[i].y, first[i].y);
    EXPECT_EQ(pixels[i].color, first[i].color);
  }
  // The next pass began with the description screen; ESC (the closed window)
  // at its count ended the program.
  EXPECT_EQ(TimesPrinted(kHeading), 2);
  EXPECT_GE(HeadlessClockMs(), 4000);
}

// A long run: every pass draws in full and hands everything over to the next;
// the sanitizer build checks that nothing leaks or grows on the way.
TEST(ProgramTest, TwentyPassesInOneRun) {
  constexpr int kPasses = 20;
  constexpr int kInputsPerPass = 8;
  Script s;
  Enter(s, kPasses * kInputsPerPass);
  RunScript(s);
  EXPECT_EQ(HeadlessScriptLeft(), 0u);
  EXPECT_EQ(HeadlessSetPixelCalls(), 200000u * kPasses);
  EXPECT_EQ(TimesPrinted(kHeading), kPasses + 1);
  EXPECT_EQ(Offered(kRangePrompt), Strings(kPasses, "(0,0) - (1,1)"));
}

// Defaults offered over several passes.
TEST(ProgramTest, DefaultsAcrossPasses) {
  struct Case {
    const char* name;
    Script script;
    Strings f1_offered;
    Strings range_offered;
  };
  std::vector<Case> cases;
  {
    // Same count 1 twice: the second pass offers the range read in the first.
    Script s;
    for (int pass = 0; pass < 2; pass++) {
      Answer(s, "1");
      Enter(s, 3);
    }
    cases.push_back(
        {"count 1", s, {kSierpinski1, kSierpinski1}, {"(-2.5,-3) - (4,5)", "(-2.5,-3) - (4,5)"}});
  }
  {
    Script s;
    for (int pass = 0; pass < 2; pass++) {
      Answer(s, "2");
      Enter(s, 5);
    }
    cases.push_back({"count 2",
                     s,
                     {kSierpinski1, kSierpinski1},
                     {"(-.5,-.5) - (2,2.5)", "(-.5,-.5) - (2,2.5)"}});
  }
  {
    // The same count keeps the typed terms and the range in written form.
    Script s;
    Enter(s);
    Answer(s, "0.4*x");
    Enter(s, 5);
    Answer(s, "( 0, 0 ) - ( 1, 1.50 )");
    Enter(s, 8);
    cases.push_back({"same count", s, {"0.5*x", "0.4*x"}, {"(0,0) - (1,1)", "(0,0) - (1,1.5)"}});
  }
  {
    // A changed count of 1 to 3 brings the built-in terms back.
    Script s;
    Enter(s);
    Answer(s, "0.4*x");
    Enter(s, 6);
    Answer(s, "2");
    Enter(s, 5);
    Enter(s, 8);
    cases.push_back({"changed count",
                     s,
                     {"0.5*x", kSierpinski1, "0.5*x"},
                     {"(0,0) - (1,1)", "(-.5,-.5) - (2,2.5)", "(0,0) - (1,1)"}});
  }
  for (const Case& c : cases) {
    RunScript(c.script);
    EXPECT_EQ(HeadlessScriptLeft(), 0u) << c.name;
    EXPECT_EQ(HeadlessSetPixelCalls(), 200000u * c.range_offered.size()) << c.name;
    EXPECT_EQ(Offered(FPrompt(1)), c.f1_offered) << c.name;
    EXPECT_EQ(Offered(kRangePrompt), c.range_offered) << c.name;
  }
}

TEST(ProgramTest, CountFourStartsEmpty) {
  Script s;
  Answer(s, "4");
  for (int pair = 1; pair <= 4; pair++) {
    Type(s, "0.5*x");
    Enter(s);
    Type(s, "0.5*y");
    Enter(s);
  }
  Enter(s);  // the range (0,0) - (0,0) has no width: the end
  RunScript(s);
  EXPECT_EQ(HeadlessScriptLeft(), 0u);
  for (int pair = 1; pair <= 4; pair++) {
    EXPECT_EQ(Offered(FPrompt(pair)), Strings({""})) << pair;
    EXPECT_EQ(Offered(GPrompt(pair)), Strings({""})) << pair;
  }
  EXPECT_EQ(Offered(kRangePrompt), Strings({"(0,0) - (0,0)"}));
  EXPECT_EQ(HeadlessSetPixelCalls(), 0u);
  EXPECT_EQ(TimesPrinted(kHeading), 1);
}

TEST(ProgramTest, FractionalCountAsksWholePairsAndDraws) {
  Script s;
  Answer(s, "2.5");
  Type(s, "0.25");
  Enter(s);
  Type(s, "0.25");
  Enter(s);
  Type(s, "0.75");
  Enter(s);
  Type(s, "0.75");
  Enter(s);
  Answer(s, "(0,0) - (1,1)");
  RunScript(s);
  EXPECT_EQ(HeadlessScriptLeft(), 0u);
  EXPECT_EQ(Offered(FPrompt(1)), Strings({""}));
  EXPECT_EQ(Offered(FPrompt(2)), Strings({""}));
  EXPECT_TRUE(Offered(FPrompt(3)).empty());
  EXPECT_EQ(HeadlessSetPixelCalls(), 200000u);
  int low = 0;
  for (const PlottedPixel& p : HeadlessPixelLog()) {
    bool is_low = p.x == 315 && p.y == 440;
    bool is_high = p.x == 715 && p.y == 190;
    ASSERT_TRUE(is_low || is_high) << p.x << "," << p.y;
    low += is_low;
  }
  // Pair 1 when u < 0.4: about 40 percent.
  EXPECT_NEAR(low / 200000.0, 0.4, 0.01);
}

TEST(ProgramTest, FivePairsShowTheTwoBefore) {
  Script s;
  Answer(s, "5");
  for (int pair = 1; pair <= 3; pair++) {
    Type(s, "0." + std::to_string(pair) + "*x");
    Enter(s);
    Type(s, "0." + std::to_string(pair) + "*y");
    Enter(s);
  }
  Esc(s);
  RunScript(s);
  EXPECT_EQ(HeadlessScriptLeft(), 0u);
  double row_px = TextCellSize().height;
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  std::size_t ask4 = 0;
  while (ask4 < log.size() && log[ask4].text != FPrompt(4)) ask4++;
  ASSERT_LT(ask4, log.size());
  std::size_t echo3 = ask4;
  while (echo3 > 0 && log[echo3].text != GPrompt(3) + "0.3*y") echo3--;
  ASSERT_GT(echo3, 0u);

  struct Shown {
    std::string text;
    int row;
  };
  const Shown shown[] = {{" 2.Term x = 0.2*x", 16},
                         {" 2.Term y = 0.2*y", 17},
                         {" 3.Term x = 0.3*x", 19},
                         {" 3.Term y = 0.3*y", 20}};
  for (const Shown& e : shown) {
    bool found = false;
    for (std::size_t i = echo3; i < ask4; i++) {
      if (log[i].text == e.text) {
        found = true;
        EXPECT_EQ(log[i].y, static_cast<int>((e.row - 1) * row_px)) << e.text;
        EXPECT_EQ(log[i].x, 0) << e.text;
      }
    }
    EXPECT_TRUE(found) << e.text;
  }
  for (std::size_t i = echo3; i < ask4; i++) {
    EXPECT_EQ(log[i].text.find(" 1.Term"), std::string::npos) << log[i].text;
  }
}

// Every way a pass ends the program before drawing.
TEST(ProgramTest, Endings) {
  struct Case {
    const char* name;
    Script script;
    int messages;
    bool asked_pair_1;
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, Script s, int messages, bool asked) {
    cases.push_back({name, s, messages, asked});
  };
  Script s;
  Esc(s);
  add("ESC at the count", s, 0, false);
  s = {};
  Enter(s);
  Esc(s);
  add("ESC at f", s, 0, true);
  s = {};
  Enter(s, 2);
  Esc(s);
  add("ESC at g", s, 0, true);
  s = {};
  Enter(s, 3);
  Esc(s);
  add("ESC at the second pair", s, 0, true);
  s = {};
  Enter(s, 7);
  Esc(s);
  add("ESC at the range", s, 0, true);
  s = {};
  Enter(s, 7);
  s.push_back({kScriptClose, ""});
  add("window closed at the range", s, 0, true);
  for (const char* count : {"0", "abc", "", "-1", "0.5", "10001", "1E+9999"}) {
    s = {};
    Answer(s, count);
    add(count, s, 0, false);
  }
  s = {};
  Enter(s);
  Answer(s, "0.5*x)");
  Enter(s);
  add("faulty f", s, 1, true);
  s = {};
  Enter(s);
  Answer(s, "0.5*x)");
  Answer(s, "(0.5*y");
  add("faulty f and g", s, 2, true);
  s = {};
  Enter(s);
  Answer(s, "   ");
  Enter(s);
  add("blank f", s, 0, true);
  s = {};
  Enter(s, 7);
  Answer(s, "(1,0) - (1,5)");
  add("range without width", s, 0, true);
  s = {};
  Enter(s, 7);
  Answer(s, "(0,2) - (1,2)");
  add("range without height", s, 0, true);

  for (const Case& c : cases) {
    RunScript(c.script);
    EXPECT_EQ(HeadlessScriptLeft(), 0u) << c.name;
    EXPECT_EQ(HeadlessSetPixelCalls(), 0u) << c.name;
    EXPECT_EQ(TimesPrinted(kHeading), 1) << c.name;
    EXPECT_EQ(TimesPrinted(kTermFault), c.messages) << c.name;
    EXPECT_EQ(Offered(FPrompt(1)).size(), c.asked_pair_1 ? 1u : 0u) << c.name;
  }
}

// A key during a drawing ends it at the next colour change, ESC included, and
// the next pass begins.
TEST(ProgramTest, KeyDuringADrawingStartsTheNextPass) {
  for (const char* key : {"\x1b", "a"}) {
    Script s;
    Enter(s, 8);
    Esc(s);
    RunScript(s, {{kFirstDrawingMs + 100, key}});
    EXPECT_EQ(HeadlessScriptLeft(), 0u) << key;
    EXPECT_EQ(HeadlessSetPixelCalls(), 9999u) << key;
    EXPECT_EQ(TimesPrinted(kHeading), 2) << key;
    EXPECT_EQ(Offered(kCountPrompt).size(), 2u) << key;
  }
}

// x*-y translates but fails at every evaluation, with a message each time.
// ESC at the first message ends the drawing; the next pass offers the term.
// With g failing too, ESC at f's message leaves g unevaluated: one message.
TEST(ProgramTest, EscAtACalculationErrorEndsOnlyTheDrawing) {
  for (const char* g : {"y", "+y"}) {
    Script s;
    Answer(s, "1");
    Answer(s, "x*-y");
    Answer(s, g);
    Enter(s);
    Answer(s, "1");
    Esc(s);
    RunScript(s, {{kFirstDrawingMs + 2000, "\x1b"}});
    EXPECT_EQ(HeadlessScriptLeft(), 0u) << g;
    EXPECT_EQ(TimesPrinted(kCalcFault), 1) << g;
    EXPECT_EQ(HeadlessSetPixelCalls(), 0u) << g;
    EXPECT_EQ(TimesPrinted(kHeading), 2) << g;
    EXPECT_EQ(Offered(FPrompt(1)), Strings({kSierpinski1, "x*-y"})) << g;
  }
}

// Closed during such a message: the rest of the drawing shows no message and
// waits for nothing; it runs to its end unseen and the program ends.
TEST(ProgramTest, ClosedWindowLetsAFailingDrawingRunOut) {
  Script s;
  Answer(s, "1");
  Answer(s, "x*-y");
  Answer(s, "y");
  Enter(s);
  RunScript(s, {{kFirstDrawingMs + 2000, nullptr}});
  EXPECT_EQ(TimesPrinted(kCalcFault), 1);
  EXPECT_EQ(HeadlessSetPixelCalls(), 200000u);
  EXPECT_LE(HeadlessClockMs(), kFirstDrawingMs + 2100);
  EXPECT_EQ(TimesPrinted(kHeading), 2);
}

// Cursor up and a click on another row end the g input like Enter: the term
// is confirmed and the next pair is asked.
TEST(ProgramTest, CursorUpOrAClickElsewhereConfirmsTheGTerm) {
  const ScriptedInput endings[] = {{kScriptKey, ExtendedKey(kScanUp)},
                                   {kScriptClick, "", 100, 100}};
  for (const ScriptedInput& ending : endings) {
    Script s;
    Enter(s, 2);
    Type(s, "1+");
    s.push_back(ending);
    Esc(s);
    RunScript(s);
    EXPECT_EQ(HeadlessScriptLeft(), 0u);
    EXPECT_EQ(TimesPrinted(GPrompt(1) + "1+0.5*y"), 1) << ending.kind;
    EXPECT_EQ(Offered(FPrompt(2)).size(), 1u) << ending.kind;
  }
}

TEST(ProgramTest, MirroredRangeDraws) {
  Script s;
  Enter(s, 7);
  Answer(s, "(1,0) - (0,1)");
  RunScript(s);
  EXPECT_EQ(HeadlessSetPixelCalls(), 200000u);
  ASSERT_FALSE(HeadlessPixelLog().empty());
  EXPECT_EQ(HeadlessPixelLog()[0].x, 715);
  EXPECT_EQ(HeadlessPixelLog()[0].y, 315);
}

TEST(RangeTextTest, Reading) {
  struct Case {
    const char* text;
    DisplayRange range;
  };
  const Case cases[] = {
      {"(0,0) - (1,1)", {0, 0, 1, 1}},
      {"0,0-1,1", {0, 0, 1, 1}},
      {"( 0 , 0 ) - ( 1 , 1 )", {0, 0, 1, 1}},
      {"( 0, 0 ) - ( 1, 1.50 )", {0, 0, 1, 1.5}},
      {"(0,1) - (-2,3)", {0, 1, -2, 3}},
      {"(2,0) - (1,1)", {2, 0, 1, 1}},
      {"(1,0) - (1,5)", {1, 0, 1, 5}},
      {"(-2.5,-3) - (4,5)", {-2.5, -3, 4, 5}},
      {"(-.5,-.5) - (2,2.5)", {-0.5, -0.5, 2, 2.5}},
      {"(0,0)-(-1,-1)", {0, 0, -1, -1}},
      // y1's own exponent sign is no separator.
      {"(0,1E-3) - (1,2)", {0, 0.001, 1, 2}},
      {"(0,-1e-3) - (1,2)", {0, -0.001, 1, 2}},
      {"(0,1D+2) - (1,2)", {0, 100, 1, 2}},
      // No digit before the exponent: y1 reads as 0 but still has it.
      {"(0,.E-5) - (1,1)", {0, 0, 1, 1}},
      {"(0,E-5) - (1,1)", {0, 0, 1, 1}},
      {"(0,-.E-5) - (1,1)", {0, 0, 1, 1}},
      // An exponent needs its digits: without them y1 ends before its
      // letter. Without the blanks the first text's exponent is "-1".
      {"(0,1E) - (1,1)", {0, 0.1, 0, 0}},
      {"(0,1E-) - (1,1)", {0, 1, -1, 1}},
      // Missing separators: everything behind them reads as 0.
      {"", {0, 0, 0, 0}},
      {"5", {5, 0, 0, 0}},
      {"(1,2)", {1, 2, 0, 0}},
      {"(1,2) - (3)", {1, 2, 3, 0}},
  };
  for (const Case& c : cases) {
    DisplayRange r = ReadRangeText(c.text);
    EXPECT_EQ(r.x1, c.range.x1) << c.text;
    EXPECT_EQ(r.y1, c.range.y1) << c.text;
    EXPECT_EQ(r.x2, c.range.x2) << c.text;
    EXPECT_EQ(r.y2, c.range.y2) << c.text;
  }
}

TEST(RangeTextTest, WritingReadsBack) {
  struct Case {
    DisplayRange range;
    const char* text;
  };
  const Case cases[] = {
      {{0, 0, 1, 1}, "(0,0) - (1,1)"},
      {{-2.5, -3, 4, 5}, "(-2.5,-3) - (4,5)"},
      {{-0.5, -0.5, 2, 2.5}, "(-.5,-.5) - (2,2.5)"},
      {{0, 0, 0, 0}, "(0,0) - (0,0)"},
      {{0, -1.5e-20, 1e20, 2}, "(0,-1.5E-20) - (1E+20,2)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RangeText(c.range), c.text);
    DisplayRange r = ReadRangeText(RangeText(c.range));
    EXPECT_EQ(r.x1, c.range.x1) << c.text;
    EXPECT_EQ(r.y1, c.range.y1) << c.text;
    EXPECT_EQ(r.x2, c.range.x2) << c.text;
    EXPECT_EQ(r.y2, c.range.y2) << c.text;
  }
}

}  // namespace
