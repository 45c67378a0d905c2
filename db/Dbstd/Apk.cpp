#include "db/tables/Apk.h"

#include <cstdint>

#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"
#include "db/tables/Text.h"

namespace jf {

namespace {

using sql::In;

constexpr char kKeyRead[] =
    "select ApkApk ,ApkBz1 ,ApkBz2 ,ApkTxt ,ApkSts ,ApkSis ,ApkKun ,ApkKb1 ,ApkKb2 "
    ",TO_CHAR(ApkBgs,'yyyymmdd') ,TO_CHAR(ApkEns,'yyyymmdd') ,ApkAfo ,ApkEaf ,ApkTnr ,ApkTb1 "
    ",ApkTb2 ,ApkSme ,ApkIme ,ApkMee ,TO_CHAR(ApkBdi,'yyyymmdd') ,TO_CHAR(ApkBdi,'HH24MISS') "
    ",TO_CHAR(ApkEdi,'yyyymmdd') ,TO_CHAR(ApkEdi,'HH24MISS') ,ApkFbe ,ApkKst ,ApkZf1 ,ApkZf2 "
    ",ApkZf3 ,ApkKnz ,ApkSsn ,ApkDna ,ApkDwn ,ApkSta ,ApkErf ,ApkAba  from Kvl501Apk where "
    "ApkApk=:b0";
constexpr auto kKeyLock = ForUpdate(kKeyRead);

// The key column is written with its own value: the WHERE binds the key a second time.
constexpr char kUpdate[] =
    "update KVL501Apk  set "
    "ApkApk=:b0,ApkBz1=:b1,ApkBz2=:b2,ApkTxt=:b3,ApkKun=:b4,ApkKb1=:b5,ApkKb2=:b6,ApkBgs=TO_DATE(:"
    "b7,'yyyymmdd'),ApkEns=TO_DATE(:b8,'yyyymmdd'),ApkTnr=:b9,ApkTb1=:b10,ApkTb2=:b11,ApkMee=:b12,"
    "ApkBdi=TO_DATE(:b13,'yyyymmddHH24MISS'),ApkEdi=TO_DATE(:b14,'yyyymmddHH24MISS'),ApkFbe=:b15,"
    "ApkKst=:b16,ApkZf1=:b17,ApkZf2=:b18,ApkZf3=:b19,ApkKnz=:b20,ApkDwn=:b21,ApkDna=:b22,ApkDat="
    "sysdate,ApkErf=:b23,ApkEaf=:b24,ApkAba=:b25,ApkAfo=:b26,ApkSts=:b27,ApkSis=:b28,ApkSme=:b29,"
    "ApkIme=:b30,ApkSsn=:b31,ApkSta=:b32 where ApkApk=:b0";

// A new header starts without begin and end instants, whatever the record holds for them.
constexpr char kInsert[] =
    "insert into Kvl501Apk "
    "(ApkApk,ApkBz1,ApkBz2,ApkTxt,ApkSts,ApkSis,ApkKun,ApkKb1,ApkKb2,ApkBgs,ApkEns,ApkAfo,ApkEaf,"
    "ApkTnr,ApkTb1,ApkTb2,ApkSme,ApkIme,ApkMee,ApkBdi,ApkEdi,ApkFbe,ApkKst,ApkZf1,ApkZf2,ApkZf3,"
    "ApkKnz,ApkSsn,ApkDwn,ApkDna,ApkSta,ApkDat,ApkErf,ApkAba) values "
    "(:b0,:b1,:b2,:b3,:b4,:b5,:b6,:b7,:b8,TO_DATE(:b9,'yyyymmdd'),TO_DATE(:b10,'yyyymmdd'),:b11,:"
    "b12,:b13,:b14,:b15,:b16,:b17,:b18,null ,null "
    ",:b19,:b20,:b21,:b22,:b23,:b24,:b25,:b26,:b27,:b28,sysdate,:b29,:b30)";

constexpr char kDelete[] = "delete  from Kvl501Apk  where ApkApk=:b0";

// The programs' own writes set only the columns they change (and the time of the change): the
// rest of the row stays as it is stored, whatever its Windows-1252 image lost on the way in (a
// character the code page lacks, the part of a text beyond its field, the time of a day).
constexpr char kMarkUpdate[] =
    "update KVL501Apk  set ApkDwn=:b0,ApkDna=:b1,ApkDat=sysdate where ApkApk=:b2";
constexpr auto kMarkInputs = Cols<&ApkRecord::ApkDwn, &ApkRecord::ApkDna, &ApkRecord::ApkApk>();
constexpr char kUnmark[] =
    "update KVL501Apk  set ApkDwn=null,ApkDna=null,ApkDat=sysdate where ApkApk=:b0";
constexpr char kAfoUpdate[] = "update KVL501Apk  set ApkAfo=:b0,ApkDat=sysdate where ApkApk=:b1";

// Both range cursors exclude their bounds.
RowCursor<ApkRecord> g_rangeAsc(
    "select ApkApk ,ApkBz1 ,ApkBz2 ,ApkTxt ,ApkSts ,ApkSis ,ApkKun ,ApkKb1 ,ApkKb2 "
    ",TO_CHAR(ApkBgs,'yyyymmdd') ,TO_CHAR(ApkEns,'yyyymmdd') ,ApkAfo ,ApkEaf ,ApkTnr ,ApkTb1 "
    ",ApkTb2 ,ApkSme ,ApkIme ,ApkMee ,TO_CHAR(ApkBdi,'yyyymmdd') ,TO_CHAR(ApkBdi,'HH24MISS') "
    ",TO_CHAR(ApkEdi,'yyyymmdd') ,TO_CHAR(ApkEdi,'HH24MISS') ,ApkFbe ,ApkKst ,ApkZf1 ,ApkZf2 "
    ",ApkZf3 ,ApkKnz ,ApkSsn ,ApkDwn ,ApkDna ,ApkSta ,ApkErf ,ApkAba  from Kvl501Apk where "
    "(ApkApk>:b0 and ApkApk<:b1) order by ApkApk",
    kApkRangeColumns);
RowCursor<ApkRecord> g_rangeDesc(
    "select ApkApk ,ApkBz1 ,ApkBz2 ,ApkTxt ,ApkSts ,ApkSis ,ApkKun ,ApkKb1 ,ApkKb2 "
    ",TO_CHAR(ApkBgs,'yyyymmdd') ,TO_CHAR(ApkEns,'yyyymmdd') ,ApkAfo ,ApkEaf ,ApkTnr ,ApkTb1 "
    ",ApkTb2 ,ApkSme ,ApkIme ,ApkMee ,TO_CHAR(ApkBdi,'yyyymmdd') ,TO_CHAR(ApkBdi,'HH24MISS') "
    ",TO_CHAR(ApkEdi,'yyyymmdd') ,TO_CHAR(ApkEdi,'HH24MISS') ,ApkFbe ,ApkKst ,ApkZf1 ,ApkZf2 "
    ",ApkZf3 ,ApkKnz ,ApkSsn ,ApkDwn ,ApkDna ,ApkSta ,ApkErf ,ApkAba  from Kvl501Apk where "
    "(ApkApk>:b0 and ApkApk<:b1) order by ApkApk desc",
    kApkRangeColumns);

// Statement buffers of the key of a delete and of the range bounds.
Text<12> g_key;
Text<12> g_lower;
Text<12> g_upper;

RowCursor<ApkRecord>* RangeCursor(int kind) {
  return BySelector(kind, &g_rangeAsc, &g_rangeDesc);
}

constexpr auto kApkKey = Cols<&ApkRecord::ApkApk>();

}  // namespace

int Apk_PKeyRead(ApkRecord* rec) {
  // A miss leaves a record that holds nothing but the key asked for.
  return ReadByKey<ApkRecord>(kKeyRead, kApkKey, kApkKeyReadColumns, rec);
}

int Apk_PKeyLock(ApkRecord* rec) {
  return ReadByKey<ApkRecord>(kKeyLock.view(), kApkKey, kApkKeyReadColumns, rec);
}

int Apk_PKeyUpd(const ApkRecord* rec) {
  const Text<14> bdi = JoinDateTime(rec->ApkBdiDate, rec->ApkBdiTime);
  const Text<14> edi = JoinDateTime(rec->ApkEdiDate, rec->ApkEdiTime);
  const In in[] = {
      In::Text(rec->ApkApk), In::Text(rec->ApkBz1), In::Text(rec->ApkBz2), In::Text(rec->ApkTxt),
      In::Text(rec->ApkKun), In::Text(rec->ApkKb1), In::Text(rec->ApkKb2), In::Text(rec->ApkBgs),
      In::Text(rec->ApkEns), In::Text(rec->ApkTnr), In::Text(rec->ApkTb1), In::Text(rec->ApkTb2),
      In::Text(rec->ApkMee), In::Text(bdi),         In::Text(edi),         In::Text(rec->ApkFbe),
      In::Text(rec->ApkKst), In::Text(rec->ApkZf1), In::Text(rec->ApkZf2), In::Text(rec->ApkZf3),
      In::Text(rec->ApkKnz), In::Text(rec->ApkDwn), In::Text(rec->ApkDna), In::Text(rec->ApkErf),
      In::I16(rec->ApkEaf),  In::I32(rec->ApkAba),  In::I16(rec->ApkAfo),  In::I16(rec->ApkSts),
      In::I16(rec->ApkSis),  In::Dbl(rec->ApkSme),  In::Dbl(rec->ApkIme),  In::I16(rec->ApkSsn),
      In::I16(rec->ApkSta),  In::Text(rec->ApkApk),
  };
  return sql::WriteWithSavepoint("Apk_PKeyUpd", kUpdate, in);
}

int Apk_PKeyIns(const ApkRecord* rec) {
  const In in[] = {
      In::Text(rec->ApkApk), In::Text(rec->ApkBz1), In::Text(rec->ApkBz2), In::Text(rec->ApkTxt),
      In::I16(rec->ApkSts),  In::I16(rec->ApkSis),  In::Text(rec->ApkKun), In::Text(rec->ApkKb1),
      In::Text(rec->ApkKb2), In::Text(rec->ApkBgs), In::Text(rec->ApkEns), In::I16(rec->ApkAfo),
      In::I16(rec->ApkEaf),  In::Text(rec->ApkTnr), In::Text(rec->ApkTb1), In::Text(rec->ApkTb2),
      In::Dbl(rec->ApkSme),  In::Dbl(rec->ApkIme),  In::Text(rec->ApkMee), In::Text(rec->ApkFbe),
      In::Text(rec->ApkKst), In::Text(rec->ApkZf1), In::Text(rec->ApkZf2), In::Text(rec->ApkZf3),
      In::Text(rec->ApkKnz), In::I16(rec->ApkSsn),  In::Text(rec->ApkDwn), In::Text(rec->ApkDna),
      In::I16(rec->ApkSta),  In::Text(rec->ApkErf), In::I32(rec->ApkAba),
  };
  return sql::WriteWithSavepoint("Apk_PKeyIns", kInsert, in);
}

int Apk_MarkUpd(const ApkRecord* rec) {
  return WriteRecord<ApkRecord>("Apk_MarkUpd", kMarkUpdate, kMarkInputs, rec);
}

int Apk_Unmark(const ApkRecord* rec) {
  return WriteRecord<ApkRecord>("Apk_Unmark", kUnmark, kApkKey, rec);
}

int Apk_AfoUpd(const ApkRecord* rec) {
  // The column holds 16 bits: a count beyond them is refused, never written with its low bits.
  if (rec->ApkAfo < INT16_MIN || rec->ApkAfo > INT16_MAX) return sql::kIntegerOverflow;
  const In in[] = {In::I16(rec->ApkAfo), In::Text(rec->ApkApk)};
  return sql::WriteWithSavepoint("Apk_AfoUpd", kAfoUpdate, in);
}

int Apk_PKeyDel(const char* key) {
  return sql::WriteWithSavepoint("Apk_PKeyDel", kDelete, {TextArg(g_key, key)});
}

int Apk_OpenRange(const char* lower, const char* upper, int kind) {
  RowCursor<ApkRecord>* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  return cursor->Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Apk_FetchRange(ApkRecord* rec, int kind) {
  RowCursor<ApkRecord>* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  // Only a delivered row reaches the record; ApkDat is not selected and keeps its value.
  return cursor->Fetch(rec);
}

int Apk_CloseRange(int kind) {
  RowCursor<ApkRecord>* cursor = RangeCursor(kind);
  if (cursor == nullptr) return kBadRangeKind;
  return cursor->Close();
}

}  // namespace jf
