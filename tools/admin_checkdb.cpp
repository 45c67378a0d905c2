// jobfeed-admin check-db: connects as a run does and checks that every table and column of the
// schema description is there, with a usable type and wide enough.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "db/DbDb.h"
#include "db/OpenBackend.h"
#include "db/oracle/OciLibrary.h"
#include "db/postgres/PostgresBackend.h"
#include "db/schema/Catalog.h"
#include "db/schema/Description.h"
#include "db/sql/Backend.h"
#include "db/sql/Session.h"
#include "driver/TerminalText.h"
#include "login/Login.h"
#include "msg/Progress.h"
#include "platform/Env.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

// The scrambling keeps the password from a glance, not from whoever can read the file and has
// the program: only the runs' own account should read it. Says so and returns true when others
// can (Windows rights are the folder's business).
bool LoginFileShared() {
#ifdef _WIN32
  return false;
#else
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::perms p = fs::status(NativePath(kLoginFile), ec).permissions();
  constexpr fs::perms kOthers = fs::perms::group_all | fs::perms::others_all;
  if (ec || (p & kOthers) == fs::perms::none) return false;
  std::printf("login file %s: others can read or write it (mode %04o); chmod 600 it\n", kLoginFile,
              static_cast<unsigned>(p & fs::perms::all));
  return true;
#endif
}

}  // namespace

int CmdCheckDb(int argc, char** argv) {
  constexpr const char* kUsage =
      "usage: jobfeed-admin check-db [--quiet]\n"
      "Run it in the site's working directory: it logs on as jobfeed does (the login file\n"
      "..\\..\\..\\..\\files\\quantelor.ini; an Oracle net service name, a PostgreSQL URI or\n"
      "sqlite:PATH) and checks that every table and column the program uses is there with a\n"
      "usable type, wide enough for the program's fields (on Oracle and PostgreSQL: texts in\n"
      "characters, 16-bit integers).\n"
      "Prints one line per table: \"ok\", or each column that is missing, unusable or too\n"
      "narrow, with the ALTER statement that widens a text. On Linux it also says when others\n"
      "than the file's owner can read or write the login file.\n"
      "Passwords in a net service name are shown as ***.\n"
      "Exit code: 0 all there, 1 something missing, a login file others can read, or the\n"
      "connect failed; 2 bad use.\n"
      "On a terminal it shows which table it is at on standard error; --quiet turns that off.\n";
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  ProgressLine progress(!TakeQuiet(&argc, argv));
  if (argc != 1) {
    std::fprintf(stderr,
                 "jobfeed-admin check-db: takes no arguments\n"
                 "usage: jobfeed-admin check-db\n");
    return 2;
  }
  if (const std::string login = LoginFileFailure(); !login.empty()) {
    std::fprintf(stderr, "jobfeed-admin check-db: %s\n", login.c_str());
    return 1;
  }
  int problems = LoginFileShared() ? 1 : 0;
  char user[kLoginValueMax + 1] = {};
  char password[kLoginValueMax + 1] = {};
  char net[kLoginValueMax + 1] = {};
  iniGetLogin(user, password, net);
  const CatalogKind kind = IsSqliteNetService(net)               ? CatalogKind::kSqlite
                           : postgres::IsPostgresNetService(net) ? CatalogKind::kPostgres
                                                                 : CatalogKind::kOracle;
  const bool oracle = kind == CatalogKind::kOracle;
  std::printf("database: %s (%s), user %s\n", MaskCredentials(net, net).c_str(),
              oracle                           ? "Oracle"
              : kind == CatalogKind::kPostgres ? "PostgreSQL"
                                               : "SQLite",
              ForTerminal(user).c_str());
  const int connected = bdConnect();
  // Which client library answered, whether the logon then worked or not.
  if (oracle && !oracle::LoadedClientLibrary().empty()) {
    std::printf("Oracle client library: %s\n", oracle::LoadedClientLibrary().c_str());
  }
  if (connected != 0) {
    std::fprintf(stderr, "jobfeed-admin check-db: the connect failed with status %d: %s\n",
                 connected, ForTerminal(ConnectFailure(connected), stderr).c_str());
    return 1;
  }
  if (const std::string& warning = sql::ConnectErrorText(); !warning.empty()) {
    std::printf("warning: the logon gave a warning: %s\n", ForTerminal(warning).c_str());
  }
  auto catalog_failed = [&problems](const std::string& what, int rc) {
    const std::string why = ForTerminal(sql::CurrentBackend()->LastErrorText());
    std::printf("%s: the catalog cannot be read (status %d): %s\n", what.c_str(), rc, why.c_str());
    ++problems;
  };
  // Whether what travels to the server can be read on the way: the site requires TLS through
  // libpq's own settings (see README), and this says whether it took.
  if (kind == CatalogKind::kPostgres) {
    std::string security;
    if (const int rc = ReadConnectionSecurity(&security); rc != 0) {
      catalog_failed("connection", rc);
    } else {
      std::printf("connection: %s\n", security.c_str());
    }
  }
  // Where a width counts bytes, the character set tells how many characters it holds.
  bool multibyte = false;
  if (oracle) {
    std::string charset;
    if (const int rc = ReadCharacterSet(&charset); rc != 0) {
      catalog_failed("character set", rc);
    } else {
      multibyte = MultiByteCharacterSet(charset);
      std::printf("character set %s\n", charset.c_str());
      // A warning, not a problem: sites have run on such databases, losing only those characters.
      if (!HoldsWindows1252(charset)) {
        std::printf(
            "warning: the character set %s lacks characters of Windows-1252 (such as "
            "the euro sign): the database stores its own replacement for them; "
            "AL32UTF8 and WE8MSWIN1252 hold them all\n",
            charset.c_str());
      }
    }
  }
  std::vector<DbColumn> columns;
  const auto tables = schema::Tables();
  std::size_t done = 0;
  for (const schema::Table& t : tables) {
    const std::string name = schema::QualifiedName(t);
    ++done;
    if (progress.Due()) {
      progress.Draw("check-db: table " + std::to_string(done) + " of " +
                    std::to_string(tables.size()) + ": " + name);
    }
    const int read = ReadTableColumns(kind, user, name, &columns);
    progress.MakeRoom();
    if (read != 0) {
      catalog_failed(name, read);
      continue;
    }
    std::vector<std::string> lines = CheckTableColumns(kind, multibyte, t, columns);
    // A statement names the table without its owner: that name must reach it too.
    if (t.synonym && !columns.empty()) {
      if (const int rc = ReadTableColumns(kind, user, t.name, &columns); rc != 0) {
        catalog_failed(t.name, rc);
      } else if (columns.empty()) {
        lines.push_back(std::string(t.name) + ": the login's schema does not reach " + name +
                        " by this name; " +
                        (oracle
                             ? "CREATE SYNONYM " + std::string(t.name) + " FOR " + name
                             : "CREATE VIEW " + std::string(t.name) + " AS SELECT * FROM " + name));
      }
    }
    if (lines.empty()) std::printf("%s: ok\n", name.c_str());
    for (const std::string& l : lines) std::printf("%s\n", l.c_str());
    problems += static_cast<int>(lines.size());
  }
  progress.Hide();
  bdRollback();  // it only read
  if (problems > 0) {
    std::printf("%d problem%s\n", problems, problems == 1 ? "" : "s");
    return 1;
  }
  std::printf("all tables and columns are there\n");
  return 0;
}

}  // namespace jf::admin
