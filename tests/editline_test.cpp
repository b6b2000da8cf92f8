// The line editor: its decisions driven event by event, and whole calls on
// the headless surface with the 16 pt text font (cells of 13 x 24 pixels).
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/headless/headless.h"
#include "test_screen.h"
#include "textscreen/editline_internal.h"
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

// Input events as WaitInput gives them.
std::string Key(const std::string& key) {
  return key;
}
std::string Ext(unsigned char scan) {
  return ExtendedKey(scan);
}
std::string ClickCell(int row, int column) {
  return {'\0', static_cast<char>(column), static_cast<char>(row)};
}
// A closed window reads as ESC.
std::string Close() {
  return "\x1b";
}

const std::string kEnter = Key("\r");
const std::string kEsc = Key("\x1b");
const std::string kBackspace = Key("\b");
const std::string kUp = Ext(kScanUp);
const std::string kLeft = Ext(kScanLeft);
const std::string kRight = Ext(kScanRight);
const std::string kDown = Ext(kScanDown);
const std::string kInsert = Ext(kScanInsert);
const std::string kDelete = Ext(kScanDelete);
const std::string kHome = Ext(kScanHome);

using Events = std::vector<std::string>;

Events Repeat(const std::string& event, int times) {
  return Events(times, event);
}

Events Join(std::initializer_list<Events> parts) {
  Events all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The same events typed into the headless window.
std::vector<ScriptedInput> Script(const Events& events) {
  std::vector<ScriptedInput> script;
  for (const std::string& event : events) script.push_back({kScriptKey, event});
  return script;
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
  Events events;
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
// events; then the result, the cursor column out, the last drawing of the
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

class EditLineCases : public ::testing::TestWithParam<EditCase> {};

// The editor's decisions, event by event, as EditLine takes them: it draws
// the field, waits for an event and acts on it until one ends the input.
TEST_P(EditLineCases, EventsGiveResultAndField) {
  const EditCase& c = GetParam();
  Field field = StartField(c.prompt, c.default_text, c.row, c.column, c.cursor_in, c.width);
  std::string shown;
  std::string cursor_char;
  double cursor_drawn = 0;
  bool ended = false;
  for (std::size_t i = 0; !ended; ++i) {
    shown = ShownText(field);
    cursor_char = CursorText(field);
    cursor_drawn = field.edit.cursor_column;
    // Events that have run out: the window closes, which reads as ESC.
    ended = ApplyEvent(field, i < c.events.size() ? c.events[i] : Close());
  }
  EXPECT_EQ(ResultOf(field), c.result);
  EXPECT_EQ(field.edit.cursor_column, c.cursor_out);
  EXPECT_EQ(shown, c.field_shown);
  EXPECT_EQ(cursor_char, c.cursor_char);
  EXPECT_EQ(cursor_drawn, c.cursor_drawn);
}

INSTANTIATE_TEST_SUITE_P(Scripts, EditLineCases, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EditCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p; ++p) {
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           }
                           return name;
                         });

// One whole call on the surface: the prompt, the field, the key that ends it,
// and what it returns.
TEST_F(EditLineTest, PairCountPromptLayout) {
  HeadlessScript(Script({kEnter}));
  double cursor = 0;
  EXPECT_EQ(EditLine(kPairs, "3", 22, 2, cursor, 10), Result(23, 28, "3"));
  EXPECT_EQ(cursor, 28);
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
  HeadlessScript(Script({kLeft, kDown}));
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
  HeadlessScript(Script({Key("a"), Key("b"), kRight, kEnter}));
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
    HeadlessScript(Script({Key("a"), kBackspace, kDelete, Key("b"), kEnter}));
    double cursor = 0;
    std::string result = EditLine("W", "xyz", 2, 1, cursor, width);
    EXPECT_EQ(static_cast<unsigned char>(result[0]), 3) << width;
    EXPECT_EQ(cursor, 4) << width;
  }
}

}  // namespace
