// jobfeed-admin: the operator tool beside the program.
#include <cstdio>
#include <cstring>
#include <exception>

#include "Version.h"
#include "tools/admin_commands.h"

namespace {

struct Command {
  const char* name;
  int (*run)(int, char**);
  const char* summary;
};

const Command kCommands[] = {
    {"init-db", jf::admin::CmdInitDb,
     "create the program's tables in an SQLite file or the site's database (SQLite, PostgreSQL)"},
    {"check-db", jf::admin::CmdCheckDb,
     "check the site's database (Oracle, PostgreSQL, SQLite) for the program's tables"},
    {"print-ddl", jf::admin::CmdPrintDdl, "print the DDL of the program's tables for a database"},
    {"show-buffer", jf::admin::CmdShowBuffer,
     "print the lines of a send-buffer file field by field"},
    {"scramble", jf::admin::CmdScramble, "scramble a login value (digit or letter form)"},
    {"unscramble", jf::admin::CmdUnscramble, "unscramble a login value"},
    {"write-login", jf::admin::CmdWriteLogin, "write a login configuration file"},
    {"resend-order", jf::admin::CmdResendOrder,
     "mark the positions of an order as due for a requester again, keeping what is pending"},
    {"journal", jf::admin::CmdJournal,
     "list the journalled runs of a requester, or the journal lines of one run"},
    {"due", jf::admin::CmdDue, "list the rows due for download and what keeps them from going"},
    {"terminals", jf::admin::CmdTerminals, "list and check the terminal configuration"},
    {"terminal", jf::admin::CmdTerminal, "say which terminal gets the lines of an area"},
    {"messages", jf::admin::CmdMessages, "list the entries of the message file"},
};

void Usage(std::FILE* out) {
  std::fprintf(out, "usage: jobfeed-admin COMMAND [ARGS]\n\ncommands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\n'jobfeed-admin COMMAND --help' tells more about a command;\n"
               "'jobfeed-admin --version' prints the version.\n");
}

int Main(int argc, char** argv) {
  if (argc < 2) {
    Usage(stderr);
    return 2;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    Usage(stdout);
    return 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) return jf::PrintVersion("jobfeed-admin");
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
  }
  std::fprintf(stderr, "jobfeed-admin: unknown command '%s'\n\n", argv[1]);
  Usage(stderr);
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  // Whatever a command lets out ends as a message and an exit code, never as an abort.
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jobfeed-admin: stopped by an internal error: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "jobfeed-admin: stopped by an internal error\n");
  }
  return 1;
}
