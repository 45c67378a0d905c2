// jobfeed-admin init-db: creates the embedded database with the program's tables, or the
// tables in the site's PostgreSQL database.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "db/DbDb.h"
#include "db/OpenBackend.h"
#include "db/postgres/PostgresBackend.h"
#include "db/schema/Ddl.h"
#include "db/schema/Schema.h"
#include "db/sql/Session.h"
#include "login/Login.h"
#include "platform/Env.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin init-db PATH\n"
    "       jobfeed-admin init-db\n"
    "Creates the SQLite database at PATH (if missing) with every table the program's\n"
    "statements use (order tables, terminals, lookups, calendars, badges); tables already\n"
    "there are left as they are, so it is safe to run again. The folder of PATH must exist.\n"
    "Without PATH, run in the site's working directory: the database the login file names,\n"
    "an SQLite file or a PostgreSQL database, where it makes the schema KvlSystem, every\n"
    "table, column, index and view that is missing, in one transaction (print-ddl postgres\n"
    "shows them). An Oracle schema is made with db/schema/oracle.sql.\n"
    "Exit code: 0 done, 1 failed, 2 bad use.\n";

// The site's PostgreSQL database: what the DDL makes, where it is missing, all or nothing.
int InitPostgres() {
  if (!ConnectSite("init-db")) return 1;
  const schema::Dialect& d = *schema::FindDialect("postgres");
  std::vector<std::string> statements = schema::OwnerStatements(d);
  for (const schema::Table& t : schema::Tables()) {
    for (std::string& s : schema::TableStatements(d, t)) statements.push_back(std::move(s));
    // A table made by an earlier version gains the columns it lacks, empty in its rows.
    for (const schema::Column& c : t.columns) {
      statements.push_back("ALTER TABLE " + schema::QualifiedName(t) +
                           " ADD COLUMN IF NOT EXISTS " + c.name + " " + schema::ColumnType(d, c));
    }
  }
  for (const std::string& s : statements) {
    if (const int rc = sql::Execute(s); rc != 0) {
      DatabaseFailed("init-db", rc);
      bdRollback();
      return 1;
    }
  }
  bdCommit();
  return sql::Sqlcode() == 0 ? 0 : DatabaseFailed("init-db", sql::Sqlcode());
}

// init-db without PATH: the database the login file names.
int InitSite() {
  if (const std::string login = LoginFileFailure(); !login.empty()) {
    std::fprintf(stderr, "jobfeed-admin init-db: %s\n", login.c_str());
    return 1;
  }
  char user[kLoginValueMax + 1] = {};
  char password[kLoginValueMax + 1] = {};
  char net[kLoginValueMax + 1] = {};
  iniGetLogin(user, password, net);
  if (postgres::IsPostgresNetService(net)) return InitPostgres();
  if (!IsSqliteNetService(net)) {
    std::fprintf(stderr,
                 "jobfeed-admin init-db: the login file names an Oracle database; its tables are "
                 "made with db/schema/oracle.sql\n");
    return 1;
  }
  const char* error = nullptr;
  if (CreateSqliteDatabase(std::string(SqlitePath(net)).c_str(), &error) == 0) return 0;
  std::fprintf(stderr, "jobfeed-admin init-db: %s: %s\n", net, error ? error : "failed");
  return 1;
}

}  // namespace

int CmdInitDb(int argc, char** argv) {
  int rc = 0;
  if (AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  if (argc == 1) return InitSite();
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
