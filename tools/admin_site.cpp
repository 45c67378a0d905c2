// The operator commands that work on the site's database connect the way the programs do, so
// they always reach the database jobfeed itself uses.
#include <cstdio>
#include <string>

#include "db/DbDb.h"
#include "db/sql/Session.h"
#include "db/sql/Status.h"
#include "driver/TerminalText.h"
#include "login/Login.h"
#include "platform/Env.h"
#include "tools/admin_commands.h"

namespace jf::admin {

std::string LoginFileFailure() {
  int error = 0;
  const char* key = nullptr;
  const std::string file = kLoginFile;
  switch (iniCheckFile(kLoginFile, &error, &key)) {
    case LoginFileFault::kNone:
      return {};
    case LoginFileFault::kMissing:
      return "there is no login file " + file + " here; run it in jobfeed's working directory";
    case LoginFileFault::kFolder:
      return "the login file " + file + " is a folder";
    case LoginFileFault::kUnreadable:
      return "the login file " + file + " cannot be read (error " + std::to_string(error) + ")";
    case LoginFileFault::kEmpty:
      return "the login file " + file + " is empty";
    case LoginFileFault::kNotLoginFile:
      return file + " is not a login file: its " + key + " entry is missing or not scrambled";
    case LoginFileFault::kTooLong:
      return "the login file " + file + " has a " + key + " value longer than " +
             std::to_string(kLoginClearMax) + " characters";
  }
  return {};
}

std::string ConnectFailure(int rc) {
  if (std::string login = LoginFileFailure(); !login.empty()) return login;
  if (!sql::ConnectErrorText().empty()) return sql::ConnectErrorText();
  return rc == sql::kLoginTooLong ? "a login value is too long"
                                  : "the database refused the connection";
}

bool ConnectSite(const char* command) {
  const int rc = bdConnect();
  if (rc == 0) return true;
  std::fprintf(stderr, "jobfeed-admin %s: cannot connect (status %d): %s\n", command, rc,
               ForTerminal(ConnectFailure(rc), stderr).c_str());
  return false;
}

int DatabaseFailed(const char* command, int status) {
  const sql::Backend* db = sql::CurrentBackend();
  const std::string detail = db != nullptr ? ForTerminal(db->LastErrorText(), stderr) : "";
  std::fprintf(stderr, "jobfeed-admin %s: the database failed with status %d%s%s\n", command,
               status, detail.empty() ? "" : ": ", detail.c_str());
  return 1;
}

}  // namespace jf::admin
