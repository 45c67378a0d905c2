#include <cstdio>
#include <cstring>

#include "Version.h"
#include "driver/Run.h"
#include "driver/TerminalText.h"

namespace {

constexpr char kUsage[] =
    "usage: jobfeed REQUESTER ORDER POSITION ACTION\n"
    "\n"
    "Marks the order header ORDER and its position POSITION as due for REQUESTER, applies\n"
    "ACTION (SPERR, FREI* or BEGIN) to the position's status, and sends every order header and\n"
    "position marked for REQUESTER to the send-buffer files of their terminals\n"
    "(..\\Comm\\Buff\\SndDnl<terminal>.buf). Run it in the site's working directory: failures\n"
    "go to .\\Msg\\Jobfeed.txt, the login is read from ..\\..\\..\\..\\files\\quantelor.ini.\n"
    "The exit code is the status of the order position download.\n"
    "\n"
    "  jobfeed --help      this text\n"
    "  jobfeed --version   the version\n";

// "--help" or "--version" as the only argument answers at once, without the log or the
// database; every other command line is a run.
bool IsOption(int argc, char** argv, const char* option) {
  return argc == 2 && std::strcmp(argv[1], option) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (IsOption(argc, argv, "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (IsOption(argc, argv, "--version")) return jf::PrintVersion("jobfeed");
  const jf::ProgramArgs args(argc, argv);
  if (args.bad() != 0) return jf::ProcessExitCode(jf::RefuseArgument(args.bad()));
  return jf::ProcessExitCode(jf::RunJobfeed(args.argc(), args.argv()));
}
