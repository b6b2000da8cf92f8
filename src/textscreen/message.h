// Messages of the program on the text screen's message row: what the term
// language needs of the text screen, apart from the rest of it.
#pragma once

#include <cstdint>
#include <string>

// How long a message of the program stands unless a key ends it.
constexpr std::int16_t kMessageSeconds = 4;

// Shows the text centred on the message row in black on light yellow until a
// key (which it consumes) or seconds * 10 pauses of 100 ms (seconds > 0);
// then puts the screen back as it was and leaves black on light grey. Once
// the window is closed it returns at once, drawing and waiting for nothing.
void ShowMessage(std::string text, std::int16_t seconds);
// True when ESC ended a message since the last call; the record is cleared.
bool TakeMessageEscape();
