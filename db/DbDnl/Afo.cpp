// Operations (Kvl503Afo): one range cursor per sort order, chosen by selector, and the delete.
#include "db/DbDnl.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

// The select list by column: AfoFbe comes before AfoKst, the record keeps them the other way.
constexpr auto kAfoColumns = [] {
  using R = AfoRecord;
  ColumnList<R, 25> l;
  l << Cols<&R::AfoApk, &R::AfoApp, &R::AfoVaf, &R::AfoNaf, &R::AfoBz1, &R::AfoBz2, &R::AfoTxt>();
  l << Col16<&R::AfoSts>() << Cols<&R::AfoBgs, &R::AfoBgz, &R::AfoEns, &R::AfoEnz>();
  l << Col16<&R::AfoAgs>();
  l << Cols<&R::AfoSme, &R::AfoMee, &R::AfoSta, &R::AfoStr, &R::AfoSte, &R::AfoApg, &R::AfoApl,
            &R::AfoZf1, &R::AfoZf2, &R::AfoZf3, &R::AfoFbe, &R::AfoKst>();
  return l;
}();

// Both bounds are exclusive. Only the order key is sorted: the operations of one order come in
// the database's order.
RowCursor<AfoRecord> g_rangeAsc(
    "select AfoApk ,AfoApp ,AfoVaf ,AfoNaf ,AfoBz1 ,AfoBz2 ,AfoTxt ,AfoSts ,AfoBgs ,AfoBgz ,AfoEns "
    ",AfoEnz ,AfoAgs ,AfoSme ,AfoMee ,AfoSta ,AfoStr ,AfoSte ,AfoApg ,AfoApl ,AfoZf1 ,AfoZf2 "
    ",AfoZf3 ,AfoFbe ,AfoKst  from Kvl503Afo where (AfoApk>:b0 and AfoApk<:b1) order by AfoApk "
    "asc",
    kAfoColumns);
RowCursor<AfoRecord> g_rangeDesc(
    "select AfoApk ,AfoApp ,AfoVaf ,AfoNaf ,AfoBz1 ,AfoBz2 ,AfoTxt ,AfoSts ,AfoBgs ,AfoBgz ,AfoEns "
    ",AfoEnz ,AfoAgs ,AfoSme ,AfoMee ,AfoSta ,AfoStr ,AfoSte ,AfoApg ,AfoApl ,AfoZf1 ,AfoZf2 "
    ",AfoZf3 ,AfoFbe ,AfoKst  from Kvl503Afo where (AfoApk>:b0 and AfoApk<:b1) order by AfoApk "
    "desc",
    kAfoColumns);

constexpr char kDelete[] = "delete  from Kvl503Afo  where (AfoApk=:b0 and AfoApp=:b1)";
constexpr auto kKey = Cols<&AfoRecord::AfoApk, &AfoRecord::AfoApp>();

// Statement buffers of the range bounds, shared by both cursors.
Text<12> g_lower;
Text<12> g_upper;

RowCursor<AfoRecord>* RangeCursor(int selector) {
  return BySelector(selector, &g_rangeAsc, &g_rangeDesc);
}

}  // namespace

int Afo_OpenRange(const char* lower, const char* upper, int selector) {
  RowCursor<AfoRecord>* cursor = RangeCursor(selector);
  if (cursor == nullptr) return sql::kBadSelector;
  return cursor->Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Afo_FetchRange(AfoRecord* rec, int selector) {
  RowCursor<AfoRecord>* cursor = RangeCursor(selector);
  if (cursor == nullptr) return sql::kBadSelector;
  return cursor->Fetch(rec);
}

int Afo_CloseRange(int selector) {
  RowCursor<AfoRecord>* cursor = RangeCursor(selector);
  if (cursor == nullptr) return sql::kBadSelector;
  return cursor->Close();
}

int Afo_PKeyDel(const AfoRecord* rec) {
  return WriteRecord<AfoRecord>("Afo_PKeyDel", kDelete, kKey, rec);
}

}  // namespace jf
