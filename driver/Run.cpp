#include "driver/Run.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "db/DbDb.h"
#include "db/sql/Session.h"
#include "db/sql/Status.h"
#include "download/DnlGroup.h"
#include "driver/Args.h"
#include "driver/DateTime.h"
#include "driver/Prepare.h"
#include "driver/RunDisplay.h"
#include "login/Login.h"
#include "msg/Msg.h"
#include "platform/Stop.h"

namespace jf {

int32_t LogEscapedException(const char* what) {
  Msg_Hold(false);  // what a download held back still reaches the file
  const std::string text = std::string("Abbruch durch Ausnahme: ") + what;
  Msg_Log(kAbortStatus, "main", text.c_str(), kMsgError);
  return kAbortStatus;
}

int ExitCodeFromStatus(int32_t status) {
  if (status == 0) return 0;
  const int low = static_cast<int>(static_cast<uint32_t>(status) & 0xffu);
  return low != 0 ? low : 255;
}

namespace {

// What the status of a failed connect cannot tell: a login file that is missing or not one, or
// a database client that cannot be loaded or a database that cannot be written, logged before
// the usual message. Returns whether the login file was fine and no reason was logged yet.
bool LogConnectReason(int rc) {
  int error = 0;
  const char* key = nullptr;
  std::string text = std::string("Login-Datei ") + kLoginFile;
  switch (iniCheckFile(kLoginFile, &error, &key)) {
    case LoginFileFault::kNone:
      if (rc == sql::kBackendUnavailable || rc == sql::kReadOnly) {
        Msg_Log(rc, "bdConnect", sql::ConnectErrorText().c_str(), kMsgError);
        return false;
      }
      return true;
    case LoginFileFault::kMissing:
      text += " fehlt";
      break;
    case LoginFileFault::kFolder:
      text += " ist ein Ordner";
      break;
    case LoginFileFault::kUnreadable:
      text += " nicht lesbar";
      break;
    case LoginFileFault::kEmpty:
      text += " ist leer";
      break;
    case LoginFileFault::kNotLoginFile:
      text += std::string(": Eintrag ") + key + " fehlt oder ist ungueltig";
      break;
    case LoginFileFault::kTooLong:
      text += std::string(": Eintrag ") + key + " ist laenger als " +
              std::to_string(kLoginClearMax) + " Zeichen";
      break;
  }
  Msg_Log(error != 0 ? error : -1, "iniGetLogin", text.c_str(), kMsgError);
  return false;
}

}  // namespace

int32_t StoppedRunStatus() {
  const int stop = StopRequested();
  if (stop == 0) return 0;
  const int32_t status = StopExitCode(stop);
  Msg_Log(status, "main",
          stop == kStopInterrupt
              ? "Lauf abgebrochen (SIGINT/Strg+C), Rest bleibt faellig"
              : "Lauf abgebrochen (SIGTERM/Strg+Untbr/Konsole zu), Rest bleibt faellig",
          kMsgError);
  return status;
}

int ConnectForRun(RunDisplay* display) {
  const int rc = bdConnect();
  if (rc != 0) {
    const bool detail = LogConnectReason(rc);
    Msg_Log(rc, "bdConnect", "Fehlethafte Connect mit der DB ", kMsgError);
    // The status names the cause; the client's or the server's own words name the server, the
    // database or the user it was about.
    const std::string& why = sql::ConnectErrorText();
    if (detail && !why.empty()) Msg_LogDetail(rc, "bdConnect", why);
    if (display != nullptr) display->ConnectFailed(rc, why);
  } else if (const std::string& warning = sql::ConnectErrorText(); !warning.empty()) {
    // The only notice a site gets before the database refuses the login for good.
    Msg_Log(sql::kLogonWarning, "bdConnect", warning.c_str(), kMsgError);
  }
  return rc;
}

namespace {

// A usage error is logged and told on standard error to whoever typed the command; the
// database is not touched.
int RunUsageError(const std::string& why) {
  const std::string text = "Aufruf: jobfeed <Anforderer> <Auftrag> <Position> <Aktion> - " + why;
  Msg_Log(kUsageStatus, "main", text.c_str(), kMsgError);
  std::fprintf(
      stderr,
      "jobfeed: %s\nusage: jobfeed [--quiet] REQUESTER ORDER POSITION ACTION (see --help)\n",
      why.c_str());
  return kUsageStatus;
}

}  // namespace

void OpenRunLog() {
  Msg_Init(kMsgData | kMsgSystem | kMsgError, ".\\Msg\\Jobfeed.txt");
}

std::string UnusableArgumentText(int index) {
  return "Argument " + std::to_string(index) + " mit Zeichen ausserhalb Windows-1252";
}

int RefuseArgument(int index) {
  OpenRunLog();
  return RunUsageError(UnusableArgumentText(index));
}

int RunJobfeed(int argc, const char* const* argv) {
  OpenRunLog();

  // "--quiet" in front of the four arguments keeps a run started by hand from showing its
  // progress; a run whose standard error is no terminal shows nothing anyway.
  const bool quiet = argc > 1 && std::strcmp(argv[1], "--quiet") == 0;
  if (quiet) {
    --argc;
    ++argv;
  }
  // Without all four arguments there is no order to prepare; touching the database with
  // missing keys could only mark the wrong rows.
  if (argc < 5) return RunUsageError("zu wenige Argumente");
  // A mistyped option would be taken as a requester and move the order's rows to its queue.
  if (argv[1][0] == '-') return RunUsageError(std::string("unbekannte Option ") + argv[1]);
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quiet") == 0) return RunUsageError("--quiet nur vor dem Anforderer");
  }

  RunContext ctx;
  ctx.requester = argv[1];  // cut to 8 characters
  ctx.action = argv[4];     // cut to 5 characters
  // Marked for a blank requester, the order would be taken from the requester it was due for
  // and sent to nobody.
  if (CheckArgument(ctx.requester.view(), false) != ArgFault::kNone) {
    return RunUsageError("kein Anforderer");
  }

  RunDisplay display(std::string("jobfeed ") + ctx.requester.c_str() + " " + argv[2] + " " +
                         argv[3] + " " + ctx.action.c_str(),
                     !quiet);
  display.Expect("APK");
  display.Expect("APP");
  DnlGroupConfigure();
  if (ConnectForRun(&display) != 0) return 0;

  DateTimeText(ctx.date, ctx.time, 3);

  int32_t status = RunOrder(ctx, argv[2], argv[3]);

  bdCommit();
  if (const int32_t stopped = StoppedRunStatus(); stopped != 0) status = stopped;
  display.Finish(status);
  return status;
}

}  // namespace jf
