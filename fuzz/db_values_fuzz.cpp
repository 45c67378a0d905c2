// Database contents of every shape (texts of any bytes, integers of any size, REALs of any value
// in the date columns) through the download cursors, the locking key reads and the terminal
// lookup, and on to the record and the line, without writing anything. Promises checked: no
// crash or undefined behaviour (the sanitizers: a day number past the calendar once overflowed
// in the embedded database's date functions), every read ends in a status, and every line built
// from what was read is one line.
#include <string>

#include "FuzzSite.h"
#include "db/DbDb.h"
#include "db/DbDnl.h"
#include "db/Dbstd.h"
#include "download/MasterDnl.h"
#include "download/OrderDnl.h"
#include "download/SndBuf.h"

namespace {

// Reads every row of a download cursor, and each again by its key with the lock a download
// takes; builds its record and checks the line it makes for the terminal.
template <class Row>
void Walk(int (*open)(const char*), int (*fetch)(Row*), int (*close)(), int (*lock)(Row*),
          int (*build)(jf::DnlRecord*, const Row&, std::string_view), const jf::CfgRecord& cfg) {
  if (open("FUZZ") != 0) return;
  Row row{};
  while (fetch(&row) == 0) {
    Row locked = row;
    if (lock != nullptr) {
      const int rc = lock(&locked);
      jf::fuzz::Check(rc == 0 || rc == 1403 || rc < 0, "a read ends in no status");
    }
    jf::DnlRecord rec{};
    rec.date = "20261207";
    rec.time = "093015";
    if (build(&rec, row, "FUZZ") == 0) {
      jf::fuzz::Check(jf::SndBuf_LineShaped(jf::SndBuf_Line(rec, cfg, "20261207101112")),
                      "a line is not one line");
    }
  }
  close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  jf::fuzz::SiteWorkDir();
  jf::fuzz::Check(jf::bdConnect() == 0, "cannot connect to the site's database");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jf::fuzz::Values values(jf::fuzz::SplitAtZero(data, size));
  jf::fuzz::PlantDownloadRows(&values);
  jf::CfgRecord cfg;
  jf::SndBuf_FindTerminal(&cfg, "A");
  using namespace jf;
  Walk<ApkDnlRecord>(Apk_OpenDnl, Apk_FetchDnl, Apk_CloseDnl, Apk_PKeyLock, Apk_Build, cfg);
  Walk<AppDnlRecord>(App_OpenDnl, App_FetchDnl, App_CloseDnl, App_PKeyLock, App_Build, cfg);
  Walk<ApgDnlRecord>(Apg_OpenDnl, Apg_FetchDnl, Apg_CloseDnl, Apg_PKeyLock, Apg_Build, cfg);
  Walk<AplDnlRecord>(Apl_OpenDnl, Apl_FetchDnl, Apl_CloseDnl, Apl_PKeyLock, Apl_Build, cfg);
  Walk<UbgDnlRecord>(Ubg_OpenDnl, Ubg_FetchDnl, Ubg_CloseDnl, Ubg_PKeyLock, Ubg_Build, cfg);
  Walk<PrvDnlRecord>(Prv_OpenDnl, Prv_FetchDnl, Prv_CloseDnl, Prv_PKeyLock, Prv_BuildPnr, cfg);
  Walk<PrvDnlRecord>(Prv_OpenDnl, Prv_FetchDnl, Prv_CloseDnl, nullptr, Prv_BuildAwn, cfg);
  Walk<KsgDnlRecord>(Ksg_OpenDnl, Ksg_FetchDnl, Ksg_CloseDnl, nullptr, Ksg_Build, cfg);
  jf::bdRollback();
  return 0;
}
