// Translation of a typed term into postfix text: one pass over the term that
// checks characters, names and parentheses while it moves operators from a
// stack to the output.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "terms/terms.h"
#include "terms/terms_internal.h"
#include "textscreen/message.h"

namespace {

constexpr char kPiMarker = '\xE3';
constexpr int kConstantDecimals = 8;
constexpr const char* kFaultMessage = " unzul\xE4ssige Zeichen oder Strukturfehler ";
// A number ends at the first of these characters; everything else is stepped
// over as if it belonged to the number.
constexpr std::string_view kNumberEnds = "+*-/^acelst()xn ";
constexpr char kOperatorEnd = '|';

// What each operator moves from the stack (everything above the first of its
// stop characters) and then pushes. A minus where an operand is due is a sign;
// elsewhere it subtracts, which the postfix text writes as adding the negation.
struct OperatorRule {
  char op;
  std::string_view stops;
  std::string_view push_as_sign;  // when an operand is expected
  std::string_view push;          // after an operand
};
constexpr OperatorRule kOperators[] = {
    {'+', "(", "+|", "+|"},   {'-', "(", "-|", "-|+|"},   {'*', "(+-", "*|", "*|"},
    {'/', "(+-", "/|", "/|"}, {'^', "(*/+-", "^|", "^|"},
};
constexpr std::string_view kCloseStops = "(";
constexpr std::string_view kFunctionStops = "(*/+-";

struct Variable {
  char lower;
  char upper;
  const char* element;
};
constexpr Variable kVariables[] = {{'x', 'X', "X\\"}, {'y', 'Y', "Y\\"}, {'z', 'Z', "Z\\"}};

struct Translation {
  std::string output;
  std::string stack;  // front is the top
  bool operand_expected = true;
  int open_count = 0;
  bool error = false;
};

// Replaces every `from` by `to` in one left-to-right pass without overlaps.
std::string ReplaceAll(const std::string& text, std::string_view from, std::string_view to) {
  std::string result;
  result.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t hit = text.find(from, pos);
    if (hit == std::string::npos) break;
    result.append(text, pos, hit - pos);
    result.append(to);
    pos = hit + from.size();
  }
  result.append(text, pos, std::string::npos);
  return result;
}

void Push(Translation& t, std::string_view element) {
  // Built anew rather than inserted in place: the same result, and it keeps
  // GCC 12 from a false overlap warning inside the library's insert.
  std::string pushed;
  pushed.reserve(element.size() + t.stack.size());
  pushed.append(element).append(t.stack);
  t.stack.swap(pushed);
}

void AppendOperand(Translation& t, std::string_view element) {
  t.output.append(element);
  t.operand_expected = false;
}

// An operator or parenthesis; false when c is none.
bool HandleOperator(Translation& t, char c) {
  if (c == '(') {
    Push(t, "(");
    ++t.open_count;
    t.operand_expected = true;
    return true;
  }
  if (c == ')') {
    FlushUntil(t.output, t.stack, kCloseStops);
    if (!t.stack.empty()) t.stack.erase(0, 1);
    --t.open_count;
    t.operand_expected = false;
    return true;
  }
  for (const OperatorRule& rule : kOperators) {
    if (c == rule.op) {
      FlushUntil(t.output, t.stack, rule.stops);
      Push(t, t.operand_expected ? rule.push_as_sign : rule.push);
      return true;
    }
  }
  return false;
}

// A number at position i; returns the position after it.
std::size_t HandleNumber(Translation& t, const std::string& term, std::size_t i) {
  const double value = NumberValue(std::string_view(term).substr(i));
  AppendOperand(t, WithoutSignBlank(NumberText(value)));
  t.output += '\\';
  while (i < term.size() && kNumberEnds.find(term[i]) == std::string_view::npos) ++i;
  return i;
}

// A name at position i (a function or the constant e); returns the position
// after it.
std::size_t HandleName(Translation& t, const std::string& term, std::size_t i) {
  const std::string_view name = std::string_view(term).substr(i, 3);
  for (const TermElement& f : kFunctionElements) {
    if (name == f.name) {
      FlushUntil(t.output, t.stack, kFunctionStops);
      const char element[] = {f.letter, kOperatorEnd};
      Push(t, std::string_view(element, 2));
      return i + f.name.size();
    }
  }
  if (term[i] == 'e') {
    AppendOperand(t, RoundedText(std::exp(1.0), kConstantDecimals));
    t.output += '\\';
  } else {
    t.error = true;
  }
  return i + 1;
}

// A letter that begins a function name, or Euler's number.
bool IsNameStart(char c) {
  if (c == 'e') return true;
  for (const TermElement& f : kFunctionElements) {
    if (f.name[0] == c) return true;
  }
  return false;
}

// Appends the element of a variable; false when c is no variable.
bool HandleVariable(Translation& t, char c) {
  for (const Variable& v : kVariables) {
    if (c == v.lower || c == v.upper) {
      AppendOperand(t, v.element);
      return true;
    }
  }
  return false;
}

}  // namespace

void FlushUntil(std::string& output, std::string& stack, std::string_view stops) {
  std::size_t d = stack.find_first_of(stops);
  if (d == std::string::npos) d = stack.size();
  output.append(stack, 0, d);
  stack.erase(0, d);
}

std::string TranslateTerm(std::string term) {
  term = ReplaceAll(term, "pi", std::string_view(&kPiMarker, 1));
  term = ReplaceAll(term, "+-", "-");
  term = ReplaceAll(term, ",", ".");

  Translation t;
  std::size_t i = 0;
  while (i < term.size()) {
    const char c = term[i];
    if (HandleVariable(t, c)) {
      ++i;
    } else if (c == '.' || IsDigit(c)) {
      i = HandleNumber(t, term, i);
    } else if (HandleOperator(t, c)) {
      ++i;
    } else if (IsNameStart(c)) {
      i = HandleName(t, term, i);
    } else if (c == 'p' || c == kPiMarker) {
      AppendOperand(t, RoundedText(4 * std::atan(1.0), kConstantDecimals));
      t.output += '\\';
      ++i;
    } else if (c == ' ') {
      ++i;
    } else {
      t.error = true;
      ++i;
    }
  }
  t.output += t.stack;
  // Only the final count matters: ")x(" balances out.
  if (t.open_count != 0) t.error = true;
  // A term of nothing but parentheses ("()") yields no element at all; the
  // program would end without a word, so it counts as a structure fault.
  if (t.output.empty() && term.find_first_not_of(' ') != std::string::npos) t.error = true;
  if (t.error) {
    ShowMessage(kFaultMessage, kMessageSeconds);
    return "";
  }
  return t.output;
}
