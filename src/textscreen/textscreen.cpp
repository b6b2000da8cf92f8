// Cell positions, blanked rows and input events of the text screen.
#include "textscreen/textscreen.h"

#include <algorithm>
#include <cmath>

#include "display/display.h"

namespace {

constexpr int kRowCells = 79;         // a blanked row
constexpr double kFirstCellCode = 1;  // click cells are reported as codes 1..255
constexpr double kLastCode = 255;

// Cell number (from 1) of a pixel position: both operands rounded to whole
// numbers (halves to even), the quotient truncated. A zero cell size or a
// wild position must not produce a code outside 1..255.
char CellCode(double position, double cell_size) {
  return CharCode(std::nearbyint(position) / std::nearbyint(cell_size) + 1, kFirstCellCode);
}

}  // namespace

char CharCode(double value, double lowest) {
  double whole = std::trunc(value);
  if (!(whole >= lowest)) whole = lowest;
  whole = std::min(whole, kLastCode);
  return static_cast<char>(static_cast<unsigned char>(whole));
}

void GotoCell(double row, double column) {
  Extent cell = TextCellSize();
  MoveTo((column - 1) * cell.width, (row - 1) * cell.height);
}

void ClearRow(double row) {
  GotoCell(row, 1);
  PrintText(std::string(kRowCells, ' '));
  NewLine();
}

std::string WaitInput() {
  Extent cell = TextCellSize();
  for (;;) {
    if (!WindowIsOpen()) return std::string(1, kKeyEsc);
    Click click = ReadClick();
    if (click.kind != kNoClick) {
      std::string event(1, '\0');
      event += CellCode(click.x, cell.width);
      event += CellCode(click.y, cell.height);
      return event;
    }
    std::string key = ReadKey();
    if (!key.empty()) return key;
    // Nothing pending: sleep until the window reports something instead of
    // polling the buffers in a tight loop.
    AwaitKeyOrClick();
  }
}
