// The passes of the program: the description screen, the pair count, the
// terms of every pair, the display range, then the drawing; again and again
// until an input ends the program.
#include "main/program.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "main/range_text.h"
#include "terms/terms.h"
#include "textscreen/textscreen.h"
#include "title/title.h"

namespace {

const char* const kTitleCredit = "4/18";

const char* const kCountPrompt = "Zahl der Funktionenpaare";
const char* const kCountDefault = "3";
const char* const kRangePrompt = "Anzeigebereich ";
// Rows between the echo of one earlier pair and the next.
constexpr double kEarlierPairRows = 3;

// The term tables are made for every pair; a count beyond this would only
// exhaust memory before anything could be drawn.
constexpr double kMaxPairs = 10000;

struct TypedPair {
  std::string f;
  std::string g;
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

// One input; false when it ended with ESC (or a closed window).
bool AskLine(const std::string& prompt, const std::string& default_text, const InputField& field,
             std::string& answer) {
  double cursor_column = 0;
  std::string result =
      EditLine(prompt, default_text, field.row, field.column, cursor_column, field.width);
  // The first two characters carry the next row and the cursor column.
  answer = result.size() > 2 ? result.substr(2) : std::string();
  return cursor_column != 0;
}

void PrintAt(double row, const std::string& text) {
  GotoCell(row, kFTermField.column);
  PrintText(text);
  NewLine();
}

// The two pairs before pair i stay in view above its inputs.
void ShowEarlierPairs(const std::vector<TypedPair>& typed, std::size_t i) {
  std::size_t first = i > 2 ? i - 2 : 1;
  for (std::size_t j = first; j < i; j++) {
    double row = kFTermField.row - kEarlierPairRows * static_cast<double>(i - j);
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
  ClearRow(kFTermField.row);
  ClearRow(kGTermField.row);

  std::string number = NumberText(static_cast<double>(i));
  std::string f_prompt = number + ".Term [x=] f(x,y)";
  if (!AskLine(f_prompt, f_default, kFTermField, typed.f)) return false;
  ClearRow(kFTermField.row);
  PrintAt(kFTermField.row, f_prompt + ": " + typed.f);

  std::string g_prompt = number + ".Term [y=] g(x,y)";
  if (!AskLine(g_prompt, g_default, kGTermField, typed.g)) return false;
  ClearRow(kGTermField.row);
  PrintAt(kGTermField.row, g_prompt + ": " + typed.g);

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
  if (!AskLine(kCountPrompt, kCountDefault, kCountField, answer)) return false;
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

  if (!AskLine(kRangePrompt, RangeText(state.range), kRangeField, answer)) return false;
  state.range = ReadRangeText(answer);
  state.previous_count = n;
  const DisplayRange& range = state.range;
  if (range.x1 == range.x2 || range.y1 == range.y2) return false;

  PlotPoints(n, state.translated, state.range);
  return true;
}

}  // namespace

void RunProgram() {
  ProgramState state = {};
  state.fonts = StartUp();
  ShowTitle(kProgramCaption, kTitleCredit);
  state.previous_count = 0;
  state.range = {0, 0, 0, 0};
  while (RunPass(state)) {
  }
}
