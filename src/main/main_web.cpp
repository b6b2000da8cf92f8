// Entry of the browser build: the program runs on the page's thread and is
// suspended at every wait; when it ends, the page offers to start it again.
#include "display/web/web.h"
#include "main/program.h"

int main() {
  RunProgram();
  FinishPage();
  return 0;
}
