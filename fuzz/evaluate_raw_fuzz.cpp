// Evaluates arbitrary text as a translated term: never outside the text or the
// value stack, one message for a failed walk, and the neutral result with it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "message_stub.h"
#include "terms/terms.h"

namespace {

const std::string kCalcMessage = " Rechenfehler ";

bool IsTerminator(char c) {
  return c == '\\' || c == '|';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double value = EvaluateTerm(text, 0.75, -2, 0.5);
  const MessageRecord m = TakeMessages();
  if (m.count > 1) __builtin_trap();
  if (m.count == 1 && (m.last != kCalcMessage || value != 0 || std::signbit(value))) {
    __builtin_trap();
  }
  // A text that does not end in a terminator, or is too short for an
  // element, can never work out.
  if ((size < 2 || !IsTerminator(text.back())) && m.count != 1) __builtin_trap();
  return 0;
}
