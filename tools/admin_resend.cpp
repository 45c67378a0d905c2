// jobfeed-admin resend-order: marks the positions of an order as due for a requester again, so
// the next run for that requester sends them to the terminals. It never loses work that is still
// pending: a first send or a withdrawal not yet sent keeps its kind, a position due for another
// requester stays theirs unless taken, and a requester that differs only in letter case from
// one that rows are due for is taken for the typing slip it almost always is.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "db/DbDb.h"
#include "db/DbDnl.h"
#include "db/Dbstd.h"
#include "db/sql/Status.h"
#include "driver/TerminalText.h"
#include "msg/Progress.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin resend-order ORDER REQUESTER [KIND] [--position P] [--with-header]\n"
    "                                  [--take] [--new-requester] [--dry-run] [--yes] [--quiet]\n"
    "Marks the positions of ORDER as due for REQUESTER with the download kind KIND (AEN when\n"
    "left out), so the next jobfeed run for REQUESTER sends them to the terminals. KIND is NEU,\n"
    "AEN, STA or LOE. LOE withdraws the positions: the next run sends each as a deletion and then\n"
    "deletes it from the database, so LOE asks for --yes.\n"
    "Nothing pending is lost:\n"
    "  - a position already due for REQUESTER as NEU or LOE keeps that kind (a first send or a\n"
    "    withdrawal is never turned into a change); only LOE given with --yes replaces it;\n"
    "  - a position due for another requester is left as it is and listed; --take moves it to\n"
    "    REQUESTER (keeping a pending NEU or LOE);\n"
    "  - a REQUESTER that differs only in letter case from one that rows are due for (meister1\n"
    "    beside MEISTER1) is refused; --new-requester says it is meant.\n"
    "--position P resends position P only; --with-header marks the order header too (with KIND,\n"
    "or AEN when KIND is LOE: withdrawing positions does not withdraw the order).\n"
    "--dry-run lists what would change and changes nothing.\n"
    "Only the download marker and kind of a row change; every other column keeps what it holds.\n"
    "Output: one line per row, fields separated by a tab:\n"
    "  WHAT ROW OLD-MARKER OLD-KIND NEW-MARKER NEW-KIND\n"
    "WHAT is marked (would-mark with --dry-run), kept (already due as asked, or a pending NEU or\n"
    "LOE stays) or left (due for another requester); ROW is the position number or 'header';\n"
    "an empty marker or kind is '-'. A last line sums it up.\n"
    "Run it in jobfeed's working directory: it connects through the same login file.\n"
    "Exit code: 0 done, 1 something to look at (rows left for another requester, no such\n"
    "positions) or the database failed, 2 bad use or refused (nothing changed).\n"
    "On a terminal it shows on standard error that it is at work; --quiet turns that off.\n";

constexpr const char* kKinds[] = {"NEU", "AEN", "STA", "LOE"};

int BadUse(const std::string& message) {
  std::fprintf(stderr, "jobfeed-admin resend-order: %s\n%s", message.c_str(), kUsage);
  return 2;
}

// Letter case as the terminals' side ignores it: ASCII and the Windows-1252 letters with their
// capitals 0x20 below them (every one but the multiplication and division signs).
char Upper(char c) {
  const auto u = static_cast<unsigned char>(c);
  if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7)) {
    return static_cast<char>(u - 0x20);
  }
  return c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Upper(x) == Upper(y); });
}

struct Options {
  std::string_view requester;
  bool take = false;
  bool dryRun = false;
};

// What becomes of one row: its marker and kind before and after.
struct Change {
  std::string row;  // position number or "header"
  std::string oldDwn, oldDna, newDwn, newDna;
  const char* what = "kept";
};

// The rule for one row due (or not) as oldDwn/oldDna. A pending first send or withdrawal keeps
// its kind unless a withdrawal is asked for, which needed --yes.
Change Decide(std::string row, std::string_view dwn, std::string_view dna, const Options& o,
              std::string_view kind) {
  Change c{std::move(row), std::string(dwn), std::string(dna), std::string(dwn), std::string(dna)};
  if (!dwn.empty() && dwn != o.requester && !o.take) {
    c.what = "left";
    return c;
  }
  const bool pending = !dwn.empty() && (dna == "NEU" || dna == "LOE");
  c.newDwn = o.requester;
  c.newDna = pending && kind != "LOE" ? std::string(dna) : std::string(kind);
  const bool changes = c.newDwn != c.oldDwn || c.newDna != c.oldDna;
  c.what = !changes ? "kept" : o.dryRun ? "would-mark" : "marked";
  return c;
}

std::string Shown(std::string_view v) {
  return v.empty() ? "-" : ForTerminal(v);
}

void Print(const Change& c) {
  std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", c.what, ForTerminal(c.row).c_str(),
              Shown(c.oldDwn).c_str(), Shown(c.oldDna).c_str(), Shown(c.newDwn).c_str(),
              Shown(c.newDna).c_str());
}

// A requester rows are due for that differs from the typed one in letter case only, or empty.
// A database failure is reported in *rc.
std::string CaseTwin(std::string_view requester, int* rc) {
  std::string twin;
  bool exact = false;
  *rc = Apk_OpenMarkers();
  if (*rc != 0) return twin;
  AppRecord m;
  while ((*rc = Apk_FetchMarker(&m)) == 0) {
    const std::string_view v = m.AppDwn.view();
    if (v == requester)
      exact = true;
    else if (twin.empty() && SameIgnoringCase(v, requester))
      twin = v;
  }
  Apk_CloseMarkers();
  if (*rc == sql::kNotFound) *rc = 0;
  return exact ? std::string() : twin;
}

}  // namespace

int CmdResendOrder(int argc, char** argv) {
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  const bool quiet = TakeQuiet(&argc, argv);
  const char* args[3] = {};
  int n = 0;
  bool yes = false, newRequester = false, withHeader = false;
  Options o;
  const char* position = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--yes") {
      yes = true;
    } else if (a == "--take") {
      o.take = true;
    } else if (a == "--new-requester") {
      newRequester = true;
    } else if (a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--with-header") {
      withHeader = true;
    } else if (a == "--position") {
      if (i + 1 == argc) return BadUse("--position needs a position number");
      position = argv[++i];
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
  std::string order_text, requester_text, position_text;
  if (!ArgumentFromTerminal(args[0], &order_text) ||
      !ArgumentFromTerminal(args[1], &requester_text) ||
      (position != nullptr && !ArgumentFromTerminal(position, &position_text))) {
    return BadUse("ORDER, REQUESTER and P take only characters of Windows-1252");
  }
  const std::string_view order = order_text, requester = requester_text;
  const std::string_view kind = n == 3 ? args[2] : "AEN";
  o.requester = requester;
  // Nothing is cut or trimmed: a cut order number could mark another order, a cut name another
  // requester, and rows marked for " OP1" or "OP1 " would never be sent.
  if (const char* fault = TypedValueFault(order)) return BadUse("ORDER " + std::string(fault));
  if (const char* fault = TypedValueFault(requester)) {
    return BadUse("REQUESTER " + std::string(fault));
  }
  if (order.size() > AppRecord{}.AppApk.kWidth) return BadUse("ORDER has 1 to 12 characters");
  if (requester.size() > AppRecord{}.AppDwn.kWidth) {
    return BadUse("REQUESTER has 1 to 8 characters (jobfeed uses the first 8 of its argument)");
  }
  if (position != nullptr) {
    if (const char* fault = TypedValueFault(position_text)) {
      return BadUse("P " + std::string(fault));
    }
    if (position_text.size() > AppRecord{}.AppApp.kWidth) return BadUse("P has 1 to 5 characters");
  }
  if (std::find(std::begin(kKinds), std::end(kKinds), kind) == std::end(kKinds)) {
    return BadUse("KIND is NEU, AEN, STA or LOE");
  }
  if (kind == "LOE" && !yes) {
    return BadUse(
        "LOE makes the next run delete every position it names after sending it; add --yes");
  }
  if (!ConnectSite("resend-order")) return 1;

  if (!newRequester) {
    int rc = 0;
    const std::string twin = CaseTwin(requester, &rc);
    if (rc != 0) return DatabaseFailed("resend-order", rc);
    if (!twin.empty()) {
      return BadUse("REQUESTER " + ForTerminal(requester, stderr) +
                    " differs only in letter case from " + ForTerminal(twin, stderr) +
                    ", which rows are due for, and no run for it would send them; nothing "
                    "changed (add --new-requester if it is meant)");
    }
  }

  // The positions' keys first; each is then locked and read again, so what is decided on is
  // what stands when it is written.
  std::vector<std::string> keys;
  int rc = App_OpenOrder(order_text.c_str());
  if (rc == 0) {
    AppRecord p;
    while ((rc = App_FetchOrder(&p)) == 0) {
      if (position == nullptr || p.AppApp.view() == position_text)
        keys.emplace_back(p.AppApp.view());
    }
    App_CloseOrder();
  }
  if (rc != 0 && rc != sql::kNotFound) return DatabaseFailed("resend-order", rc);
  if (keys.empty() && !withHeader) {
    if (position != nullptr) {
      std::fprintf(stderr, "jobfeed-admin resend-order: order %s has no position %s\n", args[0],
                   position);
    } else {
      std::fprintf(stderr, "jobfeed-admin resend-order: order %s has no positions\n", args[0]);
    }
    return 1;
  }

  ProgressLine progress(!quiet);
  progress.Draw(std::string("resend-order: marking the positions of order ") + args[0] + " ...");
  std::vector<Change> changes;
  bool headerMissing = false;
  rc = bdRetryUnit([&](bool) {
    changes.clear();
    headerMissing = false;
    int st = bdBeginUnit("Apk_AppDel");
    if (st != 0) return st;
    if (withHeader) {
      ApkRecord h;
      h.ApkApk = order;
      st = Apk_PKeyLock(&h);
      if (st == sql::kNotFound) {
        headerMissing = true;
        st = 0;
      } else if (st == 0) {
        Change c = Decide("header", h.ApkDwn.view(), h.ApkDna.view(), o,
                          kind == "LOE" ? std::string_view("AEN") : kind);
        if (std::strcmp(c.what, "marked") == 0) {
          h.ApkDwn = c.newDwn;
          h.ApkDna = c.newDna;
          st = Apk_MarkOne(&h);
        }
        changes.push_back(std::move(c));
      }
    }
    for (const std::string& key : keys) {
      if (st != 0) break;
      AppRecord p;
      p.AppApk = order;
      p.AppApp = key;
      st = App_PKeyLock(&p);
      if (st == sql::kNotFound) {  // deleted since: nothing to resend
        st = 0;
        continue;
      }
      if (st != 0) break;
      Change c = Decide(key, p.AppDwn.view(), p.AppDna.view(), o, kind);
      if (std::strcmp(c.what, "marked") == 0) {
        p.AppDwn = c.newDwn;
        p.AppDna = c.newDna;
        st = App_MarkOne(&p);
      }
      changes.push_back(std::move(c));
    }
    const int end = bdEndUnit(st == 0 && !o.dryRun);
    return st != 0 ? st : end;
  });
  bdCommit();
  progress.Hide();
  if (rc != 0) return DatabaseFailed("resend-order", rc);

  int marked = 0, kept = 0, left = 0;
  for (const Change& c : changes) {
    Print(c);
    if (std::strcmp(c.what, "left") == 0)
      ++left;
    else if (std::strcmp(c.what, "kept") == 0)
      ++kept;
    else
      ++marked;
  }
  if (headerMissing) {
    std::fprintf(stderr, "jobfeed-admin resend-order: order %s has no order header\n", args[0]);
  }
  std::printf("order %s: %d %s for %s, %d kept, %d left for other requesters%s\n", args[0], marked,
              o.dryRun ? "would be marked" : "marked", args[1], kept, left,
              o.dryRun ? "; dry run, nothing changed" : "");
  return left > 0 || headerMissing || changes.empty() ? 1 : 0;
}

}  // namespace jf::admin
