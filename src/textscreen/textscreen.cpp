// Cell positions, blanked rows, input events and messages of the text screen.
#include "textscreen/textscreen.h"

#include <algorithm>
#include <cmath>

#include "display/display.h"

namespace {

constexpr int kRowCells = 79;         // a blanked row
constexpr double kLineCentre = 40.5;  // messages are centred on an 80-column line
constexpr double kMessageRow = 26;
constexpr double kMessageTickMs = 100;  // one pause while a message stands
constexpr int kTicksPerSecond = 10;
constexpr double kFirstCellCode = 1;  // click cells are reported as codes 1..255
constexpr double kLastCellCode = 255;

// ESC ended a message since the last TakeMessageEscape. The logic thread's
// own, like the rest of the text screen.
bool g_message_escaped = false;

// Cell number (from 1) of a pixel position: both operands rounded to whole
// numbers (halves to even), the quotient truncated, then held to what one
// character code can carry. A zero cell size or a wild position must not
// produce a code outside 1..255.
char CellCode(double position, double cell_size) {
  double quotient = std::trunc(std::nearbyint(position) / std::nearbyint(cell_size));
  double cell = std::isnan(quotient) ? kFirstCellCode : quotient + 1;
  cell = std::clamp(cell, kFirstCellCode, kLastCellCode);
  return static_cast<char>(static_cast<unsigned char>(cell));
}

}  // namespace

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

void ShowMessage(std::string text, std::int16_t seconds) {
  // Nobody can see a message once the window is gone; a drawing that fails at
  // every point must then run to its end at once, not copy the screen twice
  // per point.
  if (!WindowIsOpen()) return;
  ScreenCopy saved = SaveScreen();
  ClearRow(kMessageRow);
  double column = std::max(kLineCentre - static_cast<double>(text.size()) / 2, 1.0);
  SetColors(kBlack, kLightYellow);
  GotoCell(kMessageRow, column);
  PrintText(text);
  NewLine();
  SetColors(kBlack, kLightGrey);

  // A key ends the message and is swallowed; it belongs to nobody else, but
  // ESC is noted, so that a drawing can stop for it. Closing the window also
  // ends the message: a message without a time-out would otherwise wait for
  // ever.
  int ticks = 0;
  for (;;) {
    std::string key = ReadKey();
    if (!key.empty()) {
      g_message_escaped = g_message_escaped || key == std::string(1, kKeyEsc);
      break;
    }
    if (!WindowIsOpen()) break;
    Pause(kMessageTickMs);
    if (seconds > 0) {
      ++ticks;
      if (!(kTicksPerSecond * seconds > ticks)) break;
    }
  }
  RestoreScreen(saved);
}

bool TakeMessageEscape() {
  bool escaped = g_message_escaped;
  g_message_escaped = false;
  return escaped;
}
