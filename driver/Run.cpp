#include "driver/Run.h"

#include <cstring>

#include "db/DbDb.h"
#include "driver/DateTime.h"
#include "driver/Prepare.h"
#include "msg/Msg.h"

namespace jf {

int ExitCodeFromStatus(int32_t status) {
  if (status == 0) return 0;
  const int low = static_cast<int>(static_cast<uint32_t>(status) & 0xffu);
  return low != 0 ? low : 255;
}

int ConnectForRun() {
  const int rc = bdConnect();
  if (rc != 0) Msg_Log(rc, "bdConnect", "Fehlethafte Connect mit der DB ", kMsgError);
  return rc;
}

void OpenRunLog() {
  Msg_Init(kMsgData | kMsgSystem | kMsgError, ".\\Msg\\Jobfeed.txt");
}

std::string UnusableArgumentText(int index) {
  return "Argument " + std::to_string(index) + " mit Zeichen ausserhalb Windows-1252";
}

int RefuseArgument(int index) {
  OpenRunLog();
  const std::string text =
      "Aufruf: jobfeed <Anforderer> <Auftrag> <Position> <Aktion> - " + UnusableArgumentText(index);
  Msg_Log(kUsageStatus, "main", text.c_str(), kMsgError);
  return kUsageStatus;
}

int RunJobfeed(int argc, const char* const* argv) {
  OpenRunLog();

  // Without all four arguments there is no order to prepare; touching the database with
  // missing keys could only mark the wrong rows.
  if (argc < 5) {
    Msg_Log(kUsageStatus, "main",
            "Aufruf: jobfeed <Anforderer> <Auftrag> <Position> <Aktion> - zu wenige Argumente",
            kMsgError);
    return kUsageStatus;
  }

  if (ConnectForRun() != 0) return 0;

  RunContext ctx;
  DateTimeText(ctx.date, ctx.time, 3);
  ctx.requester = argv[1];  // cut to 8 characters
  ctx.action = argv[4];     // cut to 5 characters

  const int32_t status = RunOrder(ctx, argv[2], argv[3]);

  bdCommit();
  return status;
}

}  // namespace jf
