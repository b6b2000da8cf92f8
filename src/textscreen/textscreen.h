// The character-cell text screen drawn into the window: cell positions,
// blanked rows, input events, messages and the line editor.
// Cells count from 1 and are measured in the font selected at the call.
#pragma once

#include <string>

#include "display/display.h"
#include "textscreen/message.h"

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

// A whole number (the value truncated) as one character code, held to
// lowest..255; not a number gives `lowest`. Clicked cells and EditLine's
// row and column travel in such codes.
char CharCode(double value, double lowest);
// Moves the drawing position to the top-left corner of the cell.
void GotoCell(double row, double column);
// Blanks 79 cells of the row in the current colours; the position is left at
// the start of the next line.
void ClearRow(double row);
// Blocks (without spinning) until an input event: one character for a key,
// NUL + scan code for an extended key, NUL + column + row for a click (codes
// 1..255), or ESC (27) once the window is closed. Never empty.
std::string WaitInput();
// Lets the user edit one line behind a prompt (an optional mask follows the
// first "|"). Returns next row and cursor column as the codes of the first two
// characters, then the text without trailing blanks. `cursor_column` is in:
// start column, out: final column, 0 after ESC or a closed window.
std::string EditLine(std::string prompt, std::string default_text, double row, double column,
                     double& cursor_column, double width);
