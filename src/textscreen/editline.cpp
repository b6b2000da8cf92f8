// The line editor: a prompt, an input field behind it and the editing keys.
// The decisions (StartField, ApplyEvent) change only the field; EditLine
// draws the field and waits for the events.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <string_view>

#include "display/display.h"
#include "textscreen/editline_internal.h"
#include "textscreen/textscreen.h"

namespace {

constexpr double kLineCells = 75;  // prompt plus field when no width is given
// Wider fields than this could not report their cursor column in one
// character code anyway, and a wild width must not allocate without bound.
constexpr double kMaxFieldCells = 255;
// Cursor indexes far beyond any field are held here before they become ints;
// the limits after the first event pull them back into the field.
constexpr double kMaxCursorIndex = 1 << 20;

constexpr char kMaskSeparator = '|';

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

bool Behind(const FieldEdit& edit) {
  return edit.index > static_cast<int>(edit.text.size());
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

bool MaskAccepts(const FieldEdit& edit, char c) {
  if (edit.mask.empty() || edit.index > static_cast<int>(edit.mask.size())) return true;
  char mask = edit.mask[edit.index - 1];
  for (const MaskClass& entry : kMaskClasses) {
    if (entry.mask == mask) return entry.accepted.find(c) != std::string_view::npos;
  }
  return true;
}

bool MaskIsBlankAt(const FieldEdit& edit) {
  return edit.index <= static_cast<int>(edit.mask.size()) && edit.mask[edit.index - 1] == ' ';
}

void CutToWidth(Field& field) {
  field.edit.text = Left(field.edit.text, field.place.width);
}

void EnterCharacter(Field& field, char c) {
  FieldEdit& e = field.edit;
  if (!MaskAccepts(e, c)) return;
  if (e.free_mode && Behind(e)) {
    e.index = static_cast<int>(e.text.size()) + 1;
    e.text += c;
  } else if (e.free_mode && e.insert_mode) {
    e.text = Left(e.text, e.index - 1) + c + From(e.text, e.index);
  } else if (!Behind(e)) {
    assert(e.index >= 1);
    e.text[e.index - 1] = c;
  }
  // The cursor moves on even where nothing could be stored.
  ++e.index;
  CutToWidth(field);
}

// Backspace removes the character before the cursor: the rest moves left and
// a blank fills the end, so the length stays. With the cursor past the
// blank behind the text (possible before the first limits) nothing is
// removed and the blank lengthens the text by one.
void Backspace(Field& field) {
  FieldEdit& e = field.edit;
  if (e.free_mode && e.index > 1) {
    e.text = Left(e.text, e.index - 2) + From(e.text, e.index) + " ";
    --e.index;
  }
  CutToWidth(field);
}

void Delete(FieldEdit& e) {
  if (e.free_mode && !Behind(e)) {
    e.text = Left(e.text, e.index - 1) + From(e.text, e.index + 1);
  }
}

void ApplyLimits(Field& field) {
  FieldEdit& e = field.edit;
  e.index = std::max(e.index, 1);
  e.index = std::min(e.index, static_cast<int>(e.text.size()) + 1);
  e.index = std::min(e.index, field.place.width);
  e.cursor_column = e.index + field.place.start - 1;
}

// Acts on one extended key; true when it ends the input.
bool HandleExtended(Field& field, unsigned char scan) {
  FieldEdit& e = field.edit;
  const double row = field.place.row;
  switch (scan) {
    case kScanUp:
      if (row - Fraction(row) > 1) e.next_row = row - 1;
      return true;
    case kScanDown:
      e.next_row = row + 1;
      return true;
    case kScanRight:
      ++e.index;
      return false;
    case kScanLeft:
      --e.index;
      return false;
    case kScanInsert:
      e.insert_mode = !e.insert_mode;
      return false;
    case kScanDelete:
      Delete(e);
      return false;
    default:
      return false;
  }
}

// A click keeps the field's fractions on its row and column, so that a field
// on a fractional row still matches clicks on its own row; true when it lands
// on another row and so ends the input.
bool HandleClick(Field& field, unsigned char clicked_column, unsigned char clicked_row) {
  FieldEdit& e = field.edit;
  e.cursor_column = Fraction(field.place.column) + clicked_column;
  e.next_row = Fraction(field.place.row) + clicked_row;
  e.index = IndexOfColumn(e.cursor_column, field.place.start);
  return e.next_row != field.place.row;
}

void DrawField(const Field& field) {
  GotoCell(field.place.row, field.place.start);
  PrintText(ShownText(field));
  GotoCell(field.place.row, field.edit.cursor_column);
  SetColors(kBlack, kWhite);
  PrintText(CursorText(field));
  NewLine();
  SetColors(kWhite, kBlack);
}

}  // namespace

Field StartField(std::string prompt, std::string default_text, double row, double column,
                 double cursor_column, double width) {
  Field field{};
  FieldEdit& e = field.edit;
  std::size_t bar = prompt.find(kMaskSeparator);
  e.free_mode = bar == std::string::npos;
  if (!e.free_mode) {
    e.mask = prompt.substr(bar + 1);
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
  field.place = {prompt, row, column, column + prompt_cells,
                 static_cast<int>(std::min(cells, kMaxFieldCells))};

  e.next_row = row;
  e.cursor_column = std::max(cursor_column, field.place.start);
  e.index = IndexOfColumn(e.cursor_column, field.place.start);
  e.insert_mode = true;
  e.text = default_text;
  // Only at the start: step over the fixed parts at the front of the mask.
  while (!e.mask.empty() && MaskIsBlankAt(e)) {
    ++e.index;
    ++e.cursor_column;
  }
  return field;
}

bool ApplyEvent(Field& field, const std::string& event) {
  assert(!event.empty());
  FieldEdit& e = field.edit;
  bool ended = false;
  if (event.size() == 3 && event[0] == '\0') {
    ended = HandleClick(field, static_cast<unsigned char>(event[1]),
                        static_cast<unsigned char>(event[2]));
  } else if (event.size() == 2 && event[0] == '\0') {
    ended = HandleExtended(field, static_cast<unsigned char>(event[1]));
  } else if (event[0] == kKeyBackspace) {
    Backspace(field);
  } else if (event[0] == kKeyEnter) {
    e.next_row = field.place.row + 1;
    e.cursor_column = field.place.start;
    ended = true;
  } else if (event[0] == kKeyEsc) {
    e.next_row = 0;
    e.cursor_column = 0;
    ended = true;
  } else {
    EnterCharacter(field, event[0]);
  }
  if (!ended) ApplyLimits(field);
  return ended;
}

std::string ShownText(const Field& field) {
  // The blank behind the text wipes a cell that an edit has just emptied.
  return Left(field.edit.text + " ", field.place.width);
}

std::string CursorText(const Field& field) {
  const FieldEdit& e = field.edit;
  if (Behind(e)) return " ";
  assert(e.index >= 1);
  return std::string(1, e.text[e.index - 1]);
}

std::string ResultOf(const Field& field) {
  const FieldEdit& e = field.edit;
  std::string result;
  result += CharCode(e.next_row, 0);
  result += CharCode(e.cursor_column, 0);
  std::size_t last = e.text.find_last_not_of(' ');
  result += last == std::string::npos ? std::string() : e.text.substr(0, last + 1);
  return result;
}

std::string EditLine(std::string prompt, std::string default_text, double row, double column,
                     double& cursor_column, double width) {
  Field field = StartField(prompt, default_text, row, column, cursor_column, width);

  GotoCell(row, column);
  SetColors(kBlack, kLightGrey);
  PrintText(field.place.prompt);
  SetColors(kWhite, kBlack);
  PrintText(std::string(field.place.width, ' '));

  // The cursor is drawn first where the caller put it; the limits apply only
  // after each event.
  do {
    DrawField(field);
  } while (!ApplyEvent(field, WaitInput()));

  SetColors(kBlack, kLightGrey);
  cursor_column = field.edit.cursor_column;
  return ResultOf(field);
}
