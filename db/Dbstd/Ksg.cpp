#include "db/tables/Ksg.h"

#include "db/Dbstd.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using R = KsgRecord;

// The start date is part of the key and compared as its yyyymmdd text.
constexpr char kKeyRead[] =
    "select KsgApg ,KsgKst ,TO_CHAR(KsgGvo,'yyyymmdd') ,TO_CHAR(KsgGbi,'yyyymmdd') ,KsgFbe ,KsgZf1 "
    ",KsgZf2 ,KsgZf3 ,KsgSta ,KsgErf  from Kvl537Ksg where (KsgApg=:b0 and "
    "TO_CHAR(KsgGvo,'yyyymmdd')=:b4)";

// Unlike the group download cursor, an assignment ending today no longer counts.
constexpr char kCurrent[] =
    "select KsgApg ,KsgKst into :b0:b1,:b2:b3  from Kvl537Ksg where ((KsgApg=:b0 and "
    "KsgGvo<=trunc(sysdate)) and (KsgGbi>trunc(sysdate) or KsgGbi is null ))";

constexpr char kUpdate[] =
    "update Kvl537Ksg  set "
    "KsgGbi=TO_DATE(:b0,'yyyymmdd'),KsgFbe=:b1,KsgZf1=:b2,KsgZf2=:b3,KsgZf3=:b4,KsgSta=:b5,KsgDat="
    "sysdate,KsgErf=:b6,KsgKst=:b7 where (KsgApg=:b8 and TO_CHAR(KsgGvo,'yyyymmdd')=:b9)";

constexpr char kDelete[] =
    "delete  from Kvl537Ksg  where (KsgApg=:b0 and TO_CHAR(KsgGvo,'yyyymmdd')=:b1)";

constexpr auto kKey = Cols<&R::KsgApg, &R::KsgGvo>();
constexpr auto kGroup = Cols<&R::KsgApg>();
constexpr auto kCurrentColumns = Cols<&R::KsgApg, &R::KsgKst>();

constexpr auto kUpdateInputs = [] {
  ColumnList<R, 10> l;
  l << Cols<&R::KsgGbi, &R::KsgFbe, &R::KsgZf1, &R::KsgZf2, &R::KsgZf3>();
  l << Col16<&R::KsgSta>() << Cols<&R::KsgErf, &R::KsgKst, &R::KsgApg, &R::KsgGvo>();
  return l;
}();

// Both bounds are included; only assignments valid today, earliest start first.
RowCursor<R> g_range(
    "select KsgApg ,KsgKst ,TO_CHAR(KsgGvo,'yyyymmdd') ,TO_CHAR(KsgGbi,'yyyymmdd') ,KsgFbe ,KsgZf1 "
    ",KsgZf2 ,KsgZf3 ,KsgSta ,KsgErf  from Kvl537Ksg where (((KsgApg>=:b0 and KsgApg<=:b1) and "
    "KsgGvo<=trunc(sysdate)) and (KsgGbi>=trunc(sysdate) or KsgGbi is null )) order by KsgGvo",
    kKsgTableColumns);

Text<10> g_lower;
Text<10> g_upper;

}  // namespace

int Ksg_PKeyRead(KsgRecord* rec) {
  return ReadByKey<R>(kKeyRead, kKey, kKsgTableColumns, rec);
}

int Ksg_ReadCurrent(KsgRecord* rec) {
  const int rc = SelectRow<R>(kCurrent, kGroup, kCurrentColumns, rec);
  // Without exactly one valid assignment there is no cost centre: an empty one, never the one
  // the record held before.
  if (rc != 0) ClearColumns<R>(rec, kCurrentColumns, kGroup);
  return rc;
}

int Ksg_PKeyUpd(const KsgRecord* rec) {
  return WriteRecord<R>("Ksg_PKeyUpd", kUpdate, kUpdateInputs, rec);
}

int Ksg_PKeyDel(const KsgRecord* rec) {
  return WriteRecord<R>("Ksg_PKeyDel", kDelete, kKey, rec);
}

int Ksg_OpenRange(const char* lower, const char* upper) {
  return g_range.Open({TextArg(g_lower, lower), TextArg(g_upper, upper)});
}

int Ksg_FetchRange(KsgRecord* rec) {
  return g_range.Fetch(rec);
}

int Ksg_CloseRange() {
  return g_range.Close();
}

}  // namespace jf
