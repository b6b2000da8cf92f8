// Messages on the text screen's message row.
#include "textscreen/message.h"

#include <algorithm>

#include "display/display.h"
#include "textscreen/textscreen.h"

namespace {

constexpr double kLineCentre = 40.5;  // messages are centred on an 80-column line
constexpr double kMessageRow = 26;
constexpr double kMessageTickMs = 100;  // one pause while a message stands
constexpr int kTicksPerSecond = 10;

// ESC ended a message since the last TakeMessageEscape. The logic thread's
// own, like the rest of the text screen.
bool g_message_escaped = false;

}  // namespace

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
