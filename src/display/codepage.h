// Inside the display surface: the program's texts are Windows-1252 bytes;
// Unicode appears only where glyphs are drawn and keyboard text arrives.
#pragma once

#include <string>

// Unicode of one Windows-1252 byte; a byte the code page leaves undefined
// stands for the C1 control of the same number.
char32_t UnicodeOf(unsigned char c);
// UTF-8 of a Windows-1252 text.
std::string ToUtf8(const std::string& windows1252);
// Windows-1252 of a UTF-8 text; characters the code page cannot hold, control
// characters and broken sequences are dropped.
std::string FromUtf8(const std::string& utf8);
