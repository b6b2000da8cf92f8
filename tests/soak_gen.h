// Random input for the soak tests: terms, pair counts, range texts, and the
// keys and clicks that type them into the program's input fields. Everything
// is drawn from one seeded generator, so a failing run can be replayed.
//
// A drawing costs 402000 evaluations, and a term that translates but cannot
// be evaluated shows " Rechenfehler " at every one of them (4 s each on the
// virtual clock, two screen copies each in real time): one such drawing would
// take minutes. So the scenarios keep such terms out of every pass that can
// reach its drawing: a pass that draws gets sound terms only, and every other
// pass has its script end (ESC, a closed window, or nothing more typed) at or
// before the range input.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "display/display.h"
#include "display/headless/headless.h"
#include "main/program.h"

namespace soak {

using Rng = std::mt19937_64;

// The program's input fields: row and width in cells.
constexpr int kCountRow = static_cast<int>(kCountField.row);
constexpr int kCountWidth = static_cast<int>(kCountField.width);
constexpr int kFTermRow = static_cast<int>(kFTermField.row);
constexpr int kGTermRow = static_cast<int>(kGTermField.row);
constexpr int kTermWidth = static_cast<int>(kFTermField.width);
constexpr int kRangeRow = static_cast<int>(kRangeField.row);
constexpr int kRangeWidth = static_cast<int>(kRangeField.width);
// Enough Deletes to empty the range field whatever it offers: four numbers of
// at most 22 characters and the punctuation between them.
constexpr int kRangeClearDeletes = 100;
// Cells of the text screen: 80 columns, 26 rows.
constexpr int kScreenColumns = 80;
constexpr int kScreenRows = 26;
// Passes per run that reach their drawing, at most.
constexpr int kMaxDrawingsPerRun = 3;
// Chance that a pass draws (and the run goes on with another pass); most
// runs end in their first pass, which keeps the number of passes high.
constexpr double kDrawingChance = 0.2;
// Pairs typed at most into a pass whose count asks for thousands.
constexpr int kMaxTypedPairsOfHugeCount = 4;
// The virtual clock: the title stands for 4 s, and a drawing whose 200000
// points all land in the area takes 5 s (25 us each).
constexpr double kTitleMs = 4000;
constexpr double kDrawingMs = 5000;
// Chance that a run with drawings has keys typed at random moments, and how
// many at most.
constexpr double kTimedKeysChance = 0.75;
constexpr int kMaxTimedKeys = 3;
// Share of those keys typed in the first moments after the title.
constexpr double kEarlyKeyChance = 0.5;
constexpr double kEarlyKeysMs = 300;

constexpr char kBackspace = kKeyBackspace;
constexpr char kEnter = kKeyEnter;
constexpr char kEscape = kKeyEsc;

// Size of one text cell in pixels, measured by the test at start.
struct CellSize {
  int width;
  int height;
};

inline int Pick(Rng& rng, int count) {
  return std::uniform_int_distribution<int>(0, count - 1)(rng);
}
inline bool Chance(Rng& rng, double probability) {
  return std::uniform_real_distribution<double>(0, 1)(rng) < probability;
}
template <typename T, std::size_t N>
const T& PickFrom(Rng& rng, const T (&table)[N]) {
  return table[Pick(rng, static_cast<int>(N))];
}

// ---------------------------------------------------------------- terms

constexpr const char* kNumbers[] = {"0",        "1",      "2",    "3",         "0.5",
                                    ".25",      "0,5",    "10",   "1.5",       "0.3",
                                    "1E300",    "1E-300", "1D5",  "1.2.3",     "1E+9999",
                                    "2E3",      "1E-5",   "1E15", "123456789", "123456789012345678",
                                    "0.000001", "7,25"};
// Exponents: 1E300 as a whole exponent is left to kSlowSoundTerms.
constexpr const char* kExponents[] = {
    "0",    "1",   "2",      "3",       "0.5",  ".25",   "0,5",
    "10",   "1.5", "1E-300", "1E+9999", "1E15", "1.2.3", "123456789012345678",
    "7,25", "64",  "65"};
constexpr const char* kVariables[] = {"x", "X", "y", "Y", "z", "Z"};
constexpr const char* kConstants[] = {"pi", "p", "e"};
constexpr const char* kFunctions[] = {"atn", "cos", "sin", "tan", "exp",
                                      "log", "sqr", "abs", "sgn"};
constexpr const char* kSumOperators[] = {"+", "-"};
constexpr const char* kProductOperators[] = {"*", "/"};
// Sound but hard: overflow, huge whole exponents, poles, not-a-number.
constexpr const char* kHardSoundTerms[] = {"x^1E15",
                                           "y^123456789",
                                           "(-2)^0.5",
                                           "0^(-1)",
                                           "1/0",
                                           "log(0)",
                                           "sqr(-1)",
                                           "tan(pi/2)",
                                           "x^x",
                                           "exp(1E300)",
                                           "1E+9999-1E+9999",
                                           "sgn(0/0)",
                                           "x/0*0",
                                           "exp(exp(exp(x)))",
                                           "(-x)^(-0.5)",
                                           "2^1E+9999",
                                           "x^(1/0)",
                                           "0^0",
                                           "1E308*10",
                                           "y^(-1E200)"};
// Sound and slow: whole exponents near the top of the double range take a
// thousand squarings at every evaluation, seconds per drawing.
constexpr const char* kSlowSoundTerms[] = {"x^1E300", "y^(-1E300)"};
// Translated without complaint but failing at every evaluation.
constexpr const char* kUnevaluableTerms[] = {"+x", "x*-y", "x^-2",  "x^sin(y)", "sin sin x",
                                             "2x", ")x(",  "2e3*x", "x^1e300",  "*",
                                             "-",  "x y",  "e2",    "2#x",      "x^cos y"};
// Characters and names outside the term language.
constexpr const char* kJunk[] = {"#", "$",    "?",    "!",    "=",    ";",    "'",    "\"",  "\\",
                                 "|", "~",    "_",    "@",    "Q",    "SIN",  "ln",   "co",  "LOG",
                                 "w", "\xE4", "\xFC", "\xB2", "\x80", "\xFF", "\xE3", "[",   "]",
                                 "{", "}",    "(",    ")",    "+",    "*",    "^",    "sinh"};

inline std::string Blank(Rng& rng) {
  return Chance(rng, 0.12) ? " " : "";
}

inline std::string SoundExpression(Rng& rng, int depth, bool may_start_with_sign);

// One operand; behind "^" (allow_function false) no bare function, which
// would take the power's operand away. Functions always take parentheses, and
// a sign only ever follows "(" and never another sign: otherwise the term
// translates into something that cannot be evaluated.
inline std::string SoundOperand(Rng& rng, int depth, bool allow_function) {
  constexpr int kLeafKinds = 3;
  constexpr int kAllKinds = 6;
  int kind = Pick(rng, depth <= 0 ? kLeafKinds : kAllKinds);
  if (kind == 3 && !allow_function) kind = 4;
  switch (kind) {
    case 0:
      return allow_function ? PickFrom(rng, kNumbers) : PickFrom(rng, kExponents);
    case 1:
      return PickFrom(rng, kVariables);
    case 2:
      return PickFrom(rng, kConstants);
    case 3:
      return PickFrom(rng, kFunctions) + Blank(rng) + "(" + SoundExpression(rng, depth - 1, true) +
             ")";
    case 4:
      return "(" + SoundExpression(rng, depth - 1, true) + ")";
    default:
      return "(-" + SoundExpression(rng, depth - 1, false) + ")";
  }
}

inline std::string SoundPower(Rng& rng, int depth) {
  std::string text = SoundOperand(rng, depth, true);
  if (Chance(rng, 0.2)) text += Blank(rng) + "^" + Blank(rng) + SoundOperand(rng, depth, false);
  return text;
}

inline std::string SoundProduct(Rng& rng, int depth) {
  std::string text = SoundPower(rng, depth);
  for (int more = Pick(rng, 3); more > 0; --more)
    text += Blank(rng) + PickFrom(rng, kProductOperators) + Blank(rng) + SoundPower(rng, depth);
  return text;
}

inline std::string SoundExpression(Rng& rng, int depth, bool may_start_with_sign) {
  std::string text = may_start_with_sign && Chance(rng, 0.1) ? "-" : "";
  text += SoundProduct(rng, depth);
  for (int more = Pick(rng, 3); more > 0; --more)
    text += Blank(rng) + PickFrom(rng, kSumOperators) + Blank(rng) + SoundProduct(rng, depth);
  return text;
}

// A term that translates and evaluates at every point (its value may well be
// infinite or not a number), short enough for the field.
inline std::string SoundTerm(Rng& rng, int max_depth) {
  if (Chance(rng, 0.003)) return PickFrom(rng, kSlowSoundTerms);
  if (Chance(rng, 0.05)) return PickFrom(rng, kHardSoundTerms);
  for (;;) {
    std::string text = SoundExpression(rng, Pick(rng, max_depth + 1), true);
    if (text.size() <= static_cast<std::size_t>(kTermWidth)) return text;
  }
}

// A term the translation must reject: junk and operands mixed, and an
// unbalanced parenthesis at the end, which alone makes it fault.
inline std::string RejectedTerm(Rng& rng) {
  std::string text;
  for (int pieces = 1 + Pick(rng, 4); pieces > 0; --pieces)
    text += Blank(rng) + (Chance(rng, 0.5) ? PickFrom(rng, kJunk) : SoundOperand(rng, 1, true));
  text.resize(std::min<std::size_t>(text.size(), kTermWidth - 1));
  long open = std::count(text.begin(), text.end(), '(') - std::count(text.begin(), text.end(), ')');
  if (open == 0) text += ")";
  return text;
}

enum TermKind { kSoundTerm, kUnevaluableTerm, kRejectedTerm, kEmptyTerm };

inline std::string TermOfKind(Rng& rng, TermKind kind) {
  constexpr const char* kEmptyTerms[] = {"", " ", "   "};
  switch (kind) {
    case kSoundTerm:
      return SoundTerm(rng, 3);
    case kUnevaluableTerm:
      return PickFrom(rng, kUnevaluableTerms);
    case kRejectedTerm:
      return RejectedTerm(rng);
    default:
      return PickFrom(rng, kEmptyTerms);
  }
}

// Any term that may be confirmed in a pass that ends before its drawing.
inline std::string AnyTerm(Rng& rng) {
  constexpr TermKind kMix[] = {kSoundTerm, kSoundTerm, kUnevaluableTerm, kUnevaluableTerm};
  return TermOfKind(rng, PickFrom(rng, kMix));
}

// ---------------------------------------------------------------- counts and ranges

struct CountText {
  const char* text;
  double value;
};
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Counts that lead to a drawing, with the number of pairs they ask for.
constexpr CountText kSmallCounts[] = {{"1", 1},   {"2", 2},     {"3", 3},     {"4", 4},
                                      {"5", 5},   {"2.5", 2.5}, {"1.5", 1.5}, {"3.9999", 3.9999},
                                      {"&H2", 2}, {"2d0", 2},   {" 3", 3},    {"3x", 3},
                                      {"6", 6},   {"+2", 2},    {"1,9", 1}};
// Counts too big to type every pair of.
constexpr CountText kHugeCounts[] = {
    {"10000", 10000}, {"5000", 5000}, {"9999.5", 9999.5}, {"&H2710", 10000}, {"1000", 1000}};
// Counts that end the program at once.
constexpr const char* kEndingCounts[] = {"0",      "",    "abc",     "x3",       "-1",    "-2.5",
                                         "0.5",    ".99", "1E+9999", "-1E+9999", "10001", "1E300",
                                         "&HFFFF", "-0",  "1E-300",  "NaN",      "   ",   "\xE4"};

// Ranges of differing corners (or so odd that reading them may end the program).
constexpr const char* kDrawRanges[] = {"(0,0) - (1,1)",
                                       "0,0-1,1",
                                       "( 0 , 0 ) - ( 1 , 1 )",
                                       "(-1,-1) - (1,1)",
                                       "(1,0) - (0,1)",
                                       "(-2.5,-3) - (4,5)",
                                       "(0,1) - (-2,3)",
                                       "(-1E+9999,-1E+9999) - (1E+9999,1E+9999)",
                                       "(1E+9999,0) - (1,1)",
                                       "(0,0) - (1E-300,1E-300)",
                                       "(-1E300,-1E300) - (1E300,1E300)",
                                       "(0,0) - (1D3,2E-3)",
                                       "1,2",
                                       "(-.5,-.5) - (2,2.5)",
                                       "(&H10,0) - (0,&B11)"};
// Ranges of zero width or height: the program ends without drawing.
constexpr const char* kEqualRanges[] = {"(0,0) - (0,0)", "(1,0) - (1,5)", "(0,2) - (3,2)", "",
                                        "abc",           "(,) - (,)",     "(5,5)-(5,5)",   "---"};
constexpr const char* kRangeNumbers[] = {"0",       "1",        "-1",     "2.5",   "-3",
                                         "1E+9999", "-1E+9999", "1E-300", "1E300", "0.001",
                                         "-0.5",    "NaN",      "7",      ".5",    "-1E-5"};

inline std::string RandomRange(Rng& rng) {
  return std::string("(") + PickFrom(rng, kRangeNumbers) + "," + PickFrom(rng, kRangeNumbers) +
         ") - (" + PickFrom(rng, kRangeNumbers) + "," + PickFrom(rng, kRangeNumbers) + ")";
}

// ---------------------------------------------------------------- keys and clicks

// Extended keys that change no text: Home, Page Up/Down, End, the cursor
// keys left and right, Insert, F1, F2, F10, F11, F12 and a few unused codes.
constexpr int kHarmlessScanCodes[] = {71, 73, 74, 75, 76, 77, 78, 79, 81, 82, 59, 60, 68, 133, 134};
// Extended keys that edit but do not end the input.
constexpr int kEditingScanCodes[] = {71, 73, 74, 75, 76, 77, 78, 79, 81, 82, 83};

inline ScriptedInput Key(std::string key) {
  return {kScriptKey, std::move(key)};
}
inline ScriptedInput Extended(int scan_code) {
  return Key(std::string{'\0', static_cast<char>(scan_code)});
}
inline ScriptedInput CloseWindow() {
  return {kScriptClose, ""};
}

// A click somewhere inside the cell (row, column) of the text screen.
inline ScriptedInput ClickCell(Rng& rng, CellSize cell, int row, int column, bool double_click) {
  double x = (column - 1) * cell.width + Pick(rng, cell.width);
  double y = (row - 1) * cell.height + Pick(rng, cell.height);
  return {kScriptClick, "", x, y, double_click};
}

// A character the window can deliver as text: printable ASCII or a
// Windows-1252 character from 0x80 up.
inline std::string PrintableKey(Rng& rng) {
  constexpr int kFirstAscii = 0x20;
  constexpr int kAsciiCount = 0x7F - 0x20;
  constexpr int kHighCount = 0x100 - 0x80;
  int code = Chance(rng, 0.8) ? kFirstAscii + Pick(rng, kAsciiCount) : 0x80 + Pick(rng, kHighCount);
  return std::string(1, static_cast<char>(code));
}

inline std::vector<ScriptedInput> TypeText(const std::string& text) {
  std::vector<ScriptedInput> keys;
  for (char c : text) keys.push_back(Key(std::string(1, c)));
  return keys;
}

inline void Append(std::vector<ScriptedInput>& to, const std::vector<ScriptedInput>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

// Editing that may change the text but never ends the input: characters,
// backspace, Delete, cursor keys, Insert, clicks anywhere on the field's row.
inline std::vector<ScriptedInput> EditingNoise(Rng& rng, CellSize cell, int row, int count) {
  std::vector<ScriptedInput> keys;
  for (int k = 0; k < count; ++k) {
    switch (Pick(rng, 5)) {
      case 0:
      case 1:
        keys.push_back(Key(PrintableKey(rng)));
        break;
      case 2:
        keys.push_back(Key(std::string(1, kBackspace)));
        break;
      case 3:
        keys.push_back(Extended(PickFrom(rng, kEditingScanCodes)));
        break;
      default:
        keys.push_back(ClickCell(rng, cell, row, 1 + Pick(rng, kScreenColumns), Chance(rng, 0.3)));
        break;
    }
  }
  return keys;
}

// Moves the cursor about without changing the text.
inline std::vector<ScriptedInput> HarmlessNoise(Rng& rng, CellSize cell, int row, int count) {
  std::vector<ScriptedInput> keys;
  for (int k = 0; k < count; ++k) {
    if (Chance(rng, 0.7))
      keys.push_back(Extended(PickFrom(rng, kHarmlessScanCodes)));
    else
      keys.push_back(ClickCell(rng, cell, row, 1 + Pick(rng, kScreenColumns), Chance(rng, 0.3)));
  }
  return keys;
}

// Confirms the input: Enter mostly, else cursor up or down or a single click
// on another row. (A double click there would leave its second report for
// the next input.)
inline ScriptedInput Confirmation(Rng& rng, CellSize cell, int row) {
  int choice = Pick(rng, 10);
  if (choice < 7) return Key(std::string(1, kEnter));
  if (choice == 7) return Extended(kScanUp);
  if (choice == 8) return Extended(kScanDown);
  int other = 1 + Pick(rng, kScreenRows - 1);
  if (other >= row) ++other;
  return ClickCell(rng, cell, other, 1 + Pick(rng, kScreenColumns), false);
}

// Ends the input and with it the program: ESC or the window closed (or, with
// nothing at all, the script running out, which closes the window too).
inline std::vector<ScriptedInput> Abandonment(Rng& rng) {
  int choice = Pick(rng, 3);
  if (choice == 0) return {Key(std::string(1, kEscape))};
  if (choice == 1) return {CloseWindow()};
  return {};
}

// Replaces whatever the field offers by `text` and confirms it. `offered` is
// the length of the default text the field starts with.
inline std::vector<ScriptedInput> EnterText(Rng& rng, CellSize cell, int row, int width,
                                            std::size_t offered, const std::string& text) {
  std::vector<ScriptedInput> keys;
  int deletes = static_cast<int>(offered);
  if (Chance(rng, 0.3)) {
    Append(keys, EditingNoise(rng, cell, row, 1 + Pick(rng, 12)));
    // Back to the first cell: a click left of the field puts the cursor there.
    keys.push_back(ClickCell(rng, cell, row, 1, false));
    deletes = std::max(deletes, width) + 1;
  }
  for (int k = 0; k < deletes; ++k) keys.push_back(Extended(kScanDelete));
  Append(keys, TypeText(text));
  Append(keys, HarmlessNoise(rng, cell, row, Pick(rng, 4)));
  keys.push_back(Confirmation(rng, cell, row));
  return keys;
}

// Confirms what the field offers, after some cursor movement.
inline std::vector<ScriptedInput> KeepText(Rng& rng, CellSize cell, int row) {
  std::vector<ScriptedInput> keys = HarmlessNoise(rng, cell, row, Pick(rng, 4));
  keys.push_back(Confirmation(rng, cell, row));
  return keys;
}

// ---------------------------------------------------------------- passes and runs

// What the generator knows of the program between passes: the count of the
// last pass that drew and the terms typed in it (the defaults of a pass with
// the same count).
struct Model {
  double previous_count = 0;
  std::vector<std::pair<std::string, std::string>> typed;
};

// A key typed when the virtual clock reaches `clock_ms`, whatever the program
// is doing then.
struct TimedKey {
  double clock_ms;
  std::string key;
};

struct Scenario {
  std::vector<ScriptedInput> script;
  std::vector<TimedKey> timed_keys;
  int passes = 0;
  std::string story;  // one line per pass and one for the timed keys
};

// The f and g defaults the program offers for pair `pair` (from 1).
inline std::pair<std::string, std::string> Offered(const Model& model, double count, int pair) {
  if (count == model.previous_count) return model.typed[pair - 1];
  for (const BuiltInDefaults& built_in : kBuiltIns) {
    if (built_in.count == count) return {built_in.pairs[pair - 1].f, built_in.pairs[pair - 1].g};
  }
  return {"", ""};
}

inline std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

inline std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// The count input of a pass; the field always offers "3".
inline void TypeCount(Rng& rng, CellSize cell, Scenario& scenario, const std::string& text) {
  constexpr std::size_t kOfferedCountLength = 1;
  Append(scenario.script, EnterText(rng, cell, kCountRow, kCountWidth, kOfferedCountLength, text));
  scenario.story += "count " + Quoted(text);
}

// A pass that draws: sound terms, then a range (typed, or the offered one
// after some editing; either may still end the program, which is harmless).
inline void DrawingPass(Rng& rng, CellSize cell, Model& model, Scenario& scenario) {
  const CountText& count = PickFrom(rng, kSmallCounts);
  TypeCount(rng, cell, scenario, count.text);
  int pairs = static_cast<int>(count.value);
  std::vector<std::pair<std::string, std::string>> typed;
  for (int pair = 1; pair <= pairs; ++pair) {
    auto offered = Offered(model, count.value, pair);
    std::string f = offered.first;
    std::string g = offered.second;
    if (f.empty() || Chance(rng, 0.6)) {
      f = SoundTerm(rng, 2);
      Append(scenario.script, EnterText(rng, cell, kFTermRow, kTermWidth, offered.first.size(), f));
    } else {
      Append(scenario.script, KeepText(rng, cell, kFTermRow));
    }
    if (g.empty() || Chance(rng, 0.6)) {
      g = SoundTerm(rng, 2);
      Append(scenario.script,
             EnterText(rng, cell, kGTermRow, kTermWidth, offered.second.size(), g));
    } else {
      Append(scenario.script, KeepText(rng, cell, kGTermRow));
    }
    typed.push_back({Trimmed(f), Trimmed(g)});
    scenario.story += ", " + Quoted(f) + " " + Quoted(g);
  }
  if (Chance(rng, 0.75)) {
    std::string range = Chance(rng, 0.5) ? PickFrom(rng, kDrawRanges) : RandomRange(rng);
    Append(scenario.script,
           EnterText(rng, cell, kRangeRow, kRangeWidth, kRangeClearDeletes, range));
    scenario.story += ", range " + Quoted(range);
  } else {
    Append(scenario.script, EditingNoise(rng, cell, kRangeRow, Pick(rng, 6)));
    scenario.script.push_back(Confirmation(rng, cell, kRangeRow));
    scenario.story += ", range edited";
  }
  scenario.story += ", draw\n";
  model.previous_count = count.value;
  model.typed = typed;
}

// Types the terms of pairs 1 .. last of a pass that will not draw.
inline void TypeAnyTerms(Rng& rng, CellSize cell, const Model& model, double count, int last,
                         Scenario& scenario) {
  for (int pair = 1; pair <= last; ++pair) {
    auto offered = Offered(model, count, pair);
    std::string f = AnyTerm(rng);
    std::string g = AnyTerm(rng);
    Append(scenario.script, EnterText(rng, cell, kFTermRow, kTermWidth, offered.first.size(), f));
    Append(scenario.script, EnterText(rng, cell, kGTermRow, kTermWidth, offered.second.size(), g));
    scenario.story += ", " + Quoted(f) + " " + Quoted(g);
  }
}

// The last pass of a run: it ends the program in one of the ways there are.
inline void EndingPass(Rng& rng, CellSize cell, const Model& model, Scenario& scenario) {
  enum Ending {
    kAtCount,     // a count that reads as 0 or is out of bounds
    kLeaveCount,  // ESC or closing at the count
    kHugeCount,   // thousands of pairs asked; a few typed, then left
    kLeaveTerm,   // ESC or closing at an f or g input
    kFaultyTerm,  // a rejected or empty term
    kLeaveRange,  // ESC or closing at the range input
    kEqualRange,  // a range of zero width or height
  };
  constexpr Ending kEndings[] = {kAtCount,    kLeaveCount, kHugeCount, kLeaveTerm,
                                 kFaultyTerm, kLeaveRange, kEqualRange};
  Ending ending = PickFrom(rng, kEndings);

  if (ending == kAtCount) {
    TypeCount(rng, cell, scenario, PickFrom(rng, kEndingCounts));
    scenario.story += ", end\n";
    return;
  }
  if (ending == kLeaveCount) {
    Append(scenario.script, EditingNoise(rng, cell, kCountRow, Pick(rng, 6)));
    Append(scenario.script, Abandonment(rng));
    scenario.story += "leave at count\n";
    return;
  }
  if (ending == kHugeCount) {
    const CountText& count = PickFrom(rng, kHugeCounts);
    TypeCount(rng, cell, scenario, count.text);
    TypeAnyTerms(rng, cell, model, count.value, Pick(rng, kMaxTypedPairsOfHugeCount + 1), scenario);
    Append(scenario.script, Abandonment(rng));
    scenario.story += ", leave\n";
    return;
  }

  const CountText& count = PickFrom(rng, kSmallCounts);
  TypeCount(rng, cell, scenario, count.text);
  int pairs = static_cast<int>(count.value);
  if (ending == kLeaveTerm || ending == kFaultyTerm) {
    int pair = 1 + Pick(rng, pairs);
    TypeAnyTerms(rng, cell, model, count.value, pair - 1, scenario);
    auto offered = Offered(model, count.value, pair);
    bool at_g = Chance(rng, 0.5);
    if (ending == kLeaveTerm) {
      if (at_g) {
        std::string f = AnyTerm(rng);
        Append(scenario.script,
               EnterText(rng, cell, kFTermRow, kTermWidth, offered.first.size(), f));
      }
      Append(scenario.script, EditingNoise(rng, cell, at_g ? kGTermRow : kFTermRow, Pick(rng, 6)));
      Append(scenario.script, Abandonment(rng));
      scenario.story += ", leave at a term\n";
      return;
    }
    // Both terms of the pair are translated before either is tested, so the
    // other term may be anything.
    TermKind fault = Chance(rng, 0.8) ? kRejectedTerm : kEmptyTerm;
    std::string faulty = TermOfKind(rng, fault);
    std::string other = Chance(rng, 0.3) ? TermOfKind(rng, kRejectedTerm) : AnyTerm(rng);
    std::string f = at_g ? other : faulty;
    std::string g = at_g ? faulty : other;
    Append(scenario.script, EnterText(rng, cell, kFTermRow, kTermWidth, offered.first.size(), f));
    Append(scenario.script, EnterText(rng, cell, kGTermRow, kTermWidth, offered.second.size(), g));
    scenario.story += ", faulty " + Quoted(f) + " " + Quoted(g) + "\n";
    return;
  }
  if (ending == kLeaveRange) {
    TypeAnyTerms(rng, cell, model, count.value, pairs, scenario);
    Append(scenario.script, EditingNoise(rng, cell, kRangeRow, Pick(rng, 6)));
    Append(scenario.script, Abandonment(rng));
    scenario.story += ", leave at range\n";
    return;
  }
  // An equal range: should it read otherwise, this pass draws, so its terms
  // must be sound like those of any drawing.
  for (int pair = 1; pair <= pairs; ++pair) {
    auto offered = Offered(model, count.value, pair);
    std::string f = SoundTerm(rng, 2);
    std::string g = SoundTerm(rng, 2);
    Append(scenario.script, EnterText(rng, cell, kFTermRow, kTermWidth, offered.first.size(), f));
    Append(scenario.script, EnterText(rng, cell, kGTermRow, kTermWidth, offered.second.size(), g));
    scenario.story += ", " + Quoted(f) + " " + Quoted(g);
  }
  std::string range = PickFrom(rng, kEqualRanges);
  Append(scenario.script, EnterText(rng, cell, kRangeRow, kRangeWidth, kRangeClearDeletes, range));
  scenario.story += ", range " + Quoted(range) + ", end\n";
}

// Keys typed at random moments of the drawings. Any key ends a drawing at
// its next colour change, but one that comes too late for that stays pending
// and goes to the next input field instead. So these are only keys an input
// field ignores (Home, Page Up/Down, End, F1, F2, F10, F11, F12, unused codes,
// and TAB, which the window drops), or ESC, which ends the run: whatever each
// field gets from the script stays as the scenario planned it. (Letters or
// Enter there would shift the script from field to field and could bring
// terms that fail at every evaluation into a drawing.)
constexpr int kFieldIgnoredScanCodes[] = {71, 73, 74, 76, 78, 79, 81, 59, 60, 68, 133, 134};

inline std::string TimedKeyText(Rng& rng) {
  int choice = Pick(rng, 10);
  if (choice == 0) return std::string(1, kEscape);
  if (choice == 1) return "\t";
  return std::string{'\0', static_cast<char>(PickFrom(rng, kFieldIgnoredScanCodes))};
}

// Times from the end of the title to the end of the last drawing, were every
// point of every drawing in the area. Most drawings of random terms put few
// points in the area and so hardly move the clock: a key whose time never
// comes is never typed, hence many keys soon after the title. Drawn after the
// script, so that the script of a seed is the same with or without them.
inline void ScheduleTimedKeys(Rng& rng, int drawings, Scenario& scenario) {
  if (drawings == 0 || !Chance(rng, kTimedKeysChance)) return;
  std::uniform_real_distribution<double> anywhere(kTitleMs, kTitleMs + drawings * kDrawingMs);
  std::uniform_real_distribution<double> early(kTitleMs, kTitleMs + kEarlyKeysMs);
  std::string line = "timed keys";
  for (int n = 1 + Pick(rng, kMaxTimedKeys); n > 0; --n) {
    double at_ms = Chance(rng, kEarlyKeyChance) ? early(rng) : anywhere(rng);
    TimedKey timed = {at_ms, TimedKeyText(rng)};
    std::string name = timed.key.size() == 2
                           ? "scan " + std::to_string(static_cast<unsigned char>(timed.key[1]))
                       : timed.key[0] == kEscape ? "ESC"
                                                 : "TAB";
    line += ", " + name + " at " + std::to_string(timed.clock_ms) + " ms";
    scenario.timed_keys.push_back(timed);
  }
  scenario.story += line + "\n";
}

// The script of one program run: some passes that draw, then one that ends.
inline Scenario MakeScenario(Rng& rng, CellSize cell) {
  Scenario scenario;
  Model model;
  int drawings = 0;
  while (drawings < kMaxDrawingsPerRun && Chance(rng, kDrawingChance)) {
    DrawingPass(rng, cell, model, scenario);
    ++drawings;
  }
  EndingPass(rng, cell, model, scenario);
  scenario.passes = drawings + 1;
  ScheduleTimedKeys(rng, drawings, scenario);
  return scenario;
}

}  // namespace soak
