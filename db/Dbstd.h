// Table access of the order and master data tables: single rows by key, each write committed at
// once or rolled back to its own savepoint, and the range cursors.
//
// X_PKeyLock reads a row as X_PKeyRead does and locks it until the transaction ends ("for update
// wait 30"; on the embedded database the transaction holds the database's write lock): the unit
// that sent a row's lines writes back exactly the version it read. A row held elsewhere for
// longer than the lock wait gives -54.
#pragma once

#include <cstdint>

#include "db/sql/Status.h"
#include "db/tables/Aem.h"
#include "db/tables/Apg.h"
#include "db/tables/Apk.h"
#include "db/tables/Apl.h"
#include "db/tables/App.h"
#include "db/tables/Asw.h"
#include "db/tables/Bak.h"
#include "db/tables/Emo.h"
#include "db/tables/Fzu.h"
#include "db/tables/Ksg.h"
#include "db/tables/Nzp.h"
#include "db/tables/Prv.h"
#include "db/tables/Ubg.h"
#include "db/tables/Vrg.h"

namespace jf {

// Status of a range routine called with a kind other than 1 (ascending) or 2: no statement
// runs (db/sql/Status.h).
inline constexpr int kBadRangeKind = sql::kBadSelector;

// The writes of the programs' own read-modify-write paths, beside the full-row X_PKeyUpd: each
// sets only the columns it names and the time of the change (X_Dat), keyed by rec's key, and
// commits at once or rolls back to its own savepoint as X_PKeyUpd does. A full row written back
// from its Windows-1252 image would store "?" for every character the code page lacks.
int Apk_MarkUpd(const ApkRecord* rec);  // ApkDwn, ApkDna
int Apk_Unmark(const ApkRecord* rec);   // ApkDwn, ApkDna emptied
// ApkAfo; a count beyond 16 bits is sql::kIntegerOverflow and nothing is written.
int Apk_AfoUpd(const ApkRecord* rec);
int App_MarkUpd(const AppRecord* rec);  // AppSts, AppSis, AppDwn, AppDna
int App_Unmark(const AppRecord* rec);
int Apg_Unmark(const ApgRecord* rec);
int Apl_Unmark(const AplRecord* rec);
int Ubg_Unmark(const UbgRecord* rec);
int Prv_Unmark(const PrvRecord* rec);
// The person keeps the row and loses the badge assignment: PrvAwn, PrvGvo, PrvGbi, PrvAvn and
// PrvAbi emptied, PrvAnw, PrvApl and PrvApp zero, the marker and the kind emptied.
int Prv_Withdraw(const PrvRecord* rec);

// Order header, Kvl501Apk.
int Apk_PKeyRead(ApkRecord* rec);
int Apk_PKeyLock(ApkRecord* rec);
int Apk_PKeyUpd(const ApkRecord* rec);
int Apk_PKeyIns(const ApkRecord* rec);
int Apk_PKeyDel(const char* key);
int Apk_OpenRange(const char* lower, const char* upper, int kind);
int Apk_FetchRange(ApkRecord* rec, int kind);
int Apk_CloseRange(int kind);

// Order position, Kvl504App.
int App_PKeyRead(AppRecord* rec);
int App_PKeyLock(AppRecord* rec);
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
int Apg_PKeyLock(ApgRecord* rec);
int Apg_PKeyUpd(const ApgRecord* rec);
int Apg_PKeyDel(const ApgRecord* rec);
int Apg_OpenRange(const char* lower, const char* upper);
int Apg_FetchRange(ApgRecord* rec);
int Apg_CloseRange();

// Workplaces, Kvl531Apl.
int Apl_PKeyRead(AplRecord* rec);
int Apl_PKeyLock(AplRecord* rec);
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
int Ubg_PKeyLock(UbgRecord* rec);
int Ubg_PKeyUpd(const UbgRecord* rec);
int Ubg_PKeyDel(const UbgRecord* rec);
int Ubg_OpenRange(const char* lower, const char* upper);
int Ubg_FetchRange(UbgRecord* rec);
int Ubg_CloseRange();

// Personnel, Kvl510Prv.
int Prv_PKeyRead(PrvRecord* rec);
int Prv_PKeyLock(PrvRecord* rec);
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

// --- Further lookups: function assignments, shifts and breaks, calendar, presets, badges,
// persons, employments, number counters. Reads fill their outputs on status 0 only, except where
// said; texts given as const char* are bound whole (a null pointer as the empty text), so a key
// longer than its column finds nothing rather than a row of a shorter key.

// Function assignment by function code (FzuFcd) or by message code (FzuMld). On any other
// status than 0 the key asked for stays and every selected field is emptied or 0.
int Fzu_PKeyRead(FzuRecord* rec);
int Fzu_MldRead(FzuRecord* rec);

// Number of shift model assignments of kind 2 of a workplace group.
int Aem_Count(const char* apg, int32_t* count);
// The shift models of AemApg and AemKng valid on the day KalDtm (yyyymmdd), with that day's
// calendar entries, by shift begin.
int Aem_Open(const AemRecord* rec);
int Aem_Fetch(AemRecord* rec);
int Aem_Close();

// PmsPse = the break minutes of the shift EmoEmo/EmoTtp on the day date (yyyymmdd); a break
// whose end lies before its begin runs past midnight. 0 when the shift has no break; on an
// error PmsPse is 0 as well and the status is returned.
int Pms_PauseSum(EmoRecord* rec, const char* date);
// The breaks of a shift's break model valid on a day, by shift begin.
int Pms_Open(const char* emo, const char* ttp, const char* date);
int Pms_Fetch(EmoRecord* rec);
int Pms_Close();
// The shifts of a shift key and day type, by begin.
int Emo_Open(const char* emo, const char* ttp);
int Emo_Fetch(EmoRecord* rec);
int Emo_Close();

// The base calendar day BakDays days after BakDate1 (before it when negative): BakDate1 becomes
// that day and BakJhr to BakJtg its entries; 1403 when the calendar does not hold the day.
int Bak_Read(BakRecord* rec);
// BakDays = the calendar days after BakDate1 up to and including BakDate2.
int Bak_Count(BakRecord* rec);

// VrgWrt of the preset VrgBer/VrgFld.
int Vrg_PKeyRead(VrgRecord* rec);
// The cost centre of a person's assignment that starts today (and only such a one).
int Ztg_KstRead(const char* pnr, Text<10>* kst);

// The badge assignment AswNum valid from AswGvo, with its person's name and address.
int Asw_PnrRead(AswRecord* rec);
// The person holding a badge on a day (yyyymmdd); -2112 when two assignments cover the day.
int Asw_PnrValid(const char* badge, const char* date, Text<8>* pnr);
// A badge's assignments up to today, newest first.
int Asw_OpenNum(const char* badge);
int Asw_FetchNum(AswRecord* rec);
int Asw_CloseNum();
// A person's badge assignments up to today, newest first.
int Asw_OpenPnr(const char* pnr);
int Asw_FetchPnr(AswRecord* rec);
int Asw_ClosePnr();
// Every badge assignment valid today with its person, by person and newest first.
int Asw_OpenAll();
int Asw_FetchAll(AswRecord* rec);
int Asw_CloseAll();

// Name, street and city of a person.
int Pnr_PKeyRead(const char* pnr, Text<50>* nam, Text<50>* str, Text<50>* ort);
// 0 when the person has an employment valid today, 1403 when not; -2112 when two do.
int Bsv_Check(const char* pnr);

// The counter NzpAkz whose window holds today strictly inside (the first and the last day of the
// window do not count).
int Nzp_PKeyRead(NzpRecord* rec);
// Writes NzpAan, NzpVfh, NzpNfh and NzpAus of the counter NzpAkz/NzpGvn/NzpGbi and stamps it.
int Nzp_PKeyUpd(const NzpRecord* rec);

}  // namespace jf
