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

bool ConnectSite(const char* command) {
  if (!env()->FileExists(kLoginFile)) {
    std::fprintf(stderr,
                 "jobfeed-admin %s: there is no login file %s here.\n"
                 "Run it in jobfeed's working directory.\n",
                 command, kLoginFile);
    return false;
  }
  const int rc = bdConnect();
  if (rc == 0) return true;
  const char* why =
      rc == sql::kConnectIdentifier ? "the database named in the login file cannot be opened"
      : rc == sql::kLoginTooLong    ? "a login value is too long"
      : rc == sql::kBackendUnavailable
          ? "no database backend of this build serves the login file's net service name"
          : "the database refused the connection";
  std::fprintf(stderr,
               "jobfeed-admin %s: cannot connect (status %d): %s.\n"
               "Run it in jobfeed's working directory: the login is read from %s there.\n",
               command, rc, why, kLoginFile);
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
