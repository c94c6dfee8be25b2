// Arbitrary bytes as an arithmetic expression: the evaluator may only return a value or raise one
// of its own errors; anything else (a crash, a sanitizer report, a foreign exception) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "lib/utils/zuUtils.h"

namespace {

bool IsKnownError(std::string_view message) {
  for (std::string_view known :
       {"Expression string is empty.", "Right brakets not found", "Right braket havn't a left one. Pos:",
        "Duplicate signs. Pos:", "Duplicate signs at. Pos:", "Divide by 0", "Expression nested too deeply"})
    if (message.starts_with(known)) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const float first = zu::CalcMathString(text);
    // Nothing is kept between calls: the same text gives the same value (NaN included).
    const float again = zu::CalcMathString(text);
    if (!(first == again || (first != first && again != again))) std::abort();
  } catch (const zu::Exception& e) {
    if (!IsKnownError(e.what())) std::abort();
  }
  return 0;
}
