// jobfeed-admin init-db: creates the embedded database with the program's tables.
#include <cstdio>
#include <cstring>

#include "db/schema/Schema.h"
#include "tools/admin_commands.h"

namespace jf::admin {

int CmdInitDb(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: jobfeed-admin init-db PATH\n"
        "Creates the SQLite database at PATH (if missing) with every table the program's\n"
        "statements use (order tables, terminals, lookups, calendars, badges); tables already\n"
        "there are left as they are, so it is safe to run again.\n");
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "jobfeed-admin init-db: expected one PATH\nusage: jobfeed-admin init-db PATH\n");
    return 2;
  }
  const char* error = nullptr;
  if (CreateSqliteDatabase(argv[1], &error) != 0) {
    std::fprintf(stderr, "jobfeed-admin init-db: %s: %s\n", argv[1], error ? error : "failed");
    return 1;
  }
  return 0;
}

}  // namespace jf::admin
