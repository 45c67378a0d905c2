// jobfeed-admin due: every row that is due for download, the terminal its lines go to, and what
// keeps it from going: no terminal for its area, a value the downloads cannot read, a missing
// cost centre assignment, or, in an order download, an earlier row that stops the download.
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "db/DbDb.h"
#include "db/DbDnl/Due.h"
#include "db/Dbstd.h"
#include "db/sql/Status.h"
#include "download/SndBuf.h"
#include "driver/TerminalText.h"
#include "tools/admin_commands.h"
#include "tools/admin_operator.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin due [REQUESTER]\n"
    "Lists every row due for download, for REQUESTER or for every requester rows are marked\n"
    "for: order headers (APK) and positions (APP), workplace groups (MAG), workplaces (MAS),\n"
    "interruption reasons (UBG), persons (PNR), and the cost centres (KST), which every master\n"
    "data run sends whole to every area of type 1 (requester *). One line a row, in the order\n"
    "the download takes them, fields separated by a tab, '-' for an empty one:\n"
    "  REQUESTER KIND KEY DOWNLOAD-KIND AREA TERMINAL ADDRESS PORT SINCE STATE REASON\n"
    "KEY is ORDER/POSITION for a position; SINCE the row's change date (yyyy-mm-dd hh:mm:ss);\n"
    "the terminal is the one the writer's own lookup gives for AREA. STATE is\n"
    "  due      the next run sends it;\n"
    "  blocked  it cannot go as things stand: REASON says why (no terminal serves its area, a\n"
    "           value the downloads cannot read, no cost centre assignment valid today);\n"
    "  held     an order download stops at its first failing row, and this row comes after a\n"
    "           blocked one (REASON names it); so does any download behind a row its cursor\n"
    "           cannot read.\n"
    "After each requester's rows a summary line:\n"
    "  REQUESTER summary due N blocked N held-up N oldest SINCE\n"
    "Run it in jobfeed's working directory: it connects through the same login file.\n"
    "Exit code: 0 nothing blocked, 1 a row is blocked (or REQUESTER has no rows but one that\n"
    "differs only in letter case has), 2 bad use, 3 the database failed.\n";

int BadUse(const std::string& why) {
  std::fprintf(stderr, "jobfeed-admin due: %s\n%s", ForTerminal(why, stderr).c_str(), kUsage);
  return kExitBadUse;
}

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return u;
}

// What the writer's lookup and the cost centre reads answer, asked once per area and group.
class Lookups {
 public:
  // 0 or 1403 with the terminal in *cfg; any other status is the database's failure.
  int Terminal(const std::string& area, CfgRecord* cfg) {
    auto it = terminals_.find(area);
    if (it == terminals_.end()) {
      CfgRecord c;
      const int rc = SndBuf_FindTerminal(&c, area.c_str());
      it = terminals_.emplace(area, std::make_pair(rc, c)).first;
    }
    *cfg = it->second.second;
    return it->second.first;
  }
  // The status of the read of the group's cost centre assignment valid today: 0, 1403 (none) or
  // -2112 (more than one).
  int Assignment(const std::string& group) {
    auto it = assignments_.find(group);
    if (it == assignments_.end()) {
      KsgRecord k;
      k.KsgApg = group;
      it = assignments_.emplace(group, Ksg_ReadCurrent(&k)).first;
    }
    return it->second;
  }

 private:
  std::map<std::string, std::pair<int, CfgRecord>> terminals_;
  std::map<std::string, int> assignments_;
};

struct Counts {
  long due = 0, blocked = 0, held = 0;
  std::string oldest;  // yyyymmddHHMMSS
};

// Why the row cannot go, or empty. *stops: the reason stops the whole download here.
// *failed: a database status other than the answers looked for.
std::string Blocked(const DueKind& k, const DueRow& r, Lookups* look, CfgRecord* cfg, bool* stops,
                    int* failed) {
  *stops = false;
  std::string why;
  for (std::size_t i = 0; i < k.numbers.size() && i < kDueMaxNumbers; ++i) {
    const DueNumber& n = k.numbers[i];
    const double v = r.number[i];
    const double lo = n.bits == 16 ? INT16_MIN : INT32_MIN;
    const double hi = n.bits == 16 ? INT16_MAX : INT32_MAX;
    if (v >= lo && v <= hi) continue;
    char text[120];
    std::snprintf(text, sizeof text, "%s %.0f does not fit %d bits: the row cannot be read (%d)",
                  n.column, v, n.bits, static_cast<int>(sql::kIntegerOverflow));
    if (why.empty()) why = text;
    *stops = *stops || n.cursor;
  }
  const std::string area(r.area.view());
  const int t = look->Terminal(area, cfg);
  if (t == sql::kNotFound) {
    if (why.empty())
      why = area.empty() ? "no terminal serves an empty area" : "no terminal serves area " + area;
  } else if (t != 0) {
    *failed = t;
  }
  if (k.assignment != DueAssignment::kNone) {
    const std::string group(r.group.view());
    const int a = look->Assignment(group);
    if (a == sql::kNotFound && why.empty()) {
      why = "workplace group " + group + " has no cost centre assignment valid today";
      if (k.assignment == DueAssignment::kAny) why += ", so its download never reaches it";
    } else if (a == sql::kTooManyRows && k.assignment == DueAssignment::kExactlyOne) {
      if (why.empty()) {
        why = "workplace group " + group + " has more than one cost centre assignment valid today";
      }
    } else if (a != 0 && a != sql::kNotFound && a != sql::kTooManyRows) {
      *failed = a;
    }
  }
  return why;
}

// Says once that the table of a kind is missing (a database made before it existed): its rows
// are not listed, the others are.
void Missing(const DueKind& k, std::set<std::string>* said) {
  if (said->insert(k.tag).second) {
    std::fprintf(stderr,
                 "jobfeed-admin due: the table of the %s rows is missing (status %d); "
                 "'jobfeed-admin init-db' adds it\n",
                 k.tag, static_cast<int>(sql::kNoTable));
  }
}

// Lists the rows of one kind due for the requester. Returns 0 or the database's status.
int ListKind(const DueKind& k, const std::string& requester, Lookups* look, Counts* counts,
             std::set<std::string>* missing) {
  if (missing->count(k.tag) != 0) return 0;
  if (int rc = Due_Open(k, requester.c_str()); rc != 0) {
    if (rc != sql::kNoTable) return rc;
    Missing(k, missing);
    return 0;
  }
  DueRow r;
  int rc = 0;
  std::string stopper;  // the row the download stops at, once there is one
  while ((rc = Due_Fetch(k, &r)) == 0) {
    CfgRecord cfg;
    bool stops = false;
    int failed = 0;
    const std::string why = Blocked(k, r, look, &cfg, &stops, &failed);
    if (failed != 0) {
      Due_Close(k);
      return failed;
    }
    std::string key(r.key.view());
    if (k.position) key += "/" + std::string(r.position.view());
    const char* state = "due";
    std::string reason = why;
    if (!why.empty()) {
      state = "blocked";
      ++counts->blocked;
      if (stopper.empty() && (k.order || stops)) stopper = std::string(k.tag) + " " + key;
    } else if (!stopper.empty()) {
      state = "held";
      reason = "held up by " + stopper;
      ++counts->held;
    }
    ++counts->due;
    if (!r.since.view().empty() && (counts->oldest.empty() || r.since.view() < counts->oldest)) {
      counts->oldest = r.since.view();
    }
    const bool served = look->Terminal(std::string(r.area.view()), &cfg) == 0;
    PrintRow({requester, k.tag, key, r.dna.view(), r.area.view(),
              served ? std::to_string(cfg.CfgDta) : "", served ? cfg.CfgIP.view() : "",
              served ? cfg.CfgPrt.view() : "", ShownInstant(r.since.view()), state, reason});
  }
  const int close = Due_Close(k);
  return rc != sql::kNotFound ? rc : close;
}

void PrintSummary(const std::string& requester, const Counts& c) {
  PrintRow({requester, "summary", "due " + std::to_string(c.due),
            "blocked " + std::to_string(c.blocked), "held-up " + std::to_string(c.held),
            c.oldest.empty() ? "oldest -" : "oldest " + ShownInstant(c.oldest)});
}

// Every requester rows of any marked kind are due for.
int Requesters(std::set<std::string>* out, std::set<std::string>* missing) {
  for (const DueKind& k : DueKinds()) {
    if (!k.marked) continue;
    if (int rc = Due_OpenRequesters(k); rc != 0) {
      if (rc != sql::kNoTable) return rc;
      Missing(k, missing);
      continue;
    }
    Text<8> name;
    int rc = 0;
    while ((rc = Due_FetchRequester(k, &name)) == 0) out->emplace(name.view());
    const int close = Due_CloseRequesters(k);
    if (rc != sql::kNotFound) return rc;
    if (close != 0) return close;
  }
  return 0;
}

int Failed(int status) {
  bdCommit();
  DatabaseFailed("due", status);
  return kExitFailed;
}

}  // namespace

int CmdDue(int argc, char** argv) {
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  if (argc > 2) return BadUse("expected at most one REQUESTER");
  std::string wanted;  // in the program's code page, as the markers hold it
  if (argc == 2) {
    if (argv[1][0] == '-') return BadUse(std::string("unknown option ") + argv[1]);
    if (!ArgumentFromTerminal(argv[1], &wanted)) {
      return BadUse("REQUESTER takes only characters of Windows-1252");
    }
    if (const char* fault = TypedValueFault(wanted)) {
      return BadUse("REQUESTER " + std::string(fault));
    }
    if (wanted.size() > Text<8>::kWidth) {
      return BadUse("REQUESTER has 1 to 8 characters (jobfeed uses the first 8 of its argument)");
    }
  }
  if (!ConnectSite("due")) return kExitFailed;

  std::set<std::string> requesters, missing;
  if (int rc = Requesters(&requesters, &missing); rc != 0) return Failed(rc);
  int exit = 0;
  if (argc == 2 && requesters.count(wanted) == 0) {
    // The typo trap: a name that differs only in letter case is another requester to the runs.
    std::string like, all;
    for (const std::string& r : requesters) {
      all += (all.empty() ? "" : ", ") + r;
      if (Upper(r) == Upper(wanted)) like += (like.empty() ? "" : ", ") + r;
    }
    std::string note = "nothing is due for " + wanted;
    if (!like.empty()) {
      note += "; rows are due for " + like + ", which differs only in letter case";
      exit = kExitLook;
    } else if (!all.empty()) {
      note += "; rows are due for " + all;
    }
    std::fprintf(stderr, "jobfeed-admin due: %s\n", ForTerminal(note, stderr).c_str());
  }
  if (argc == 2) requesters = {wanted};

  Lookups look;
  long blocked = 0;
  for (const std::string& requester : requesters) {
    Counts counts;
    for (const DueKind& k : DueKinds()) {
      if (!k.marked) continue;
      if (int rc = ListKind(k, requester, &look, &counts, &missing); rc != 0) return Failed(rc);
    }
    PrintSummary(requester, counts);
    blocked += counts.blocked;
  }
  // The cost centres go to no requester in particular: every master data run sends them.
  Counts counts;
  for (const DueKind& k : DueKinds()) {
    if (k.marked) continue;
    if (int rc = ListKind(k, "*", &look, &counts, &missing); rc != 0) return Failed(rc);
  }
  PrintSummary("*", counts);
  blocked += counts.blocked;
  bdCommit();
  return blocked > 0 ? kExitLook : exit;
}

}  // namespace jf::admin
