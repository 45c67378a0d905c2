// Order sources (Kvl500Auk) and the re-marking of every position of an order.
#include "db/DbDnl.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

// The select list by column; the record keeps AukAfo, AukKun, AukKb1 and AukKb2 in other places.
constexpr auto kAukColumns = [] {
  using R = AukRecord;
  ColumnList<R, 21> l;
  l << Cols<&R::AukApk, &R::AukBz1, &R::AukBz2, &R::AukTxt>() << Col16<&R::AukSts>();
  l << Cols<&R::AukBgs, &R::AukEns>() << Col16<&R::AukAfo>();
  l << Cols<&R::AukTnr, &R::AukTb1, &R::AukTb2, &R::AukSme, &R::AukMee, &R::AukZf1, &R::AukZf2,
            &R::AukZf3, &R::AukKun, &R::AukKb1, &R::AukKb2, &R::AukFbe, &R::AukKst>();
  return l;
}();

// Both bounds are exclusive.
RowCursor<AukRecord> g_range(
    "select AukApk ,AukBz1 ,AukBz2 ,AukTxt ,AukSts ,AukBgs ,AukEns ,AukAfo ,AukTnr ,AukTb1 ,AukTb2 "
    ",AukSme ,AukMee ,AukZf1 ,AukZf2 ,AukZf3 ,AukKun ,AukKb1 ,AukKb2 ,AukFbe ,AukKst  from "
    "Kvl500Auk where (AukApk>:b0 and AukApk<:b1) order by AukApk",
    kAukColumns);

constexpr char kDelete[] = "delete  from Kvl500Auk  where AukApk=:b0";

// The marker and kind of every position of the order; AppApp plays no part, and AppDat is left
// as it was.
constexpr char kMarkPositions[] = "update KVL504App  set AppDwn=:b0,AppDna=:b1 where AppApk=:b2";
constexpr auto kMarkInputs = Cols<&AppRecord::AppDwn, &AppRecord::AppDna, &AppRecord::AppApk>();

// Statement buffers of the range bounds and of the key of a delete.
Text<12> g_lower;
Text<12> g_upper;
Text<12> g_key;

}  // namespace

int Auk_OpenRange(const char* lower, const char* upper) {
  return g_range.Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Auk_FetchRange(AukRecord* rec) {
  return g_range.Fetch(rec);
}

int Auk_CloseRange() {
  return g_range.Close();
}

int Auk_PKeyDel(const char* key) {
  return sql::WriteWithSavepoint("Auk_PKeyDel", kDelete, {TextArg(g_key, key)});
}

int Apk_AppDel(const AppRecord* rec) {
  return WriteRecord<AppRecord>("Apk_AppDel", kMarkPositions, kMarkInputs, rec);
}

}  // namespace jf
