// The passes of the program: the description screen, the pair count, the
// terms of every pair, the display range, then the drawing; again and again
// until an input ends the program.
#include "main/program.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "main/range_text.h"
#include "terms/terms.h"
#include "textscreen/textscreen.h"
#include "title/title.h"

namespace {

const char* const kTitleCredit = "4/18";

const char* const kCountPrompt = "Zahl der Funktionenpaare";
const char* const kCountDefault = "3";
constexpr double kCountRow = 22;
constexpr double kCountColumn = 2;
constexpr double kCountWidth = 10;

constexpr double kFRow = 22;
constexpr double kGRow = 23;
constexpr double kTermColumn = 1;
constexpr double kTermWidth = 50;
// Rows between the echo of one earlier pair and the next.
constexpr double kEarlierPairRows = 3;

const char* const kRangePrompt = "Anzeigebereich ";
constexpr double kRangeRow = 14;
constexpr double kRangeColumn = 2;
constexpr double kRangeWidth = 50;

// The term tables are made for every pair; a count beyond this would only
// exhaust memory before anything could be drawn.
constexpr double kMaxPairs = 10000;

struct TypedPair {
  std::string f;
  std::string g;
};

struct DefaultPair {
  const char* f;
  const char* g;
};

// Offered when the count changed to exactly 1, 2 or 3.
struct BuiltInDefaults {
  double count;
  DefaultPair pairs[3];
  DisplayRange range;
};

constexpr BuiltInDefaults kBuiltIns[] = {
    {1, {{"y-abs(-0.3*x-0.2)*sgn(x)", "2-x"}}, {-2.5, -3, 4, 5}},
    {2, {{"y-abs(-0.3*x-0.2)*sgn(x)", "2-x"}, {"0.5*x+0.5", "0.5*y"}}, {-0.5, -0.5, 2, 2.5}},
    {3, {{"0.5*x", "0.5*y"}, {"0.5*x+0.5", "0.5*y"}, {"0.5*x+0.25", "0.5*y+0.5"}}, {0, 0, 1, 1}},
};

// Everything that outlives one input.
struct ProgramState {
  ScreenFonts fonts;
  double previous_count;
  std::vector<TypedPair> typed;
  std::vector<TermPair> translated;
  DisplayRange range;
};

const BuiltInDefaults* FindBuiltIns(double count) {
  for (const BuiltInDefaults& built_in : kBuiltIns) {
    if (built_in.count == count) return &built_in;
  }
  return nullptr;
}

std::string WithoutSignBlank(std::string text) {
  if (!text.empty() && text[0] == ' ') return text.substr(1);
  return text;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Position behind the number that starts at `at`: sign, digits with at most
// one point, and an exponent when digits follow its letter, as NumberValue
// reads it.
std::size_t SkipNumber(const std::string& text, std::size_t at) {
  std::size_t size = text.size();
  if (at < size && (text[at] == '+' || text[at] == '-')) at++;
  bool seen_point = false;
  while (at < size && (IsDigit(text[at]) || (text[at] == '.' && !seen_point))) {
    if (text[at] == '.') seen_point = true;
    at++;
  }
  if (at < size && std::strchr("EeDd", text[at]) != nullptr) {
    std::size_t digits = at + 1;
    if (digits < size && (text[digits] == '+' || text[digits] == '-')) digits++;
    if (digits < size && IsDigit(text[digits])) {
      while (digits < size && IsDigit(text[digits])) digits++;
      at = digits;
    }
  }
  return at;
}

// One input; false when it ended with ESC (or a closed window).
bool AskLine(const std::string& prompt, const std::string& default_text, double row, double column,
             double width, std::string& answer) {
  double cursor_column = 0;
  std::string result = EditLine(prompt, default_text, row, column, cursor_column, width);
  // The first two characters carry the next row and the cursor column.
  answer = result.size() > 2 ? result.substr(2) : std::string();
  return cursor_column != 0;
}

void PrintAt(double row, const std::string& text) {
  GotoCell(row, kTermColumn);
  PrintText(text);
  NewLine();
}

// The two pairs before pair i stay in view above its inputs.
void ShowEarlierPairs(const std::vector<TypedPair>& typed, std::size_t i) {
  std::size_t first = i > 2 ? i - 2 : 1;
  for (std::size_t j = first; j < i; j++) {
    double row = kFRow - kEarlierPairRows * static_cast<double>(i - j);
    std::string number = NumberText(static_cast<double>(j));
    ClearRow(row);
    ClearRow(row + 1);
    PrintAt(row, number + ".Term x = " + typed[j - 1].f);
    PrintAt(row + 1, number + ".Term y = " + typed[j - 1].g);
  }
}

// Asks for both terms of pair i (from 1) and translates them; false when the
// program is to end.
bool AskPair(ProgramState& state, std::size_t i, const BuiltInDefaults* built_in) {
  TypedPair& typed = state.typed[i - 1];
  std::string f_default = typed.f;
  std::string g_default = typed.g;
  if (built_in != nullptr) {
    f_default = built_in->pairs[i - 1].f;
    g_default = built_in->pairs[i - 1].g;
  }
  ShowEarlierPairs(state.typed, i);
  ClearRow(kFRow);
  ClearRow(kGRow);

  std::string number = NumberText(static_cast<double>(i));
  std::string f_prompt = number + ".Term [x=] f(x,y)";
  if (!AskLine(f_prompt, f_default, kFRow, kTermColumn, kTermWidth, typed.f)) return false;
  ClearRow(kFRow);
  PrintAt(kFRow, f_prompt + ": " + typed.f);

  std::string g_prompt = number + ".Term [y=] g(x,y)";
  if (!AskLine(g_prompt, g_default, kGRow, kTermColumn, kTermWidth, typed.g)) return false;
  ClearRow(kGRow);
  PrintAt(kGRow, g_prompt + ": " + typed.g);

  // Both before either is tested, so that each faulty term gets its message.
  TermPair& translated = state.translated[i - 1];
  translated.f = TranslateTerm(typed.f);
  translated.g = TranslateTerm(typed.g);
  return !translated.f.empty() && !translated.g.empty();
}

// One pass from the description screen to the end of the drawing; false when
// an input ended the program.
bool RunPass(ProgramState& state) {
  ShowDescription(state.fonts.text, state.fonts.heading);

  std::string answer;
  if (!AskLine(kCountPrompt, kCountDefault, kCountRow, kCountColumn, kCountWidth, answer)) {
    return false;
  }
  double n = NumberValue(answer);
  // 0 (also no number at all) ends the program; so do counts no table can be
  // made for: fractions below 1, negative, huge or not finite counts.
  if (!(n >= 1 && n <= kMaxPairs)) return false;

  // A fractional count makes tables for its whole-number part only.
  std::size_t pairs = static_cast<std::size_t>(std::floor(n));
  bool count_changed = n != state.previous_count;
  state.translated.assign(pairs, TermPair{});
  if (count_changed) state.typed.assign(pairs, TypedPair{});
  const BuiltInDefaults* built_in = count_changed ? FindBuiltIns(n) : nullptr;
  if (built_in != nullptr) state.range = built_in->range;

  for (std::size_t i = 1; i <= pairs; i++) {
    if (!AskPair(state, i, built_in)) return false;
  }

  if (!AskLine(kRangePrompt, RangeText(state.range), kRangeRow, kRangeColumn, kRangeWidth,
               answer)) {
    return false;
  }
  state.range = ReadRangeText(answer);
  state.previous_count = n;
  const DisplayRange& range = state.range;
  if (range.x1 == range.x2 || range.y1 == range.y2) return false;

  PlotPoints(n, state.translated, state.range);
  return true;
}

}  // namespace

std::string RangeText(const DisplayRange& range) {
  std::string text = "(";
  text += WithoutSignBlank(NumberText(range.x1));
  text += ",";
  text += WithoutSignBlank(NumberText(range.y1));
  text += ") - (";
  text += WithoutSignBlank(NumberText(range.x2));
  text += ",";
  text += WithoutSignBlank(NumberText(range.y2));
  text += ")";
  return text;
}

DisplayRange ReadRangeText(std::string text) {
  std::string t;
  for (char c : text) {
    if (c != '(' && c != ')' && c != ' ') t += c;
  }
  std::string_view view = t;
  DisplayRange range = {0, 0, 0, 0};
  range.x1 = NumberValue(view);

  std::size_t comma = t.find(',');
  if (comma == std::string::npos) return range;
  range.y1 = NumberValue(view.substr(comma + 1));

  // The "-" between the points is searched only behind y1 itself, so that a
  // negative y1 is not taken for it.
  std::size_t dash = t.find('-', SkipNumber(t, comma + 1));
  if (dash == std::string::npos) return range;
  range.x2 = NumberValue(view.substr(dash + 1));

  std::size_t second_comma = t.find(',', dash + 1);
  if (second_comma == std::string::npos) return range;
  range.y2 = NumberValue(view.substr(second_comma + 1));
  return range;
}

void RunProgram() {
  ProgramState state = {};
  state.fonts = StartUp();
  ShowTitle(kProgramCaption, kTitleCredit);
  state.previous_count = 0;
  state.range = {0, 0, 0, 0};
  while (RunPass(state)) {
  }
}
