// jobfeed-admin init-db: creates the embedded database with the program's tables.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "db/schema/Schema.h"
#include "platform/Env.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin init-db PATH\n"
    "Creates the SQLite database at PATH (if missing) with every table the program's\n"
    "statements use (order tables, terminals, lookups, calendars, badges); tables already\n"
    "there are left as they are, so it is safe to run again. The folder of PATH must exist.\n"
    "Exit code: 0 done, 1 failed, 2 bad use.\n";

}  // namespace

int CmdInitDb(int argc, char** argv) {
  int rc = 0;
  if (AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
    std::fprintf(stderr, "jobfeed-admin init-db: expected one PATH\n%s", kUsage);
    return 2;
  }
  // Said plainly here: the database library would only say it cannot open the file.
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path target(NativePath(argv[1]));
  const fs::path folder = target.parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "jobfeed-admin init-db: the folder %s does not exist\n",
                 folder.string().c_str());
    return 1;
  }
  if (fs::is_directory(target, ec)) {
    std::fprintf(stderr, "jobfeed-admin init-db: %s is a folder\n", argv[1]);
    return 1;
  }
  const char* error = nullptr;
  if (CreateSqliteDatabase(argv[1], &error) != 0) {
    std::fprintf(stderr, "jobfeed-admin init-db: %s: %s\n", argv[1], error ? error : "failed");
    return 1;
  }
  return 0;
}

}  // namespace jf::admin
