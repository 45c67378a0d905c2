// Table access of the order and master data tables: single rows by key, each write committed at
// once or rolled back to its own savepoint, and the range cursors.
#pragma once

#include <cstdint>

#include "db/MasterRecords.h"
#include "db/Records.h"
#include "db/sql/Status.h"

namespace jf {

// Status of a range routine called with a kind other than 1 (ascending) or 2: no statement
// runs (db/sql/Status.h).
inline constexpr int kBadRangeKind = sql::kBadSelector;

// Order header, Kvl501Apk.
int Apk_PKeyRead(ApkRecord* rec);
int Apk_PKeyUpd(const ApkRecord* rec);
int Apk_PKeyIns(const ApkRecord* rec);
int Apk_PKeyDel(const char* key);
int Apk_OpenRange(const char* lower, const char* upper, int kind);
int Apk_FetchRange(ApkRecord* rec, int kind);
int Apk_CloseRange(int kind);

// Order position, Kvl504App.
int App_PKeyRead(AppRecord* rec);
int App_PKeyUpd(const AppRecord* rec);
int App_PKeyIns(const AppRecord* rec);
int App_PKeyDel(const AppRecord* rec);
int App_CountZf2(const char* zf2, int32_t* count);
int App_OpenZf2(const char* zf2);
int App_FetchZf2(AppRecord* rec);
int App_CloseZf2();
int App_OpenRange(const char* lowerApk, const char* lowerApp, const char* upperApk,
                  const char* upperApp, int kind);
int App_FetchRange(AppRecord* rec, int kind);
int App_CloseRange(int kind);
int App_OpenRangeSts(const char* lowerApk, const char* lowerApp, const char* upperApk,
                     const char* upperApp, int32_t excludedSts);
int App_FetchRangeSts(AppRecord* rec);
int App_CloseRangeSts();

// Workplace groups, Kvl530Apg.
int Apg_PKeyRead(ApgRecord* rec);
int Apg_PKeyUpd(const ApgRecord* rec);
int Apg_PKeyDel(const ApgRecord* rec);
int Apg_OpenRange(const char* lower, const char* upper);
int Apg_FetchRange(ApgRecord* rec);
int Apg_CloseRange();

// Workplaces, Kvl531Apl.
int Apl_PKeyRead(AplRecord* rec);
int Apl_PKeyUpd(const AplRecord* rec);
int Apl_PKeyDel(const AplRecord* rec);
int Apl_OpenRange(const char* lower, const char* upper);
int Apl_FetchRange(AplRecord* rec);
int Apl_CloseRange();
int Apl_OpenByApg(const char* group);
int Apl_FetchByApg(AplRecord* rec);
int Apl_CloseByApg();

// Interruption reasons, Kvl521Ubg.
int Ubg_PKeyRead(UbgRecord* rec);
int Ubg_PKeyUpd(const UbgRecord* rec);
int Ubg_PKeyDel(const UbgRecord* rec);
int Ubg_OpenRange(const char* lower, const char* upper);
int Ubg_FetchRange(UbgRecord* rec);
int Ubg_CloseRange();

// Personnel, Kvl510Prv.
int Prv_PKeyRead(PrvRecord* rec);
int Prv_ReadByAwn(PrvRecord* rec);
int Prv_PKeyIns(PrvRecord* rec);  // may fill PrvFbe from the production area of type 1
int Prv_PKeyUpd(const PrvRecord* rec);
int Prv_PKeyDel(const PrvRecord* rec);
int Prv_Delete();
int Prv_OpenRange(const char* lower, const char* upper);
int Prv_FetchRange(PrvRecord* rec);
int Prv_CloseRange();
int Prv_OpenByAwn(const char* awn);
int Prv_FetchByAwn(PrvRecord* rec);
int Prv_CloseByAwn();

// Cost centre assignments of workplace groups, Kvl537Ksg.
int Ksg_PKeyRead(KsgRecord* rec);
// The assignment of KsgApg valid today; sets KsgApg and KsgKst only.
int Ksg_ReadCurrent(KsgRecord* rec);
int Ksg_PKeyUpd(const KsgRecord* rec);
int Ksg_PKeyDel(const KsgRecord* rec);
int Ksg_OpenRange(const char* lower, const char* upper);
int Ksg_FetchRange(KsgRecord* rec);
int Ksg_CloseRange();

}  // namespace jf
