// Checks of the values the programs take from their command lines. jobfeed, jobfeed-master and
// jobfeed-admin share them, so each refuses the same values for the same reason.
#pragma once

#include <string_view>

namespace jf {

enum class ArgFault {
  kNone,
  kBlank,       // empty or nothing but blanks
  kControl,     // holds a control character
  kOuterBlank,  // starts or ends with a blank
};

// What is wrong with a requester name, order number or other key given on a command line, as
// the program will use it (after any cut to its field). A blank requester is refused by every
// program: it would mark rows for nobody, taking them from the requester they were due for.
// strict adds what only a typing operator gets wrong and no run would ever select again: a
// control character, or a blank before or after the value.
ArgFault CheckArgument(std::string_view value, bool strict);

}  // namespace jf
