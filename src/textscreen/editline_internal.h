// The line editor's decisions, apart from its drawing and waiting, so that
// the tests can drive them directly; not for use outside textscreen/.
#pragma once

#include <string>

// Where the field stands; fixed for one call.
struct FieldPlace {
  std::string prompt;  // as displayed, ": " appended where needed
  double row;
  double column;  // of the prompt's first character
  double start;   // screen column of the field's first cell
  int width;      // cells
};

// What the user changes.
struct FieldEdit {
  std::string text;
  std::string mask;  // "" when the prompt has none
  bool free_mode;    // no mask separator in the prompt
  bool insert_mode;
  int index;  // 1-based text position under the cursor
  double cursor_column;
  double next_row;
};

struct Field {
  FieldPlace place;
  FieldEdit edit;
};

// The field as EditLine starts it: mask split off the prompt, width, start
// column and cursor. `cursor_column` as the caller passes it.
Field StartField(std::string prompt, std::string default_text, double row, double column,
                 double cursor_column, double width);
// Acts on one input event (as WaitInput gives it); true when it ends the
// input. The limits that keep the cursor in the field apply after the event.
bool ApplyEvent(Field& field, const std::string& event);
// What the field shows: its cells, and the character under the cursor.
std::string ShownText(const Field& field);
std::string CursorText(const Field& field);
// EditLine's result: next row and cursor column as two character codes, then
// the text without trailing blanks.
std::string ResultOf(const Field& field);
