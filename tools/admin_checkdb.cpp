// jobfeed-admin check-db: connects as a run does and checks that every table and column of the
// schema description is there, with a usable type and wide enough.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "db/DbDb.h"
#include "db/OpenBackend.h"
#include "db/oracle/OciLibrary.h"
#include "db/schema/Catalog.h"
#include "db/schema/Description.h"
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
        "..\\..\\..\\..\\files\\quantelor.ini; an Oracle net service name or sqlite:PATH) and\n"
        "checks that every table and column the program uses is there with a usable type, wide\n"
        "enough for the program's fields (on Oracle: texts in characters, 16-bit integers).\n"
        "Prints one line per table: \"ok\", or each column that is missing, unusable or too\n"
        "narrow, with the ALTER statement that widens a text.\n"
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
  const bool oracle = !IsSqliteNetService(net);
  std::printf("database: %s (%s), user %s\n", net, oracle ? "Oracle" : "SQLite",
              ForTerminal(user).c_str());
  const int connected = bdConnect();
  // Which client library answered, whether the logon then worked or not.
  if (oracle && !oracle::LoadedClientLibrary().empty()) {
    std::printf("Oracle client library: %s\n", oracle::LoadedClientLibrary().c_str());
  }
  if (connected != 0) {
    const std::string& why = sql::ConnectErrorText();
    std::fprintf(stderr, "jobfeed-admin check-db: the connect failed with status %d: %s\n",
                 connected, why.empty() ? "(no reason given)" : ForTerminal(why, stderr).c_str());
    return 1;
  }
  int problems = 0;
  auto catalog_failed = [&problems](const std::string& what, int rc) {
    const std::string why = ForTerminal(sql::CurrentBackend()->LastErrorText());
    std::printf("%s: the catalog cannot be read (status %d): %s\n", what.c_str(), rc, why.c_str());
    ++problems;
  };
  // Where a width counts bytes, the character set tells how many characters it holds.
  bool multibyte = false;
  if (oracle) {
    std::string charset;
    if (const int rc = ReadCharacterSet(&charset); rc != 0) {
      catalog_failed("character set", rc);
    } else {
      multibyte = MultiByteCharacterSet(charset);
      std::printf("character set %s\n", charset.c_str());
    }
  }
  std::vector<DbColumn> columns;
  for (const schema::Table& t : schema::Tables()) {
    const std::string name = schema::QualifiedName(t);
    if (const int rc = ReadTableColumns(oracle, user, name, &columns); rc != 0) {
      catalog_failed(name, rc);
      continue;
    }
    std::vector<std::string> lines = CheckTableColumns(oracle, multibyte, t, columns);
    // A statement names the table without its owner: that name must reach it too.
    if (t.synonym && !columns.empty()) {
      if (const int rc = ReadTableColumns(oracle, user, t.name, &columns); rc != 0) {
        catalog_failed(t.name, rc);
      } else if (columns.empty()) {
        lines.push_back(std::string(t.name) + ": the login's schema does not reach " + name +
                        " by this name; CREATE SYNONYM " + t.name + " FOR " + name);
      }
    }
    if (lines.empty()) std::printf("%s: ok\n", name.c_str());
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
