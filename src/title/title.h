// The title screen shown once at start.
#pragma once

#include <string>

// Draws the logo screen with the caption in its bar and the credit line ending
// in the suffix, and keeps it for 4 seconds; a key typed meanwhile stays pending.
void ShowTitle(std::string caption, std::string credit_suffix);
