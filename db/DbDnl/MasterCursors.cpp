#include "db/DbDnl.h"
#include "db/DbDnl/Requester.h"
#include "db/MasterColumns.h"

namespace jf {

namespace {

// A group comes once for each cost centre assignment valid today, with that assignment's cost
// centre; a group without one does not come.
RowCursor<ApgDnlRecord> g_apgDnl(
    "select ApgApg ,ApgBez ,ApgTxt ,ApgFbe ,KsgKst ,ApgApl ,ApgTag ,ApgKap ,ApgPrd ,ApgRst ,ApgPau "
    ",ApgUnt ,ApgIak ,ApgSt1 ,ApgSt2 ,ApgSt3 ,ApgSf1 ,ApgSf2 ,ApgSf3 ,ApgZf1 ,ApgZf2 ,ApgZf3 "
    ",ApgDna ,ApgDwn ,ApgSta ,ApgErf  from Kvl530Apg ,Kvl537Ksg where (((ApgDwn=:b0 and "
    "ApgApg=KsgApg) and KsgGvo<=trunc(sysdate)) and (KsgGbi is null  or KsgGbi>=trunc(sysdate))) "
    "order by ApgFbe",
    kApgDownloadColumns);

RowCursor<AplDnlRecord> g_aplDnl(
    "select AplApl ,AplBez ,AplTxt ,AplApg ,AplFbe ,AplSts ,AplSis ,AplApr ,AplAaf ,AplUbg ,AplUdt "
    ",AplTag ,AplVrf ,AplRsp ,AplRsi ,AplAfp ,AplAfi ,AplPau ,AplUnt ,AplIak ,AplAvt ,AplKap "
    ",AplAvr ,AplAvp ,AplSt1 ,AplSt2 ,AplSt3 ,AplSf1 ,AplSf2 ,AplSf3 ,AplZf1 ,AplZf2 ,AplZf3 "
    ",AplDna ,AplDwn ,AplSta ,AplErf  from Kvl531Apl where AplDwn=:b0 order by AplFbe",
    kAplDownloadColumns);

RowCursor<UbgDnlRecord> g_ubgDnl(
    "select UbgUbg ,UbgKnz ,UbgFbe ,UbgBez ,UbgTxt ,UbgZf1 ,UbgZf2 ,UbgZf3 ,UbgAst ,UbgRst ,UbgAsf "
    ",UbgSt1 ,UbgSt2 ,UbgSt3 ,UbgSf1 ,UbgSf2 ,UbgSf3 ,UbgDna ,UbgDwn ,UbgSta ,UbgErf  from "
    "Kvl521Ubg where UbgDwn=:b0 order by UbgFbe",
    kUbgDownloadColumns);

RowCursor<PrvDnlRecord> g_prvDnl(
    "select PrvPnr ,TO_CHAR(PrvGvo,'yyyymmdd') ,TO_CHAR(PrvGbi,'yyyymmdd') ,PrvBer ,PrvKst ,PrvFbe "
    ",PrvMmb ,PrvZf1 ,PrvZf2 ,PrvZf3 ,PrvDna ,PrvDwn ,PrvAwa ,PrvAwn ,PrvAnw "
    ",TO_CHAR(PrvAvn,'yyyymmddHH24MISS') ,TO_CHAR(PrvAbi,'yyyymmddHH24MISS') ,PrvApl ,PrvApp "
    ",PrvPzm ,PrvSta ,TO_CHAR(PrvDat,'yyyymmddHH24MISS') ,PrvErf  from Kvl510Prv where PrvDwn=:b0 "
    "order by PrvFbe",
    kPrvDownloadColumns);

// Every cost centre with every production area of type 1: the tables are not joined.
RowCursor<KsgDnlRecord> g_ksgDnl(
    "select KstNum ,FbeFbe  from o1003Kststelle ,Kvl559Fbe where FbeTyp=1 order by FbeFbe",
    kKsgDownloadColumns);

}  // namespace

int Apg_OpenDnl(const char* requester) {
  return g_apgDnl.Open({RequesterArg(requester)});
}
int Apg_FetchDnl(ApgDnlRecord* rec) {
  return g_apgDnl.Fetch(rec);
}
int Apg_CloseDnl() {
  return g_apgDnl.Close();
}

int Apl_OpenDnl(const char* requester) {
  return g_aplDnl.Open({RequesterArg(requester)});
}
int Apl_FetchDnl(AplDnlRecord* rec) {
  return g_aplDnl.Fetch(rec);
}
int Apl_CloseDnl() {
  return g_aplDnl.Close();
}

int Ubg_OpenDnl(const char* requester) {
  return g_ubgDnl.Open({RequesterArg(requester)});
}
int Ubg_FetchDnl(UbgDnlRecord* rec) {
  return g_ubgDnl.Fetch(rec);
}
int Ubg_CloseDnl() {
  return g_ubgDnl.Close();
}

int Prv_OpenDnl(const char* requester) {
  return g_prvDnl.Open({RequesterArg(requester)});
}
int Prv_FetchDnl(PrvDnlRecord* rec) {
  return g_prvDnl.Fetch(rec);
}
int Prv_CloseDnl() {
  return g_prvDnl.Close();
}

int Ksg_OpenDnl(const char* requester) {
  RequesterArg(requester);  // kept like the other cursors' marker; the query does not use it
  return g_ksgDnl.Open(std::span<const sql::In>());
}
int Ksg_FetchDnl(KsgDnlRecord* rec) {
  // Only KsgKst and KsgFbe are selected; the other fields keep what the caller put there.
  return g_ksgDnl.Fetch(rec);
}
int Ksg_CloseDnl() {
  return g_ksgDnl.Close();
}

}  // namespace jf
