// jobfeed-admin terminals and terminal AREA: the terminal configuration as the writer sees it.
// The writer finds an area's terminal by comparing the area with the ranges as text, so a range
// may hold areas nobody meant it to; these commands show what it actually does.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "db/DbDb.h"
#include "db/DbDnl.h"
#include "db/sql/Status.h"
#include "download/SndBuf.h"
#include "driver/TerminalText.h"
#include "tools/admin_commands.h"
#include "tools/admin_operator.h"

namespace jf::admin {

namespace {

constexpr const char* kTerminalsUsage =
    "usage: jobfeed-admin terminals\n"
    "Lists the terminal configuration (Kvl557Cfg) and checks it. One line a terminal, fields\n"
    "separated by a tab, '-' for an empty one:\n"
    "  terminal NUMBER ADDRESS PORT RANGE1 RANGE2 RANGE3 RANGE4 RANGE5   (a range: FROM..TO)\n"
    "then one line a finding:\n"
    "  check start-after-end|open-range|not-looked-up|overlap TEXT\n"
    "  note length TEXT\n"
    "The writer looks an area up in ranges 1 and 2 only, compares it with their ends as text\n"
    "and takes the lowest terminal number among the matches. So a range whose start is after\n"
    "its end, or that has only one end, holds no area; ranges 3 to 5 serve nothing; where\n"
    "ranges of two terminals overlap, the lower number gets those areas; and a range such as\n"
    "100..199 also holds 15 and 1000 (noted, as most sites mean it so).\n"
    "Run it in jobfeed's working directory: it connects through the same login file.\n"
    "Exit code: 0 nothing to check, 1 a check line, 2 bad use, 3 the database failed.\n";

constexpr const char* kTerminalUsage =
    "usage: jobfeed-admin terminal AREA\n"
    "Says which terminal the writer sends the lines of production area AREA to, by the very\n"
    "lookup the writer uses, and through which range. One line, fields separated by a tab:\n"
    "  AREA NUMBER ADDRESS PORT RANGE          (RANGE: its number, FROM..TO)\n"
    "then a line for every other terminal whose ranges hold AREA too, which the writer passes\n"
    "over because it takes the lowest number:\n"
    "  also NUMBER ADDRESS PORT RANGE\n"
    "and a line for a range 3 to 5 that holds AREA, which the lookup never reads:\n"
    "  unused NUMBER ADDRESS PORT RANGE\n"
    "When no terminal gets AREA: AREA - - - no terminal serves area AREA.\n"
    "Run it in jobfeed's working directory: it connects through the same login file.\n"
    "Exit code: 0 a terminal gets AREA, 1 none does, 2 bad use, 3 the database failed.\n";

constexpr int kRanges = 5;
constexpr int kLookedUp = 2;  // the lookup reads ranges 1 and 2

struct Range {
  std::string_view from, to;
};

Range RangeOf(const CfgRecord& c, int i) {
  switch (i) {
    case 1:
      return {c.CfgVn1.view(), c.CfgBi1.view()};
    case 2:
      return {c.CfgVn2.view(), c.CfgBi2.view()};
    case 3:
      return {c.CfgVn3.view(), c.CfgBi3.view()};
    case 4:
      return {c.CfgVn4.view(), c.CfgBi4.view()};
    default:
      return {c.CfgVn5.view(), c.CfgBi5.view()};
  }
}

bool Empty(const Range& r) {
  return r.from.empty() && r.to.empty();
}

// The database compares the texts byte by byte (both ends inclusive); an empty end is NULL in
// the database and holds nothing.
bool Holds(const Range& r, std::string_view area) {
  return !r.from.empty() && !r.to.empty() && r.from <= area && area <= r.to;
}

std::string Shown(const Range& r) {
  if (Empty(r)) return {};
  return std::string(r.from) + ".." + std::string(r.to);
}

std::string Named(const CfgRecord& c, int i) {
  return "terminal " + std::to_string(c.CfgDta) + " range " + std::to_string(i) + " (" +
         Shown(RangeOf(c, i)) + ")";
}

// A text of another length than the range's start that the range holds, as an example; empty
// when there is none to give. Shorter: the next digit string after a prefix of the start.
std::string OtherLength(const Range& r, bool shorter) {
  if (!shorter) {
    std::string longer = std::string(r.from) + "0";
    return Holds(r, longer) && longer.size() != r.to.size() ? longer : std::string();
  }
  for (std::size_t k = 1; k < r.from.size(); ++k) {
    std::string p(r.from.substr(0, k));
    if (p.find_first_not_of("0123456789") != std::string::npos) break;
    std::size_t i = p.size();
    while (i > 0 && p[i - 1] == '9') p[--i] = '0';
    if (i == 0) continue;
    ++p[i - 1];
    if (Holds(r, p) && p.size() != r.to.size()) return p;
  }
  return {};
}

int ReadTerminals(std::vector<CfgRecord>* out) {
  if (int rc = Cfg_OpenAll(); rc != 0) return rc;
  CfgRecord c;
  int rc = 0;
  while ((rc = Cfg_FetchAll(&c)) == 0) out->push_back(c);
  const int close = Cfg_CloseAll();
  return rc != sql::kNotFound ? rc : close;
}

// The findings of one terminal's own ranges; returns how many checks (not notes) it printed.
int CheckRanges(const CfgRecord& c) {
  int checks = 0;
  for (int i = 1; i <= kRanges; ++i) {
    const Range r = RangeOf(c, i);
    if (Empty(r)) continue;
    if (r.from.empty() || r.to.empty()) {
      PrintRow({"check", "open-range", Named(c, i) + ": a range with an empty end holds no area"});
      ++checks;
    } else if (r.from > r.to) {
      PrintRow({"check", "start-after-end",
                Named(c, i) + ": its start is after its end, so it holds no area"});
      ++checks;
    } else if (i > kLookedUp) {
      PrintRow({"check", "not-looked-up",
                Named(c, i) + ": the writer looks areas up in ranges 1 and 2 only; an area only "
                              "this range holds gets no terminal"});
      ++checks;
    } else if (r.from != r.to) {
      const std::string shorter = OtherLength(r, true), longer = OtherLength(r, false);
      std::string eg = shorter;
      if (!longer.empty()) eg += (eg.empty() ? "" : " and ") + longer;
      if (!eg.empty()) {
        PrintRow(
            {"note", "length", Named(c, i) + " also holds " + eg + ": areas are compared as text"});
      }
    }
  }
  return checks;
}

// Areas that ranges of two terminals both hold: the lower terminal number gets them.
int CheckOverlaps(const std::vector<CfgRecord>& terminals) {
  int checks = 0;
  for (std::size_t a = 0; a < terminals.size(); ++a) {
    for (std::size_t b = a + 1; b < terminals.size(); ++b) {
      if (terminals[a].CfgDta == terminals[b].CfgDta) continue;
      for (int i = 1; i <= kLookedUp; ++i) {
        for (int j = 1; j <= kLookedUp; ++j) {
          const Range x = RangeOf(terminals[a], i), y = RangeOf(terminals[b], j);
          if (x.from.empty() || x.to.empty() || y.from.empty() || y.to.empty()) continue;
          const std::string_view lo = x.from > y.from ? x.from : y.from;
          const std::string_view hi = x.to < y.to ? x.to : y.to;
          if (lo > hi) continue;
          const CfgRecord& first =
              terminals[a].CfgDta < terminals[b].CfgDta ? terminals[a] : terminals[b];
          PrintRow({"check", "overlap",
                    "areas " + std::string(lo) + ".." + std::string(hi) + " lie in " +
                        Named(terminals[a], i) + " and " + Named(terminals[b], j) +
                        "; the writer sends them to terminal " + std::to_string(first.CfgDta)});
          ++checks;
        }
      }
    }
  }
  return checks;
}

}  // namespace

int CmdTerminals(int argc, char** argv) {
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kTerminalsUsage, &rc)) return rc;
  if (argc != 1) {
    std::fprintf(stderr, "jobfeed-admin terminals: takes no arguments\n%s", kTerminalsUsage);
    return kExitBadUse;
  }
  if (!ConnectSite("terminals")) return kExitFailed;
  std::vector<CfgRecord> terminals;
  const int rc = ReadTerminals(&terminals);
  bdCommit();
  if (rc != 0) {
    DatabaseFailed("terminals", rc);
    return kExitFailed;
  }
  for (const CfgRecord& c : terminals) {
    const std::string number = std::to_string(c.CfgDta);
    PrintRow({"terminal", number, c.CfgIP.view(), c.CfgPrt.view(), Shown(RangeOf(c, 1)),
              Shown(RangeOf(c, 2)), Shown(RangeOf(c, 3)), Shown(RangeOf(c, 4)),
              Shown(RangeOf(c, 5))});
  }
  int checks = 0;
  for (const CfgRecord& c : terminals) checks += CheckRanges(c);
  checks += CheckOverlaps(terminals);
  if (terminals.empty()) {
    std::fprintf(stderr, "jobfeed-admin terminals: no terminal is configured: no line can go\n");
    return kExitLook;
  }
  return checks > 0 ? kExitLook : 0;
}

int CmdTerminal(int argc, char** argv) {
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kTerminalUsage, &rc)) return rc;
  auto bad = [](const char* why) {
    std::fprintf(stderr, "jobfeed-admin terminal: %s\n%s", why, kTerminalUsage);
    return kExitBadUse;
  };
  if (argc != 2) return bad("expected one AREA");
  std::string area;  // in the program's code page, as the rows hold it
  if (!ArgumentFromTerminal(argv[1], &area))
    return bad("AREA takes only characters of Windows-1252");
  if (area.empty()) return bad("AREA is empty; an empty area is no area, and no terminal gets it");
  if (area.size() > CfgRecord{}.CfgVn1.kWidth) {
    return bad("AREA has at most 10 characters, as the production area columns");
  }
  if (!ConnectSite("terminal")) return kExitFailed;

  CfgRecord cfg;
  const int found = SndBuf_FindTerminal(&cfg, area.c_str());
  if (found != 0 && found != sql::kNotFound) {
    bdCommit();
    DatabaseFailed("terminal", found);
    return kExitFailed;
  }
  std::vector<CfgRecord> terminals;
  const int rc = ReadTerminals(&terminals);
  bdCommit();
  if (rc != 0) {
    DatabaseFailed("terminal", rc);
    return kExitFailed;
  }
  auto which = [&](const CfgRecord& c, int i) {
    return std::to_string(i) + " " + Shown(RangeOf(c, i));
  };
  if (found == 0) {
    int by = Holds(RangeOf(cfg, 1), area) ? 1 : 2;
    PrintRow(
        {area, std::to_string(cfg.CfgDta), cfg.CfgIP.view(), cfg.CfgPrt.view(), which(cfg, by)});
  } else {
    PrintRow({area, "", "", "", "no terminal serves area " + area});
  }
  for (const CfgRecord& c : terminals) {
    for (int i = 1; i <= kRanges; ++i) {
      if (!Holds(RangeOf(c, i), area)) continue;
      const bool looked_up = i <= kLookedUp;
      const int by = i;
      // One line a terminal for its looked-up ranges, none for the one the writer takes.
      if (looked_up) i = kLookedUp;
      if (looked_up && found == 0 && c.CfgDta == cfg.CfgDta) continue;
      PrintRow({looked_up ? "also" : "unused", std::to_string(c.CfgDta), c.CfgIP.view(),
                c.CfgPrt.view(), which(c, by)});
    }
  }
  return found == 0 ? 0 : kExitLook;
}

}  // namespace jf::admin
