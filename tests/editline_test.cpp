// The line editor driven by scripted keys and clicks on the headless surface,
// with the 16 pt text font (cells of 13 x 24 pixels).
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/headless.h"
#include "test_screen.h"
#include "textscreen/textscreen.h"

namespace {

const Color kBlack = Rgb(0, 0, 0);
const Color kWhite = Rgb(255, 255, 255);
const Color kLightGrey = Rgb(208, 208, 208);
constexpr int kCellWidth = 13;
constexpr int kCellHeight = 24;

class EditLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OpenTextScreen();
    ClearWindow(kLightGrey);
  }
};

ScriptedInput Key(const std::string& key) {
  return {kScriptKey, key};
}
ScriptedInput Ext(int scan) {
  return {kScriptKey, std::string(1, '\0') + static_cast<char>(scan)};
}
// A click near the middle of a cell.
ScriptedInput ClickCell(int row, int column) {
  return {kScriptClick, "", (column - 1) * kCellWidth + 6.0, (row - 1) * kCellHeight + 12.0};
}
ScriptedInput Close() {
  return {kScriptClose, ""};
}

const ScriptedInput kEnter = Key("\r");
const ScriptedInput kEsc = Key("\x1b");
const ScriptedInput kBackspace = Key("\b");
const ScriptedInput kUp = Ext(72);
const ScriptedInput kLeft = Ext(75);
const ScriptedInput kRight = Ext(77);
const ScriptedInput kDown = Ext(80);
const ScriptedInput kInsert = Ext(82);
const ScriptedInput kDelete = Ext(83);
const ScriptedInput kHome = Ext(71);

std::vector<ScriptedInput> Repeat(const ScriptedInput& input, int times) {
  return std::vector<ScriptedInput>(times, input);
}

std::vector<ScriptedInput> Join(std::initializer_list<std::vector<ScriptedInput>> parts) {
  std::vector<ScriptedInput> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::string Result(int next_row, int cursor_column, const std::string& text) {
  std::string result;
  result += static_cast<char>(static_cast<unsigned char>(next_row));
  result += static_cast<char>(static_cast<unsigned char>(cursor_column));
  return result + text;
}

// The last field and cursor cell drawn: the field in white on black, the
// cursor cell in black on white.
const PrintedText* LastPrintIn(Color foreground, Color background) {
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  for (auto entry = log.rbegin(); entry != log.rend(); ++entry) {
    if (entry->foreground == foreground && entry->background == background) return &*entry;
  }
  return nullptr;
}

struct EditCase {
  const char* name;
  std::string prompt;
  std::string default_text;
  double row, column, cursor_in, width;
  std::vector<ScriptedInput> script;
  std::string result;
  double cursor_out;
  std::string field_shown;  // last drawing of the field
  double cursor_drawn;      // screen column of the last cursor cell drawn
  std::string cursor_char;
};

// Pair-count prompt: "Zahl der Funktionenpaare: " from column 2, field at
// columns 28 to 37.
const std::string kPairs = "Zahl der Funktionenpaare";

// Each case: prompt, default text, row, column, cursor column in, width; the
// script; then the result, the cursor column out, the last drawing of the
// field, and the column and character of the last cursor cell drawn.
// clang-format off
const EditCase kCases[] = {
    {"pair count confirmed", kPairs, "3", 22, 2, 0, 10, {kEnter},
     Result(23, 28, "3"), 28, "3 ", 28, "3"},
    {"insert goes in front", kPairs, "3", 22, 2, 0, 10, {Key("5"), kEnter},
     Result(23, 28, "53"), 28, "53 ", 29, "3"},
    {"overwrite after Insert", kPairs, "3", 22, 2, 0, 10, {kInsert, Key("5"), kEnter},
     Result(23, 28, "5"), 28, "5 ", 29, " "},
    {"typing behind the text appends", kPairs, "3", 22, 2, 0, 10,
     {kRight, Key("2"), Key("1"), kDown},
     Result(23, 31, "321"), 31, "321 ", 31, " "},
    {"full field pushes its last character out", kPairs, "0123456789", 22, 2, 0, 10,
     Join({{Key("x")}, Repeat(kRight, 12), {kDown}}),
     Result(23, 37, "x012345678"), 37, "x012345678", 37, "8"},
    {"cursor stops at the tenth cell", kPairs, "0123456789", 22, 2, 0, 10,
     Join({Repeat(kRight, 15), {kDown}}),
     Result(23, 37, "0123456789"), 37, "0123456789", 37, "9"},
    {"cursor left stops at the field start", kPairs, "abc", 22, 2, 29, 10,
     Join({Repeat(kLeft, 4), {kUp}}),
     Result(21, 28, "abc"), 28, "abc ", 28, "a"},
    {"overwrite behind the text appends", kPairs, "3", 22, 2, 0, 10,
     {kInsert, kRight, Key("x"), kDown},
     Result(23, 30, "3x"), 30, "3x ", 30, " "},
    {"backspace behind the text", kPairs, "abc", 22, 2, 31, 10, {kBackspace, kDown},
     Result(23, 30, "ab"), 30, "ab  ", 30, " "},
    {"backspace in the middle keeps the length", kPairs, "abc", 22, 2, 30, 10, {kBackspace, kDown},
     Result(23, 29, "ac"), 29, "ac  ", 29, "c"},
    {"backspace on the first cell does nothing", kPairs, "abc", 22, 2, 0, 10, {kBackspace, kEnter},
     Result(23, 28, "abc"), 28, "abc ", 28, "a"},
    {"delete in the middle", kPairs, "abc", 22, 2, 29, 10, {kDelete, kDown},
     Result(23, 29, "ac"), 29, "ac ", 29, "c"},
    {"delete behind the text does nothing", kPairs, "abc", 22, 2, 31, 10, {kDelete, kDown},
     Result(23, 31, "abc"), 31, "abc ", 31, " "},
    {"other extended keys are ignored", kPairs, "abc", 22, 2, 29, 10, {kHome, Ext(79), kDown},
     Result(23, 29, "abc"), 29, "abc ", 29, "b"},
    {"ESC keeps the text as it was", kPairs, "3", 22, 2, 0, 10, {Key("x"), kEsc},
     Result(0, 0, "x3"), 0, "x3 ", 29, "3"},
    {"closed window ends as ESC", kPairs, "3", 22, 2, 0, 10, {Key("7"), Close()},
     Result(0, 0, "73"), 0, "73 ", 29, "3"},
    {"end of the script closes the window", kPairs, "3", 22, 2, 0, 10, {},
     Result(0, 0, "3"), 0, "3 ", 28, "3"},
    {"cursor up on row 1 stays on row 1", "Wert", "1", 1, 1, 0, 5, {kUp},
     Result(1, 7, "1"), 7, "1 ", 7, "1"},
    {"cursor up below row 1", "Wert", "1", 4, 1, 0, 5, {kUp},
     Result(3, 7, "1"), 7, "1 ", 7, "1"},
    {"click on the own row moves the cursor", kPairs, "abc", 22, 2, 0, 10,
     {ClickCell(22, 29), Key("x"), kDown},
     Result(23, 30, "axbc"), 30, "axbc ", 30, "b"},
    {"click far behind the text stops one cell behind it", kPairs, "abc", 22, 2, 0, 10,
     {ClickCell(22, 36), Key("d"), kDown},
     Result(23, 32, "abcd"), 32, "abcd ", 32, " "},
    {"click on the prompt goes to the field start", kPairs, "abc", 22, 2, 30, 10,
     {ClickCell(22, 5), kDown},
     Result(23, 28, "abc"), 28, "abc ", 28, "a"},
    {"click on another row ends there", kPairs, "3", 22, 2, 0, 10, {ClickCell(5, 40)},
     Result(5, 40, "3"), 40, "3 ", 28, "3"},
    {"mask of digits around a fixed blank", "Zeit|DD DD", "12 34", 3, 1, 0, 5,
     {Key("5"), Key("a"), Key("6"), Key("7"), kBackspace, kDelete, kDown},
     Result(4, 9, "56 34"), 9, "56 34", 9, " "},
    {"mask skips leading fixed cells at the start", "Wert| DD", " 12", 3, 1, 0, 5,
     {Key("9"), kDown},
     Result(4, 9, " 92"), 9, " 92 ", 9, "2"},
    {"hexadecimal mask", "Hex|HH", "00", 3, 1, 0, 5, {Key("f"), Key("F"), Key("G"), Key("1"), kUp},
     Result(2, 8, "F1"), 8, "F1 ", 8, " "},
    {"binary mask", "Bit|BB", "00", 3, 1, 0, 5, {Key("2"), Key("1"), kEnter},
     Result(4, 6, "10"), 6, "10 ", 7, "0"},
    {"other mask characters accept anything", "Code|XX", "00", 3, 1, 0, 5,
     {Key("#"), Key("z"), kEnter},
     Result(4, 7, "#z"), 7, "#z ", 9, " "},
    {"empty mask is fixed mode", "Name|", "ab", 3, 1, 0, 5,
     {Key("x"), Key("y"), Key("z"), kBackspace, kDelete, kEnter},
     Result(4, 7, "xy"), 7, "xy ", 9, " "},
    {"insert has no effect in fixed mode", "Name|", "ab", 3, 1, 0, 5, {kInsert, Key("q"), kEnter},
     Result(4, 7, "qb"), 7, "qb ", 8, "b"},
    {"trailing blanks dropped, leading kept", kPairs, "", 22, 2, 0, 10,
     {Key(" "), Key("a"), Key(" "), Key(" "), kEnter},
     Result(23, 28, " a"), 28, " a   ", 32, " "},
    {"prompt with a colon gets nothing appended", "x:", "", 3, 4, 0, 5, {kEnter},
     Result(4, 6, ""), 6, " ", 6, " "},
    {"prompt with a question mark gets nothing appended", "Weiter?", "j", 3, 1, 0, 5, {kEnter},
     Result(4, 8, "j"), 8, "j ", 8, "j"},
    {"empty prompt: the field starts at the column", "", "ok", 3, 4, 0, 5, {kEnter},
     Result(4, 4, "ok"), 4, "ok ", 4, "o"},
    {"long default stays whole until edited", kPairs, "abcdefghijkl", 22, 2, 0, 5, {kEnter},
     Result(23, 28, "abcdefghijkl"), 28, "abcde", 28, "a"},
    {"long default cut by the first typed character", kPairs, "abcdefghijkl", 22, 2, 0, 5,
     {kInsert, Key("Z"), kEnter},
     Result(23, 28, "Zbcde"), 28, "Zbcde", 29, "b"},
    {"width 0 leaves the rest of 75 cells", kPairs, "", 22, 2, 0, 0,
     Join({Repeat(Key("w"), 60), {kDown}}),
     Result(23, 76, std::string(49, 'w')), 76, std::string(49, 'w'), 76, "w"},
    {"a column above 127 survives as a byte", "", "", 2, 140, 0, 3, {kEnter},
     Result(3, 140, ""), 140, " ", 140, " "},
    {"fractional row and column", kPairs, "3", 5.5, 2.5, 0, 10,
     {ClickCell(5, 30), Key("1"), kDown},
     Result(6, 30, "31"), 30.5, "31 ", 30.5, " "},
};
// clang-format on

class EditLineCases : public EditLineTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditLineCases, ScriptGivesResultAndScreen) {
  const EditCase& c = GetParam();
  HeadlessScript(c.script);
  double cursor = c.cursor_in;
  std::string result = EditLine(c.prompt, c.default_text, c.row, c.column, cursor, c.width);
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(cursor, c.cursor_out);

  const PrintedText* field = LastPrintIn(kWhite, kBlack);
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text, c.field_shown);
  const PrintedText* cursor_cell = LastPrintIn(kBlack, kWhite);
  ASSERT_NE(cursor_cell, nullptr);
  EXPECT_EQ(cursor_cell->text, c.cursor_char);
  EXPECT_EQ(cursor_cell->x, static_cast<int>(std::nearbyint((c.cursor_drawn - 1) * kCellWidth)));
  EXPECT_EQ(cursor_cell->y, static_cast<int>(std::nearbyint((c.row - 1) * kCellHeight)));
}

INSTANTIATE_TEST_SUITE_P(Scripts, EditLineCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EditCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p; ++p) {
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

TEST_F(EditLineTest, PairCountPromptLayout) {
  HeadlessScript({kEnter});
  double cursor = 0;
  EditLine(kPairs, "3", 22, 2, cursor, 10);
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0].text, "Zahl der Funktionenpaare: ");
  EXPECT_EQ(log[0].x, 13);
  EXPECT_EQ(log[0].y, 504);
  EXPECT_EQ(log[0].foreground, kBlack);
  EXPECT_EQ(log[0].background, kLightGrey);
  EXPECT_EQ(log[1].text, std::string(10, ' '));
  EXPECT_EQ(log[1].x, 27 * kCellWidth);
  EXPECT_EQ(log[1].foreground, kWhite);
  EXPECT_EQ(log[1].background, kBlack);

  // The field covers columns 28 to 37 in black, the cursor cell in white.
  EXPECT_EQ(HeadlessPixel(27 * kCellWidth - 1, 21 * kCellHeight + 1), kLightGrey);
  EXPECT_EQ(HeadlessPixel(30 * kCellWidth, 21 * kCellHeight + 1), kBlack);
  EXPECT_EQ(HeadlessPixel(37 * kCellWidth - 1, 21 * kCellHeight + 1), kBlack);
  EXPECT_EQ(HeadlessPixel(37 * kCellWidth, 21 * kCellHeight + 1), kLightGrey);
  EXPECT_EQ(HeadlessPixel(27 * kCellWidth, 21 * kCellHeight + 1), kWhite);

  // Afterwards the colours are black on light grey.
  PrintText("x");
  EXPECT_EQ(log.back().foreground, kBlack);
  EXPECT_EQ(log.back().background, kLightGrey);
}

TEST_F(EditLineTest, StartingCursorIsDrawnWhereTheCallerPutIt) {
  // Far right of a short text: drawn there first, pulled back by the first event.
  HeadlessScript({kLeft, kDown});
  double cursor = 35;
  std::string result = EditLine(kPairs, "3", 22, 2, cursor, 10);
  const std::vector<PrintedText>& log = HeadlessPrintLog();
  bool drawn_at_35 = false;
  for (const PrintedText& entry : log) {
    if (entry.background == kWhite && entry.x == 34 * kCellWidth) drawn_at_35 = true;
  }
  EXPECT_TRUE(drawn_at_35);
  EXPECT_EQ(result, Result(23, 29, "3"));
  EXPECT_EQ(cursor, 29);
}

TEST_F(EditLineTest, NoRoomForTheFieldStillGivesOneCell) {
  // A prompt of 80 characters leaves a width of -5 cells; one cell is kept.
  HeadlessScript({Key("a"), Key("b"), kRight, kEnter});
  double cursor = 0;
  std::string result = EditLine(std::string(78, 'p'), "", 1, 1, cursor, 0);
  EXPECT_EQ(result, Result(2, 81, "b"));
  EXPECT_EQ(cursor, 81);
  EXPECT_EQ(LastPrintIn(kWhite, kBlack)->text, "b");
}

TEST_F(EditLineTest, SenselessWidthsDoNotBreakTheField) {
  const double widths[] = {-3, 0.2, 1e300, std::nan("")};
  for (double width : widths) {
    OpenTextScreen();
    HeadlessScript({Key("a"), kBackspace, kDelete, Key("b"), kEnter});
    double cursor = 0;
    std::string result = EditLine("W", "xyz", 2, 1, cursor, width);
    EXPECT_EQ(static_cast<unsigned char>(result[0]), 3) << width;
    EXPECT_EQ(cursor, 4) << width;
  }
}

}  // namespace
