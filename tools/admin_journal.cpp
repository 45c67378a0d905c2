// jobfeed-admin journal: lists what the download journal holds for a requester at one instant,
// field by field as show-buffer shows the lines of a send-buffer file.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "db/DbDb.h"
#include "db/DbDnl.h"
#include "db/sql/Status.h"
#include "driver/TerminalText.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin journal REQUESTER [DATE TIME]\n"
    "Without DATE and TIME: the runs of REQUESTER, newest first, one a line, fields separated by\n"
    "a tab:\n"
    "  run    DATE TIME APK=headers APP=positions NEU=n AEN=n LOE=n   (download statistics)\n"
    "  lines  DATE TIME LINES TYPE=n ...                              (journal lines stamped so)\n"
    "With them: the download journal lines of REQUESTER stamped DATE (yyyymmdd) TIME (HHMMSS), by\n"
    "record type: their keys and the payload cut into the fields of its record type, values in\n"
    "[ ] as show-buffer shows them.\n"
    "The programs keep the journal when JOBFEED_JOURNAL=1 is in their environment.\n"
    "Run it in jobfeed's working directory: it connects through the same login file.\n"
    "Exit code: 0 listed (also when there are no lines), 1 the database failed, 2 bad use.\n";

int BadUse(const char* message) {
  std::fprintf(stderr, "jobfeed-admin journal: %s\n%s", message, kUsage);
  return 2;
}

bool Digits(std::string_view s, std::size_t n) {
  return s.size() == n && s.find_first_not_of("0123456789") == std::string_view::npos;
}

void ShowLine(std::size_t number, const DnlRecord& r) {
  std::printf("line %zu:\n", number);
  PrintField("run date", r.date);
  PrintField("run time", r.time);
  PrintField("DnlLfn", std::to_string(r.DnlLfn));
  PrintField("DnlVkz", r.DnlVkz);
  PrintField("DnlBer", r.DnlBer);
  PrintField("download kind", r.DnlFun);
  PrintField("record type", r.DnlSkz);
  PrintField("DnlPnr", r.DnlPnr);
  PrintField("DnlApk", r.DnlApk);
  PrintField("DnlApp", r.DnlApp);
  PrintField("DnlApl", r.DnlApl);
  PrintField("DnlErf", r.DnlErf);
  PrintPayload(r.DnlSkz, r.DnlDnl);
}

// The runs of a requester: the statistics rows, then the instants of its journal lines.
int ListRuns(const std::string& requester) {
  std::size_t rows = 0;
  int rc = Dwn_OpenRuns(requester.c_str());
  if (rc == 0) {
    DwnRecord r;
    while ((rc = Dwn_FetchRun(&r)) == 0) {
      ++rows;
      std::printf("run\t%s\t%s\tAPK=%d\tAPP=%d\tNEU=%d\tAEN=%d\tLOE=%d\n", r.DwnDtaDate.c_str(),
                  r.DwnDtaTime.c_str(), r.DwnApk, r.DwnApp, r.DwnNeu, r.DwnAen, r.DwnLoe);
    }
    Dwn_CloseRuns();
  }
  if (rc != sql::kNotFound) return DatabaseFailed("journal", rc);
  rc = Dnl_OpenInstants(requester.c_str());
  if (rc == 0) {
    DnlRecord r;
    std::string at, types;
    long lines = 0;
    auto flush = [&] {
      if (at.empty()) return;
      std::printf("lines\t%s\t%s\t%ld%s\n", at.substr(0, 8).c_str(), at.substr(8).c_str(), lines,
                  types.c_str());
      ++rows;
    };
    while ((rc = Dnl_FetchInstant(&r)) == 0) {
      const std::string instant = std::string(r.date.view()) + std::string(r.time.view());
      if (instant != at) {
        flush();
        at = instant;
        lines = 0;
        types.clear();
      }
      lines += r.DnlLfn;
      types += "\t" + ForTerminal(r.DnlSkz.view()) + "=" + std::to_string(r.DnlLfn);
    }
    flush();
    Dnl_CloseInstants();
  }
  bdCommit();
  if (rc != sql::kNotFound) return DatabaseFailed("journal", rc);
  if (rows == 0) std::printf("no runs\n");
  return 0;
}

}  // namespace

int CmdJournal(int argc, char** argv) {
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  if (argc != 2 && argc != 4) return BadUse("expected REQUESTER [DATE TIME]");
  std::string requester;  // in the program's code page, as jobfeed stamped its lines
  if (!ArgumentFromTerminal(argv[1], &requester)) {
    return BadUse("REQUESTER takes only characters of Windows-1252");
  }
  if (const char* fault = TypedValueFault(requester)) {
    return BadUse(("REQUESTER " + std::string(fault)).c_str());
  }
  if (requester.size() > DnlRecord{}.DnlErf.kWidth) {
    return BadUse("REQUESTER has 1 to 8 characters (jobfeed uses the first 8 of its argument)");
  }
  if (argc == 4 && !Digits(argv[2], 8)) return BadUse("DATE is 8 digits, yyyymmdd");
  if (argc == 4 && !Digits(argv[3], 6)) return BadUse("TIME is 6 digits, HHMMSS");
  if (!ConnectSite("journal")) return 1;
  if (argc == 2) return ListRuns(requester);

  if (int rc = Dnl_Open(argv[2], argv[3], requester.c_str()); rc != 0) {
    return DatabaseFailed("journal", rc);
  }
  std::size_t count = 0;
  DnlRecord rec;
  int rc = 0;
  while ((rc = Dnl_Fetch(&rec)) == 0) ShowLine(++count, rec);
  const int close = Dnl_Close();
  bdCommit();
  if (rc != sql::kNotFound) return DatabaseFailed("journal", rc);
  if (close != 0) return DatabaseFailed("journal", close);
  if (count == 0) std::printf("no lines\n");
  return 0;
}

}  // namespace jf::admin
