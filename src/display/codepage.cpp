// Conversions between the program's Windows-1252 texts and Unicode.
#include "display/codepage.h"

#include <array>
#include <cstddef>

namespace {

// Unicode of the Windows-1252 bytes 0x80..0x9F; 0 where the code page has no
// character (those bytes stand for the C1 control of the same number).
constexpr std::array<char16_t, 32> kUnicodeOf80To9F = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t UnicodeOf(unsigned char c) {
  if (c >= 0x80 && c < 0xA0 && kUnicodeOf80To9F[c - 0x80] != 0) return kUnicodeOf80To9F[c - 0x80];
  return c;
}

std::string ToUtf8(const std::string& windows1252) {
  std::string out;
  for (unsigned char c : windows1252) {
    char32_t u = UnicodeOf(c);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (u >> 12));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::string FromUtf8(const std::string& utf8) {
  std::string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    int follow = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    char32_t u = follow == 0 ? lead : lead & (0x3F >> follow);
    bool valid = follow >= 0 && i + follow < utf8.size();
    for (int k = 1; valid && k <= follow; ++k) {
      unsigned char c = static_cast<unsigned char>(utf8[i + k]);
      if ((c & 0xC0) != 0x80) valid = false;
      u = (u << 6) | (c & 0x3F);
    }
    i += valid ? follow + 1 : 1;
    if (!valid || u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0)) continue;
    if (u < 0x100) {
      out += static_cast<char>(u);
      continue;
    }
    for (std::size_t k = 0; k < kUnicodeOf80To9F.size(); ++k) {
      if (kUnicodeOf80To9F[k] == u) out += static_cast<char>(0x80 + k);
    }
  }
  return out;
}
