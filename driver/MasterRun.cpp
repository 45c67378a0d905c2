#include "driver/MasterRun.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "db/DbDb.h"
#include "db/tables/Text.h"
#include "download/DnlGroup.h"
#include "download/Download.h"
#include "driver/Args.h"
#include "driver/DateTime.h"
#include "driver/Run.h"
#include "driver/RunDisplay.h"
#include "msg/Msg.h"
#include "platform/Stop.h"

namespace jf {

namespace {

struct MasterKind {
  const char* name;
  int (*download)(const char* date, const char* time, const char* requester);
};

// In the order they run: the groups before their workplaces, so a terminal knows a workplace's
// group when the workplace arrives.
constexpr MasterKind kKinds[] = {
    {"MAG", Apg_Dnl}, {"MAS", Apl_Dnl}, {"UBG", Ubg_Dnl}, {"PNR", Prv_Dnl}, {"KST", Ksg_Dnl},
};
constexpr std::size_t kKindCount = std::size(kKinds);

constexpr const char* kUsage =
    "usage: jobfeed-master [--quiet] REQUESTER [KIND...]\n"
    "Sends the master data marked for REQUESTER (cut to 8 characters) to the shop-floor\n"
    "terminals' send-buffer files, in the same site as jobfeed (working directory, login file,\n"
    "message file .\\Msg\\Jobfeed.txt). KIND is one of\n"
    "  MAG  workplace groups          MAS  workplaces\n"
    "  UBG  interruption reasons      PNR  persons (a PNR and an AWN line each)\n"
    "  KST  every cost centre for every production area of type 1 (sent on every run)\n"
    "Without KIND all five run, in this order; named kinds run in this order too, once each.\n"
    "Exit code: 0 when every download ended well (a row that failed is logged and stays\n"
    "marked) or the database cannot be reached (logged); else the first failing download's\n"
    "database status; -2 for a missing requester or an unknown KIND (logged, nothing touched).\n"
    "Where only 8 bits of it survive (Linux) the status becomes its low 8 bits, or 255 when\n"
    "those are 0: -2 gives 254. Stopped by SIGINT or SIGTERM (Ctrl-C, Ctrl-Break, a closing\n"
    "console), a run ends after the row in hand with 130 or 143.\n"
    "When standard error is a terminal, a progress line and a summary (rows sent and failed,\n"
    "lines per terminal, time) show there; --quiet turns them off.\n"
    "jobfeed-admin messages lists the message file, one entry a line, in the terminal's\n"
    "encoding.\n"
    "  jobfeed-master --help, -h  this text\n"
    "  jobfeed-master --version   the version\n";

// Logs a usage error and tells the console; the database is not touched.
int MasterUsageError(const std::string& why) {
  const std::string text = "Aufruf: jobfeed-master <Anforderer> [MAG|MAS|UBG|PNR|KST ...] - " + why;
  Msg_Log(kUsageStatus, "main", text.c_str(), kMsgError);
  std::fprintf(stderr, "jobfeed-master: %s\n%s", why.c_str(), kUsage);
  return kUsageStatus;
}

}  // namespace

int RefuseMasterArgument(int index) {
  OpenRunLog();
  return MasterUsageError(UnusableArgumentText(index));
}

int RunJobfeedMaster(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  OpenRunLog();

  // "--quiet" in front of the requester keeps a run started by hand from showing its progress.
  const bool quiet = argc > 1 && std::string_view(argv[1]) == "--quiet";
  if (quiet) {
    --argc;
    ++argv;
  }
  if (argc < 2) return MasterUsageError("kein Anforderer");
  if (argv[1][0] == '-') return MasterUsageError(std::string("unbekannte Option ") + argv[1]);
  const Text<8> requester = std::string_view(argv[1]);  // cut to 8 characters
  if (CheckArgument(requester.view(), false) != ArgFault::kNone) {
    return MasterUsageError("kein Anforderer");
  }
  bool chosen[kKindCount] = {};
  for (int i = 2; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--quiet") return MasterUsageError("--quiet nur vor dem Anforderer");
    std::size_t k = 0;
    while (k < kKindCount && std::string_view(argv[i]) != kKinds[k].name) ++k;
    if (k == kKindCount) return MasterUsageError(std::string("unbekannte Art ") + argv[i]);
    chosen[k] = true;
  }
  const bool all = argc == 2;

  RunDisplay display(std::string("jobfeed-master ") + requester.c_str(), !quiet);
  for (std::size_t k = 0; k < kKindCount; ++k) {
    if (all || chosen[k]) display.Expect(kKinds[k].name);
  }
  DnlGroupConfigure();
  if (ConnectForRun(&display) != 0) return 0;

  char date[41] = {};
  char time[10] = {};
  DateTimeText(date, time, 3);

  // Every chosen download runs whatever the others returned; the first failure is the status.
  int32_t status = 0;
  for (std::size_t k = 0; k < kKindCount && StopRequested() == 0; ++k) {
    if (!all && !chosen[k]) continue;
    const int rc = kKinds[k].download(date, time, requester.c_str());
    if (status == 0) status = rc;
  }
  bdCommit();
  if (const int32_t stopped = StoppedRunStatus(); stopped != 0) status = stopped;
  display.Finish(status);
  return status;
}

}  // namespace jf
