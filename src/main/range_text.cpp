// The display range as the text offered for editing, and the reading of the
// text the user confirmed.
#include "main/range_text.h"

#include <string_view>

#include "terms/terms.h"

// Built by appending: the same text as one long sum, and it keeps an
// optimised GCC 12 build free of a false overlap warning.
std::string RangeText(const DisplayRange& range) {
  std::string text = "(";
  text += WithoutSignBlank(NumberText(range.x1));
  text += ",";
  text += WithoutSignBlank(NumberText(range.y1));
  text += ") - (";
  text += WithoutSignBlank(NumberText(range.x2));
  text += ",";
  text += WithoutSignBlank(NumberText(range.y2));
  text += ")";
  return text;
}

DisplayRange ReadRangeText(std::string text) {
  std::string t;
  for (char c : text) {
    if (c != '(' && c != ')' && c != ' ') t += c;
  }
  std::string_view view = t;
  DisplayRange range = {0, 0, 0, 0};
  range.x1 = NumberValue(view);

  std::size_t comma = t.find(',');
  if (comma == std::string::npos) return range;
  range.y1 = NumberValue(view.substr(comma + 1));

  // The "-" between the points is searched only behind y1 itself, so that a
  // negative y1 is not taken for it.
  std::size_t dash = t.find('-', comma + 1 + NumberEnd(view.substr(comma + 1)));
  if (dash == std::string::npos) return range;
  range.x2 = NumberValue(view.substr(dash + 1));

  std::size_t second_comma = t.find(',', dash + 1);
  if (second_comma == std::string::npos) return range;
  range.y2 = NumberValue(view.substr(second_comma + 1));
  return range;
}
