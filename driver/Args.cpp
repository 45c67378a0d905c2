#include "driver/Args.h"

namespace jf {

namespace {

bool IsBlankChar(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

ArgFault CheckArgument(std::string_view value, bool strict) {
  bool blank = true;
  for (char c : value) blank = blank && IsBlankChar(c);
  if (blank) return ArgFault::kBlank;
  if (!strict) return ArgFault::kNone;
  for (char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return ArgFault::kControl;
  }
  if (value.front() == ' ' || value.back() == ' ') return ArgFault::kOuterBlank;
  return ArgFault::kNone;
}

}  // namespace jf
