// What every jobfeed-admin command does alike with its arguments.
#include <cstdio>
#include <string_view>

#include "Version.h"
#include "driver/Args.h"
#include "tools/admin_commands.h"

namespace jf::admin {

bool AnswersHelpOrVersion(int argc, char** argv, const char* usage, int* rc) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(usage, stdout);
      *rc = 0;
      return true;
    }
    if (a == "--version") {
      *rc = PrintVersion("jobfeed-admin");
      return true;
    }
  }
  return false;
}

bool TakeQuiet(int* argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    if (std::string_view(argv[i]) != "--quiet") argv[kept++] = argv[i];
  }
  const bool quiet = kept != *argc;
  *argc = kept;
  return quiet;
}

const char* TypedValueFault(std::string_view value) {
  switch (CheckArgument(value, true)) {
    case ArgFault::kNone:
      return nullptr;
    case ArgFault::kBlank:
      return "is empty or blank";
    case ArgFault::kControl:
      return "holds a control character";
    case ArgFault::kOuterBlank:
      return "starts or ends with a blank";
  }
  return nullptr;
}

}  // namespace jf::admin
