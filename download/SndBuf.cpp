// The send-buffer writer: the terminal lookup in front of the file side (SndBufFile.cpp).
#include "download/SndBuf.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "db/DbDnl.h"
#include "db/sql/Session.h"
#include "download/DnlGroup.h"
#include "download/DnlWatch.h"
#include "msg/Msg.h"

namespace jf {

int SndBuf_FindTerminal(CfgRecord* cfg, const char* area) {
  int rc = Cfg_Open(area);
  if (rc != 0) {
    Msg_Log(rc, "ReadFile", "IP-Ermitteln", kMsgError);
    return rc;
  }
  // Only the first row counts: the lowest terminal number serving the area.
  const int fetch = Cfg_Fetch(cfg);
  if (fetch != 0) Msg_Log(fetch, "ReadFile", "IP-Ermitteln", kMsgError);
  rc = Cfg_Close();
  return rc != 0 ? rc : fetch;
}

namespace {
// The send-buffer file the last line was meant for; empty when no terminal was found for it.
std::string g_lastFile;
}  // namespace

const std::string& SndBuf_LastFile() {
  return g_lastFile;
}

namespace {
// The terminal found for an area holds for the rest of the open transaction and, in groups of
// more than one row, for the run's later transactions as long as a group may last
// (JOBFEED_GROUP_MS) after it was read: a run's lines go to a few areas, its downloads' often
// to the same, and on a server each lookup is a round trip. A terminal configured anew during
// a run so serves its lines at most that long after, as it did when the lookup was kept for a
// group; with groups of one row it serves the next row's.
struct Found {
  CfgRecord cfg;
  unsigned long epoch = 0;  // the transaction it was read in
  int64_t millis = 0;       // when
};

std::map<std::string, Found, std::less<>>& Terminals() {
  static unsigned long session = 0;
  static std::map<std::string, Found, std::less<>> found;
  if (session != sql::SessionGeneration()) {
    found.clear();
    session = sql::SessionGeneration();
  }
  return found;
}

const CfgRecord* Known(const char* area) {
  auto& found = Terminals();
  const auto it = found.find(std::string_view(area));
  if (it == found.end()) return nullptr;
  const DnlGroupLimits& limits = DnlGroupSettings();
  if (it->second.epoch == sql::TransactionEpoch() ||
      (limits.rows > 1 && DnlClockMillis() - it->second.millis <= limits.millis)) {
    return &it->second.cfg;
  }
  found.erase(it);
  return nullptr;
}
}  // namespace

void SndBuf_LookAhead(const char* area) {
  if (Known(area) == nullptr) Cfg_OpenAhead(area);
}

int SndBuf_Write(DnlRecord rec, const char* area) {
  CfgRecord cfg;
  g_lastFile.clear();
  if (const CfgRecord* known = Known(area); known != nullptr) {
    cfg = *known;
  } else {
    // Without a terminal no line is built and the open file stays as it is.
    const unsigned long epoch = sql::TransactionEpoch();
    if (int rc = SndBuf_FindTerminal(&cfg, area); rc != 0) return rc;
    if (epoch == sql::TransactionEpoch()) {
      Terminals()[area] = Found{cfg, epoch, DnlClockMillis()};
    }
  }
  g_lastFile = SndBuf_FileName(cfg.CfgDta);
  const int rc = SndBuf_Append(rec, cfg);
  if (DnlWatcher* w = DnlWatch(); w != nullptr && rc == 0) w->LineWritten(cfg.CfgDta);
  return rc;
}

}  // namespace jf
