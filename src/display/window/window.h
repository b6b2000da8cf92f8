// The real window's life in the process, used only by main(): the window and
// its events live on the main thread while the program's logic runs on a
// thread of its own.
#pragma once

#include <string>

// Connects to the display and checks that some font can stand for the face
// the program draws its text in. On failure prints one line on stderr and
// returns false.
bool StartDisplay(const std::string& face);
// Runs the window's event loop on the calling (main) thread until
// FinishDisplay is called from the logic thread. False when the window could
// not be made (the reason is on stderr); the program then ran unseen.
bool ServeWindow();
// Called by the logic thread when the program ends: closes the window and
// makes ServeWindow return.
void FinishDisplay();
