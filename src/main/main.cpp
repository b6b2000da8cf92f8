// Process entry: the window lives on the main thread, the program's logic on
// a thread of its own.
#include <thread>

#include "display/window/window.h"
#include "main/program.h"
#include "textscreen/textscreen.h"

int main() {
  if (!StartDisplay(kScreenFace)) return 1;
  std::thread logic([] {
    RunProgram();
    FinishDisplay();
  });
  bool shown = ServeWindow();
  logic.join();
  return shown ? 0 : 1;
}
