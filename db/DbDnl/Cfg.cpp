// The terminal configuration cursor: the terminals whose ranges hold a production area.
#include "db/tables/Cfg.h"

#include "db/DbDnl.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;

// CfgDat comes in the connection's own date form; its field keeps the first 14 characters.
constexpr auto kCfgColumns =
    Cols<&CfgRecord::CfgDta, &CfgRecord::CfgIP, &CfgRecord::CfgPrt, &CfgRecord::CfgBez,
         &CfgRecord::CfgTxt, &CfgRecord::CfgKr1, &CfgRecord::CfgVn1, &CfgRecord::CfgBi1,
         &CfgRecord::CfgBz1, &CfgRecord::CfgVn2, &CfgRecord::CfgBi2, &CfgRecord::CfgBz2,
         &CfgRecord::CfgVn3, &CfgRecord::CfgBi3, &CfgRecord::CfgBz3, &CfgRecord::CfgVn4,
         &CfgRecord::CfgBi4, &CfgRecord::CfgBz4, &CfgRecord::CfgVn5, &CfgRecord::CfgBi5,
         &CfgRecord::CfgBz5, &CfgRecord::CfgSta, &CfgRecord::CfgDat, &CfgRecord::CfgErf>();

// The area is bound at each of its four places; the third to fifth ranges are delivered but do
// not select.
RowCursor<CfgRecord> g_cfg(
    "select CfgDta ,CfgIP ,CfgPrt ,CfgBez ,CfgTxt ,CfgKr1 ,CfgVn1 ,CfgBi1 ,CfgBz1 ,CfgVn2 ,CfgBi2 "
    ",CfgBz2 ,CfgVn3 ,CfgBi3 ,CfgBz3 ,CfgVn4 ,CfgBi4 ,CfgBz4 ,CfgVn5 ,CfgBi5 ,CfgBz5 ,CfgSta "
    ",CfgDat ,CfgErf  from Kvl557Cfg where ((:b0>=CfgVn1 and :b0<=CfgBi1) or (:b0>=CfgVn2 and "
    ":b0<=CfgBi2)) order by CfgDta",
    kCfgColumns);

// Parameter buffer of the production area as the configuration ranges hold it.
Text<10> g_area;

// Every terminal, for the operator's view of the configuration.
RowCursor<CfgRecord> g_cfgAll(
    "select CfgDta ,CfgIP ,CfgPrt ,CfgBez ,CfgTxt ,CfgKr1 ,CfgVn1 ,CfgBi1 ,CfgBz1 ,CfgVn2 ,CfgBi2 "
    ",CfgBz2 ,CfgVn3 ,CfgBi3 ,CfgBz3 ,CfgVn4 ,CfgBi4 ,CfgBz4 ,CfgVn5 ,CfgBi5 ,CfgBz5 ,CfgSta "
    ",CfgDat ,CfgErf  from Kvl557Cfg order by CfgDta",
    kCfgColumns);

}  // namespace

int Cfg_Open(const char* area) {
  const In a = TextArg(g_area, area);
  return g_cfg.Open({a, a, a, a});
}

void Cfg_OpenAhead(const char* area) {
  // Bound at once: the open cursor's own input stays as it is.
  decltype(g_area) buffer;
  const In a = TextArg(buffer, area);
  g_cfg.OpenAhead({a, a, a, a});
}

int Cfg_Fetch(CfgRecord* rec) {
  return g_cfg.Fetch(rec);
}

int Cfg_Close() {
  return g_cfg.Close();
}

int Cfg_OpenAll() {
  return g_cfgAll.Open(std::span<const sql::In>());
}

int Cfg_FetchAll(CfgRecord* rec) {
  return g_cfgAll.Fetch(rec);
}

int Cfg_CloseAll() {
  return g_cfgAll.Close();
}

}  // namespace jf
