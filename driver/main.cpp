#include <cstdio>
#include <cstring>

#include "Version.h"
#include "driver/Run.h"
#include "driver/TerminalText.h"
#include "platform/Stop.h"

namespace {

constexpr char kUsage[] =
    "usage: jobfeed [--quiet] REQUESTER ORDER POSITION ACTION\n"
    "\n"
    "Marks the order header ORDER and its position POSITION as due for REQUESTER, applies\n"
    "ACTION (SPERR, FREI* or BEGIN) to the position's status, and sends every order header and\n"
    "position marked for REQUESTER to the send-buffer files of their terminals\n"
    "(..\\Comm\\Buff\\SndDnl<terminal>.buf). Run it in the site's working directory: failures\n"
    "go to .\\Msg\\Jobfeed.txt, the login is read from ..\\..\\..\\..\\files\\quantelor.ini.\n"
    "The exit code is the status of the order position download (on Linux its low 8 bits,\n"
    "255 where those are 0); -2 (254) for a usage error. Stopped by SIGINT or SIGTERM (Ctrl-C,\n"
    "Ctrl-Break, a closing console), a run ends after the row in hand with 130 or 143.\n"
    "When standard error is a terminal, a progress line and a summary (rows sent and failed,\n"
    "lines per terminal, time) show there; --quiet turns them off.\n"
    "jobfeed-admin messages lists the message file, one entry a line, in the terminal's\n"
    "encoding.\n"
    "\n"
    "  jobfeed --help, -h  this text\n"
    "  jobfeed --version   the version\n";

// "--help", "-h" or "--version" as the only argument answers at once, without the log or the
// database; every other command line is a run.
bool IsOption(int argc, char** argv, const char* option) {
  return argc == 2 && std::strcmp(argv[1], option) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (IsOption(argc, argv, "--help") || IsOption(argc, argv, "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (IsOption(argc, argv, "--version")) return jf::PrintVersion("jobfeed");
  jf::InstallStopHandlers();
  return jf::ProcessExitCode(jf::RunGuarded([&] {
    const jf::ProgramArgs args(argc, argv);
    if (args.bad() != 0) return jf::RefuseArgument(args.bad());
    return jf::RunJobfeed(args.argc(), args.argv());
  }));
}
