#include <string>

#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;
using sql::Out;
using R = AswRecord;

// The select list is composed in the style of the module's key reads; the WHERE clause is the
// table's own.
constexpr char kAssignment[] =
    "select AswPnr ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf ,TO_CHAR(AswDat,'yyyymmddHH24MISS') ,PnrNam "
    ",PnrStr ,PnrOrt into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13  from "
    "KvlSystem.Kvl301Asw ,Kvl300Pnr where ((AswNum=:b14 and AswGvo=TO_DATE(:b15,'yyyymmdd')) and "
    "AswPnr=PnrNum)";
constexpr char kHolder[] =
    "select AswPnr into :b0:b1  from KvlSystem.Kvl301Asw where ((AswNum=:b2 and "
    "AswGvo<=TO_DATE(:b3,'yyyymmdd')) and (AswGbi>=TO_DATE(:b3,'yyyymmdd') or AswGbi is null ))";
constexpr char kPerson[] =
    "select PnrNam ,PnrStr ,PnrOrt into :b0:b1,:b2:b3,:b4:b5  from Kvl300Pnr where PnrNum=:b6";
// The person number is an input and the one selected column.
constexpr char kEmployment[] =
    "select BSVPNR into :b0:b1  from Kvl310Bsv where ((BsvPnr=:b0 and BsvGvo<=trunc(SYSDATE)) and "
    "(BsvGbi>=trunc(SYSDATE) or BsvGbi is null ))";

constexpr auto kAssignmentKey = Cols<&R::AswNum, &R::AswGvo>();
constexpr auto kAssignmentCols =
    Cols<&R::AswPnr, &R::AswGbi, &R::AswErf, &R::AswDat, &R::PnrNam, &R::PnrStr, &R::PnrOrt>();
constexpr auto kByNumCols = Cols<&R::AswPnr, &R::AswGvo, &R::AswGbi, &R::AswErf, &R::AswDat>();
constexpr auto kByPnrCols = Cols<&R::AswNum, &R::AswGvo, &R::AswGbi, &R::AswErf, &R::AswDat>();
constexpr auto kAllCols = Cols<&R::AswPnr, &R::AswNum, &R::AswGvo, &R::AswGbi, &R::AswErf,
                               &R::AswDat, &R::PnrNam, &R::PnrStr, &R::PnrOrt>();

RowCursor<R> g_byNum(
    "select AswPnr ,TO_CHAR(AswGvo,'yyyymmdd') ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf "
    ",TO_CHAR(AswDat,'yyyymmddHH24MISS')  from KvlSystem.Kvl301Asw where (AswNum=:b0 and "
    "AswGvo<=trunc(SYSDATE)) order by AswGvo desc",
    kByNumCols);
// The by-badge cursor's twin, composed from it: the badge number first, selected by person.
RowCursor<R> g_byPnr(
    "select AswNum ,TO_CHAR(AswGvo,'yyyymmdd') ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf "
    ",TO_CHAR(AswDat,'yyyymmddHH24MISS')  from KvlSystem.Kvl301Asw where (AswPnr=:b0 and "
    "AswGvo<=trunc(SYSDATE)) order by AswGvo desc",
    kByPnrCols);
RowCursor<R> g_all(
    "select AswPnr ,AswNum ,TO_CHAR(AswGvo,'yyyymmdd') ,TO_CHAR(AswGbi,'yyyymmdd') ,AswErf "
    ",TO_CHAR(AswDat,'yyyymmddHH24MISS') ,PnrNam ,PnrStr ,PnrOrt  from KvlSystem.Kvl301Asw "
    ",Kvl300Pnr where (((AswPnr is  not null  and AswGvo<=trunc(SYSDATE)) and "
    "(AswGbi>=trunc(SYSDATE) "
    "or AswGbi is null )) and AswPnr=PnrNum) order by AswPnr,AswGvo desc",
    kAllCols);

// The cursors' keys, kept whole from open to close as the module's statement buffers.
std::string g_num;
std::string g_pnr;

}  // namespace

int Asw_PnrRead(AswRecord* rec) {
  return sql::SelectInto(kAssignment, Inputs<R>(kAssignmentKey, rec),
                         Outputs<R>(kAssignmentCols, rec));
}

int Asw_PnrValid(const char* badge, const char* date, Text<8>* pnr) {
  const Out out[] = {Out::Text(*pnr)};
  return sql::SelectInto(kHolder, {In::Text(badge), In::Text(date), In::Text(date)}, out);
}

int Asw_OpenNum(const char* badge) {
  g_num = In::Text(badge).text;
  return g_byNum.Open({In::Text(g_num)});
}
int Asw_FetchNum(AswRecord* rec) {
  return g_byNum.Fetch(rec);
}
int Asw_CloseNum() {
  return g_byNum.Close();
}

int Asw_OpenPnr(const char* pnr) {
  g_pnr = In::Text(pnr).text;
  return g_byPnr.Open({In::Text(g_pnr)});
}
int Asw_FetchPnr(AswRecord* rec) {
  return g_byPnr.Fetch(rec);
}
int Asw_ClosePnr() {
  return g_byPnr.Close();
}

int Asw_OpenAll() {
  return g_all.Open({});
}
int Asw_FetchAll(AswRecord* rec) {
  return g_all.Fetch(rec);
}
int Asw_CloseAll() {
  return g_all.Close();
}

int Pnr_PKeyRead(const char* pnr, Text<50>* nam, Text<50>* str, Text<50>* ort) {
  const Out out[] = {Out::Text(*nam), Out::Text(*str), Out::Text(*ort)};
  return sql::SelectInto(kPerson, {In::Text(pnr)}, out);
}

int Bsv_Check(const char* pnr) {
  // The status answers; the selected number goes nowhere.
  Text<8> found;
  const Out out[] = {Out::Text(found)};
  return sql::SelectInto(kEmployment, {In::Text(pnr)}, out);
}

}  // namespace jf
