// The line editor: a prompt, an input field behind it and the editing keys.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "display/display.h"
#include "textscreen/textscreen.h"

namespace {

constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kLightGrey = 0xD0D0D0;

constexpr double kLineCells = 75;  // prompt plus field when no width is given
// Wider fields than this could not report their cursor column in one
// character code anyway, and a wild width must not allocate without bound.
constexpr double kMaxFieldCells = 255;
// Cursor indexes far beyond any field are held here before they become ints;
// the limits after the first event pull them back into the field.
constexpr double kMaxCursorIndex = 1 << 20;
constexpr double kLastCode = 255;

constexpr char kBackspace = 8;
constexpr char kEnter = 13;
constexpr char kEsc = 27;
constexpr char kMaskSeparator = '|';

// Scan codes of the extended keys the editor acts on.
constexpr unsigned char kScanUp = 72;
constexpr unsigned char kScanLeft = 75;
constexpr unsigned char kScanRight = 77;
constexpr unsigned char kScanDown = 80;
constexpr unsigned char kScanInsert = 82;
constexpr unsigned char kScanDelete = 83;

// Which characters a mask position accepts. A mask character that is not in
// the table accepts everything.
struct MaskClass {
  char mask;
  std::string_view accepted;
};
constexpr MaskClass kMaskClasses[] = {
    {'H', "0123456789ABCDEF"},
    {'D', "0123456789.,-"},
    {'B', "01"},
    {' ', ""},  // a fixed part of the mask: nothing can be typed here
};

// Everything one call works on.
struct Field {
  std::string text;
  std::string mask;
  bool free_mode;
  bool insert_mode;
  double row;
  double start;  // screen column of the first field cell
  int width;     // cells
  int index;     // 1-based text position under the cursor
  double cursor_column;
  double next_row;
};

// Substrings that tolerate any count or position, so that no edit can reach
// outside the text.
std::string Left(const std::string& text, int count) {
  if (count <= 0) return "";
  return text.substr(0, std::min(static_cast<std::size_t>(count), text.size()));
}

std::string From(const std::string& text, int position) {
  if (position < 1) position = 1;
  if (static_cast<std::size_t>(position) > text.size()) return "";
  return text.substr(position - 1);
}

bool Behind(const Field& field) {
  return field.index > static_cast<int>(field.text.size());
}

double Fraction(double value) {
  return value - std::trunc(value);
}

// The text index for a screen column: at least 1, whole, and small enough to
// be an int whatever the column was.
int IndexOfColumn(double column, double start) {
  double index = std::floor(column - start + 1);
  if (!(index >= 1)) return 1;
  return static_cast<int>(std::min(index, kMaxCursorIndex));
}

// Whole-number part of a row or column as one unsigned character code.
char ResultCode(double value) {
  double whole = std::trunc(value);
  if (!(whole >= 0)) whole = 0;
  whole = std::min(whole, kLastCode);
  return static_cast<char>(static_cast<unsigned char>(whole));
}

bool MaskAccepts(const Field& field, char c) {
  if (field.mask.empty() || field.index > static_cast<int>(field.mask.size())) return true;
  char mask = field.mask[field.index - 1];
  for (const MaskClass& entry : kMaskClasses) {
    if (entry.mask == mask) return entry.accepted.find(c) != std::string_view::npos;
  }
  return true;
}

bool MaskIsBlankAt(const Field& field) {
  return field.index <= static_cast<int>(field.mask.size()) && field.mask[field.index - 1] == ' ';
}

void CutToWidth(Field& field) {
  field.text = Left(field.text, field.width);
}

void EnterCharacter(Field& field, char c) {
  if (!MaskAccepts(field, c)) return;
  if (field.free_mode && Behind(field)) {
    field.index = static_cast<int>(field.text.size()) + 1;
    field.text += c;
  } else if (field.free_mode && field.insert_mode) {
    field.text = Left(field.text, field.index - 1) + c + From(field.text, field.index);
  } else if (!Behind(field)) {
    field.text[field.index - 1] = c;
  }
  // The cursor moves on even where nothing could be stored.
  ++field.index;
  CutToWidth(field);
}

// Backspace keeps the length: the rest moves left and a blank fills the end.
void Backspace(Field& field) {
  if (field.free_mode && field.index > 1) {
    field.text = Left(field.text, field.index - 2) + From(field.text, field.index) + " ";
    --field.index;
  }
  CutToWidth(field);
}

void Delete(Field& field) {
  if (field.free_mode && !Behind(field)) {
    field.text = Left(field.text, field.index - 1) + From(field.text, field.index + 1);
  }
}

void ApplyLimits(Field& field) {
  field.index = std::max(field.index, 1);
  field.index = std::min(field.index, static_cast<int>(field.text.size()) + 1);
  field.index = std::min(field.index, field.width);
  field.cursor_column = field.index + field.start - 1;
}

void DrawField(const Field& field) {
  GotoCell(field.row, field.start);
  // The blank behind the text wipes a cell that an edit has just emptied.
  PrintText(Left(field.text + " ", field.width));
  GotoCell(field.row, field.cursor_column);
  SetColors(kBlack, kWhite);
  PrintText(Behind(field) ? std::string(" ") : std::string(1, field.text[field.index - 1]));
  NewLine();
  SetColors(kWhite, kBlack);
}

// Acts on one extended key; true when it ends the input.
bool HandleExtended(Field& field, unsigned char scan) {
  switch (scan) {
    case kScanUp:
      if (field.row - Fraction(field.row) > 1) field.next_row = field.row - 1;
      return true;
    case kScanDown:
      field.next_row = field.row + 1;
      return true;
    case kScanRight:
      ++field.index;
      return false;
    case kScanLeft:
      --field.index;
      return false;
    case kScanInsert:
      field.insert_mode = !field.insert_mode;
      return false;
    case kScanDelete:
      Delete(field);
      return false;
    default:
      return false;
  }
}

}  // namespace

std::string EditLine(std::string prompt, std::string default_text, double row, double column,
                     double& cursor_column, double width) {
  Field field{};
  std::size_t bar = prompt.find(kMaskSeparator);
  field.free_mode = bar == std::string::npos;
  if (!field.free_mode) {
    field.mask = prompt.substr(bar + 1);
    prompt.resize(bar);
  }
  if (!prompt.empty() && prompt.find_first_of(":?") == std::string::npos) prompt += ": ";

  double prompt_cells = static_cast<double>(prompt.size());
  if (width == 0) width = kLineCells - prompt_cells;
  // A field needs at least one cell: a prompt that leaves no room (or a
  // senseless width) still gets a one-cell field rather than nothing to
  // edit and an index outside the text.
  double cells = std::nearbyint(width);
  if (!(cells >= 1)) cells = 1;
  field.width = static_cast<int>(std::min(cells, kMaxFieldCells));

  field.row = row;
  field.next_row = row;
  field.start = column + prompt_cells;
  if (cursor_column < field.start) cursor_column = field.start;
  field.cursor_column = cursor_column;

  GotoCell(row, column);
  SetColors(kBlack, kLightGrey);
  PrintText(prompt);
  SetColors(kWhite, kBlack);
  PrintText(std::string(field.width, ' '));

  field.index = IndexOfColumn(field.cursor_column, field.start);
  field.insert_mode = true;
  field.text = default_text;
  // Only at the start: step over the fixed parts at the front of the mask.
  while (!field.mask.empty() && MaskIsBlankAt(field)) {
    ++field.index;
    ++field.cursor_column;
  }

  // The cursor is drawn first where the caller put it; the limits apply only
  // after each event.
  bool ended = false;
  while (!ended) {
    DrawField(field);
    std::string event = WaitInput();
    if (event.size() == 3 && event[0] == '\0') {
      // A click keeps the field's fractions on its row and column, so that a
      // field on a fractional row still matches clicks on its own row.
      unsigned char clicked_column = static_cast<unsigned char>(event[1]);
      unsigned char clicked_row = static_cast<unsigned char>(event[2]);
      field.cursor_column = Fraction(column) + clicked_column;
      field.next_row = Fraction(row) + clicked_row;
      field.index = IndexOfColumn(field.cursor_column, field.start);
      ended = field.next_row != row;
    } else if (event.size() == 2 && event[0] == '\0') {
      ended = HandleExtended(field, static_cast<unsigned char>(event[1]));
    } else if (event[0] == kBackspace) {
      Backspace(field);
    } else if (event[0] == kEnter) {
      field.next_row = row + 1;
      field.cursor_column = field.start;
      ended = true;
    } else if (event[0] == kEsc) {
      field.next_row = 0;
      field.cursor_column = 0;
      ended = true;
    } else {
      EnterCharacter(field, event[0]);
    }
    if (!ended) ApplyLimits(field);
  }

  SetColors(kBlack, kLightGrey);
  cursor_column = field.cursor_column;
  std::string result;
  result += ResultCode(field.next_row);
  result += ResultCode(field.cursor_column);
  std::size_t last = field.text.find_last_not_of(' ');
  result += last == std::string::npos ? std::string() : field.text.substr(0, last + 1);
  return result;
}
