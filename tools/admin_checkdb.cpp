// jobfeed-admin check-db: connects as a run does and checks that every table and column the
// program uses is there with a usable type.
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "db/DbDb.h"
#include "db/OpenBackend.h"
#include "db/oracle/OciLibrary.h"
#include "db/postgres/PostgresBackend.h"
#include "db/schema/Catalog.h"
#include "db/sql/Backend.h"
#include "db/sql/Session.h"
#include "driver/TerminalText.h"
#include "login/Login.h"
#include "tools/admin_commands.h"

namespace jf::admin {

int CmdCheckDb(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf(
        "usage: jobfeed-admin check-db\n"
        "Run it in the site's working directory: it logs on as jobfeed does (the login file\n"
        "..\\..\\..\\..\\files\\quantelor.ini; an Oracle net service name, a PostgreSQL URI or\n"
        "sqlite:PATH) and checks that every table and column the program uses is there with a\n"
        "usable type.\n"
        "Prints one line per table: \"ok\", or each column that is missing or unusable.\n"
        "Exit code: 0 all there, 1 something missing or the connect failed, 2 bad use.\n");
    return 0;
  }
  if (argc != 1) {
    std::fprintf(stderr,
                 "jobfeed-admin check-db: takes no arguments\n"
                 "usage: jobfeed-admin check-db\n");
    return 2;
  }
  char user[kLoginValueMax + 1] = {};
  char password[kLoginValueMax + 1] = {};
  char net[kLoginValueMax + 1] = {};
  iniGetLogin(user, password, net);
  const CatalogKind kind = IsSqliteNetService(net)               ? CatalogKind::kSqlite
                           : postgres::IsPostgresNetService(net) ? CatalogKind::kPostgres
                                                                 : CatalogKind::kOracle;
  std::printf("database: %s (%s), user %s\n", net,
              kind == CatalogKind::kSqlite     ? "SQLite"
              : kind == CatalogKind::kPostgres ? "PostgreSQL"
                                               : "Oracle",
              ForTerminal(user).c_str());
  const int connected = bdConnect();
  // Which client library answered, whether the logon then worked or not.
  if (kind == CatalogKind::kOracle && !oracle::LoadedClientLibrary().empty()) {
    std::printf("Oracle client library: %s\n", oracle::LoadedClientLibrary().c_str());
  }
  if (connected != 0) {
    const std::string& why = sql::ConnectErrorText();
    std::fprintf(stderr, "jobfeed-admin check-db: the connect failed with status %d: %s\n",
                 connected, why.empty() ? "(no reason given)" : ForTerminal(why, stderr).c_str());
    return 1;
  }
  int problems = 0;
  std::vector<DbColumn> columns;
  for (const TableNeed& t : ProgramTables()) {
    if (const int rc = ReadTableColumns(kind, user, t.table, &columns); rc != 0) {
      const std::string why = ForTerminal(sql::CurrentBackend()->LastErrorText());
      std::printf("%s: the catalog cannot be read (status %d): %s\n", t.table, rc, why.c_str());
      ++problems;
      continue;
    }
    const std::vector<std::string> lines = CheckTableColumns(kind, t, columns);
    if (lines.empty()) std::printf("%s: ok\n", t.table);
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    problems += static_cast<int>(lines.size());
  }
  bdRollback();  // it only read
  if (problems > 0) {
    std::printf("%d problem%s\n", problems, problems == 1 ? "" : "s");
    return 1;
  }
  std::printf("all tables and columns are there\n");
  return 0;
}

}  // namespace jf::admin
