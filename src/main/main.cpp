// Process entry: the window lives on the main thread, the program's logic on
// a thread of its own.
#include <thread>

#include "display/window.h"
#include "main/program.h"

int main() {
  if (!StartDisplay()) return 1;
  std::thread logic([] {
    RunProgram();
    FinishDisplay();
  });
  bool shown = ServeWindow();
  logic.join();
  return shown ? 0 : 1;
}
