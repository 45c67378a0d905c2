// jobfeed-admin resend-order: marks every position of an order as due for a requester again, so
// the next run for that requester sends them to the terminals.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "db/DbDb.h"
#include "db/DbDnl.h"
#include "db/sql/Status.h"
#include "driver/TerminalText.h"
#include "msg/Progress.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin resend-order ORDER REQUESTER [KIND] [--yes] [--quiet]\n"
    "Marks every position of ORDER as due for REQUESTER with the download kind KIND (AEN when\n"
    "left out), so the next jobfeed run for REQUESTER sends them to the terminals. KIND is NEU,\n"
    "AEN, STA or LOE. LOE withdraws the positions: the next run sends each as a deletion and then\n"
    "deletes it from the database, so LOE asks for --yes.\n"
    "Run it in jobfeed's working directory: it connects through the same login file.\n"
    "Exit code: 0 marked, 1 the order has no positions or the database failed, 2 bad use.\n"
    "On a terminal it shows on standard error that it is at work; --quiet turns that off.\n";

constexpr const char* kKinds[] = {"NEU", "AEN", "STA", "LOE"};

int BadUse(const char* message) {
  std::fprintf(stderr, "jobfeed-admin resend-order: %s\n%s", message, kUsage);
  return 2;
}

}  // namespace

int CmdResendOrder(int argc, char** argv) {
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  const bool quiet = TakeQuiet(&argc, argv);
  const char* args[3] = {};
  int n = 0;
  bool yes = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--yes") {
      yes = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return BadUse("unknown option");
    } else if (n == 3) {
      return BadUse("too many arguments");
    } else {
      args[n++] = argv[i];
    }
  }
  if (n < 2) return BadUse("ORDER and REQUESTER are needed");
  // In the program's code page, as jobfeed takes them; printed back as they were given.
  std::string order_text, requester_text;
  if (!ArgumentFromTerminal(args[0], &order_text) ||
      !ArgumentFromTerminal(args[1], &requester_text)) {
    return BadUse("ORDER and REQUESTER take only characters of Windows-1252");
  }
  const std::string_view order = order_text, requester = requester_text;
  const std::string_view kind = n == 3 ? args[2] : "AEN";
  // Nothing is cut or trimmed: a cut order number could mark another order, a cut name another
  // requester, and rows marked for " OP1" or "OP1 " would never be sent.
  if (const char* fault = TypedValueFault(order))
    return BadUse(("ORDER " + std::string(fault)).c_str());
  if (const char* fault = TypedValueFault(requester)) {
    return BadUse(("REQUESTER " + std::string(fault)).c_str());
  }
  if (order.size() > AppRecord{}.AppApk.kWidth) return BadUse("ORDER has 1 to 12 characters");
  if (requester.size() > AppRecord{}.AppDwn.kWidth) {
    return BadUse("REQUESTER has 1 to 8 characters (jobfeed uses the first 8 of its argument)");
  }
  if (std::find(std::begin(kKinds), std::end(kKinds), kind) == std::end(kKinds)) {
    return BadUse("KIND is NEU, AEN, STA or LOE");
  }
  if (kind == "LOE" && !yes) {
    return BadUse(
        "LOE makes the next run delete every position of the order after sending it; add --yes");
  }
  if (!ConnectSite("resend-order")) return 1;

  AppRecord rec;
  rec.AppApk = order;
  rec.AppDwn = requester;
  rec.AppDna = kind;
  // One statement marks them all: there is nothing to count, only that it is at work.
  ProgressLine progress(!quiet);
  progress.Draw(std::string("resend-order: marking every position of order ") + args[0] + " ...");
  const int rc = Apk_AppDel(&rec);
  bdCommit();
  progress.Hide();
  if (rc == sql::kNotFound) {
    std::fprintf(stderr, "jobfeed-admin resend-order: order %s has no positions\n", args[0]);
    return 1;
  }
  if (rc != 0) return DatabaseFailed("resend-order", rc);
  std::printf("order %s: every position marked %.*s for %s; the next run for %s sends them\n",
              args[0], static_cast<int>(kind.size()), kind.data(), args[1], args[1]);
  return 0;
}

}  // namespace jf::admin
