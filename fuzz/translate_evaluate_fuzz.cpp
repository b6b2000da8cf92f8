// Translates arbitrary text as a term and evaluates the result at a few
// points: at most one message per call, the right one, and only with the
// neutral result.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "message_stub.h"
#include "terms/terms.h"

namespace {

const std::string kFaultMessage = " unzul\xE4ssige Zeichen oder Strukturfehler ";
const std::string kCalcMessage = " Rechenfehler ";
// Everything a translated term may hold: operand and operator elements,
// number texts, and an open parenthesis left over from ")...(".
constexpr std::string_view kTranslatedChars = "XYZ\\|+-*/^acstelrbg0123456789.E(";

struct Point {
  double x;
  double y;
};
constexpr Point kPoints[] = {
    {0, 0}, {0.5, -0.25}, {1e300, -1e-300}, {-3, std::numeric_limits<double>::infinity()}};

bool SameResult(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

void CheckEvaluation(const std::string& translated, Point p) {
  const double value = EvaluateTerm(translated, p.x, p.y, 0);
  const MessageRecord m = TakeMessages();
  if (m.count > 1) __builtin_trap();
  if (m.count == 1 && (m.last != kCalcMessage || !SameResult(value, 0))) __builtin_trap();
  // Nothing carries over between calls.
  const double again = EvaluateTerm(translated, p.x, p.y, 0);
  if (!SameResult(value, again) || TakeMessages().count != m.count) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string term(reinterpret_cast<const char*>(data), size);
  const std::string translated = TranslateTerm(term);
  const MessageRecord m = TakeMessages();
  if (m.count > 1) __builtin_trap();
  if (m.count == 1 && (m.last != kFaultMessage || !translated.empty())) __builtin_trap();
  // Nothing comes back without a message only for blanks and parentheses.
  if (m.count == 0 && translated.empty() && term.find_first_not_of(" ()") != std::string::npos) {
    __builtin_trap();
  }
  if (translated.find_first_not_of(kTranslatedChars) != std::string::npos) __builtin_trap();
  for (const Point& p : kPoints) CheckEvaluation(translated, p);
  return 0;
}
