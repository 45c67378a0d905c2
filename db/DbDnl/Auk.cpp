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

// The positions of one order with what a resend decides on: the marker and the kind each is due
// with now.
constexpr auto kOrderPositionColumns =
    Cols<&AppRecord::AppApp, &AppRecord::AppDwn, &AppRecord::AppDna, &AppRecord::AppFbe>();
RowCursor<AppRecord> g_orderPositions(
    "select AppApp ,AppDwn ,AppDna ,AppFbe  from Kvl504App where AppApk=:b0 order by AppApp",
    kOrderPositionColumns);

constexpr auto kMarkerColumns = Cols<&AppRecord::AppDwn>();
// Every requester that order headers or positions are due for.
RowCursor<AppRecord> g_markers(
    "select AppDwn  from Kvl504App where AppDwn is not null union select ApkDwn  from Kvl501Apk "
    "where ApkDwn is not null",
    kMarkerColumns);

// The marker and kind of one row alone: every other column, the change date and user included,
// keeps what it holds, byte for byte.
constexpr char kMarkPosition[] =
    "update KVL504App  set AppDwn=:b0,AppDna=:b1 where (AppApk=:b2 and AppApp=:b3)";
constexpr auto kMarkPositionInputs =
    Cols<&AppRecord::AppDwn, &AppRecord::AppDna, &AppRecord::AppApk, &AppRecord::AppApp>();
constexpr char kMarkHeader[] = "update KVL501Apk  set ApkDwn=:b0,ApkDna=:b1 where ApkApk=:b2";
constexpr auto kMarkHeaderInputs =
    Cols<&ApkRecord::ApkDwn, &ApkRecord::ApkDna, &ApkRecord::ApkApk>();

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

int App_OpenOrder(const char* order) {
  return g_orderPositions.Open({TextArg(g_key, order)});
}

int App_FetchOrder(AppRecord* rec) {
  return g_orderPositions.Fetch(rec);
}

int App_CloseOrder() {
  return g_orderPositions.Close();
}

int Apk_OpenMarkers() {
  return g_markers.Open(std::span<const sql::In>());
}

int Apk_FetchMarker(AppRecord* rec) {
  return g_markers.Fetch(rec);
}

int Apk_CloseMarkers() {
  return g_markers.Close();
}

int App_MarkOne(const AppRecord* rec) {
  return WriteRecord<AppRecord>("App_MarkOne", kMarkPosition, kMarkPositionInputs, rec);
}

int Apk_MarkOne(const ApkRecord* rec) {
  return WriteRecord<ApkRecord>("Apk_MarkOne", kMarkHeader, kMarkHeaderInputs, rec);
}

}  // namespace jf
