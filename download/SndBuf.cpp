// The send-buffer writer: the terminal lookup in front of the file side (SndBufFile.cpp).
#include "download/SndBuf.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "db/DbDnl.h"
#include "db/sql/Session.h"
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

int SndBuf_Write(DnlRecord rec, const char* area) {
  // The terminal found for an area holds for the rest of the open transaction (a group of a
  // download): a group's lines go to a few areas, and on a server each lookup is a round trip.
  static unsigned long epoch = 0;
  static std::map<std::string, CfgRecord, std::less<>> found;
  if (epoch != sql::TransactionEpoch()) {
    found.clear();
    epoch = sql::TransactionEpoch();
  }
  CfgRecord cfg;
  g_lastFile.clear();
  if (auto it = found.find(std::string_view(area)); it != found.end()) {
    cfg = it->second;
  } else {
    // Without a terminal no line is built and the open file stays as it is.
    if (int rc = SndBuf_FindTerminal(&cfg, area); rc != 0) return rc;
    if (epoch == sql::TransactionEpoch()) found.emplace(area, cfg);
  }
  g_lastFile = SndBuf_FileName(cfg.CfgDta);
  const int rc = SndBuf_Append(rec, cfg);
  if (DnlWatcher* w = DnlWatch(); w != nullptr && rc == 0) w->LineWritten(cfg.CfgDta);
  return rc;
}

}  // namespace jf
