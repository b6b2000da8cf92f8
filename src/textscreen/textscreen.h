// The character-cell text screen drawn into the window: cell positions,
// blanked rows, input events, messages and the line editor.
// Cells count from 1 and are measured in the font selected at the call.
#pragma once

#include <cstdint>
#include <string>

#include "display/display.h"

// The face every text of the screen is drawn in: fixed pitch, so that every
// character fills one cell. The text font is 16 points: cells of 13 x 24
// pixels, 79 of them to a row.
constexpr char kScreenFace[] = "Courier New";
constexpr double kTextFontPoints = 16;

// The screen's palette.
constexpr Color kBlack = 0x000000;
constexpr Color kWhite = 0xFFFFFF;
constexpr Color kLightGrey = 0xD0D0D0;    // the background
constexpr Color kLightYellow = 0xFFFF80;  // behind a message

// How long a message of the program stands unless a key ends it.
constexpr std::int16_t kMessageSeconds = 4;

// Moves the drawing position to the top-left corner of the cell.
void GotoCell(double row, double column);
// Blanks 79 cells of the row in the current colours; the position is left at
// the start of the next line.
void ClearRow(double row);
// Blocks (without spinning) until an input event: one character for a key,
// NUL + scan code for an extended key, NUL + column + row for a click (codes
// 1..255), or ESC (27) once the window is closed. Never empty.
std::string WaitInput();
// Shows the text centred on the message row in black on light yellow until a
// key (which it consumes) or seconds * 10 pauses of 100 ms (seconds > 0);
// then puts the screen back as it was and leaves black on light grey. Once
// the window is closed it returns at once, drawing and waiting for nothing.
void ShowMessage(std::string text, std::int16_t seconds);
// True when ESC ended a message since the last call; the record is cleared.
bool TakeMessageEscape();
// Lets the user edit one line behind a prompt (an optional mask follows the
// first "|"). Returns next row and cursor column as the codes of the first two
// characters, then the text without trailing blanks. `cursor_column` is in:
// start column, out: final column, 0 after ESC or a closed window.
std::string EditLine(std::string prompt, std::string default_text, double row, double column,
                     double& cursor_column, double width);
