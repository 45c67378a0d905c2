// Download cursors: the rows that are due for a requester, and the terminal configuration; the
// order source and operation tables; the download journal and its bookkeeping tables.
// Each routine returns the status of its statement; a fetch touches the caller's record only
// on status 0.
#pragma once

#include "db/tables/Afo.h"
#include "db/tables/Apg.h"
#include "db/tables/Apk.h"
#include "db/tables/Apl.h"
#include "db/tables/App.h"
#include "db/tables/Auk.h"
#include "db/tables/Cfg.h"
#include "db/tables/Dnl.h"
#include "db/tables/Dwn.h"
#include "db/tables/Ksg.h"
#include "db/tables/Prv.h"
#include "db/tables/Ubg.h"
#include "db/tables/Upd.h"

namespace jf {

// Order headers whose download marker ApkDwn equals the requester name, by production area.
int Apk_OpenDnl(const char* requester);
// The header download opens its cursor for the requester after the transaction in hand
// ends: where the database allows, the open travels with that end (sql::Cursor::OpenAhead).
void Apk_OpenDnlAhead(const char* requester);
int Apk_FetchDnl(ApkDnlRecord* rec);
int Apk_CloseDnl();

// Order positions whose download marker AppDwn equals the requester name, by production area.
int App_OpenDnl(const char* requester);
// The position download opens its cursor for the requester after the transaction in hand
// ends: where the database allows, the open travels with that end (sql::Cursor::OpenAhead).
void App_OpenDnlAhead(const char* requester);
int App_FetchDnl(AppDnlRecord* rec);
int App_CloseDnl();

// Terminal configuration rows whose first or second range holds the production area, lowest
// terminal number first.
int Cfg_Open(const char* area);
// Cfg_Open for the area follows in the open transaction: where the database allows, it travels
// with the transaction's next round trip (sql::Cursor::OpenAhead).
void Cfg_OpenAhead(const char* area);
int Cfg_Fetch(CfgRecord* rec);
int Cfg_Close();
// Every terminal configuration row, by terminal number.
int Cfg_OpenAll();
int Cfg_FetchAll(CfgRecord* rec);
int Cfg_CloseAll();

// Master data due for a requester: workplace groups (once per cost centre assignment valid today),
// workplaces, interruption reasons and persons whose download marker equals the requester name,
// by production area.
int Apg_OpenDnl(const char* requester);
int Apg_FetchDnl(ApgDnlRecord* rec);
int Apg_CloseDnl();
int Apl_OpenDnl(const char* requester);
int Apl_FetchDnl(AplDnlRecord* rec);
int Apl_CloseDnl();
int Ubg_OpenDnl(const char* requester);
int Ubg_FetchDnl(UbgDnlRecord* rec);
int Ubg_CloseDnl();
int Prv_OpenDnl(const char* requester);
int Prv_FetchDnl(PrvDnlRecord* rec);
int Prv_CloseDnl();
// Every cost centre paired with every production area of type 1; the marker is not used.
int Ksg_OpenDnl(const char* requester);
int Ksg_FetchDnl(KsgDnlRecord* rec);
int Ksg_CloseDnl();

// Order sources, Kvl500Auk: the rows whose key lies strictly between the bounds, by key; the
// delete of one order's row.
int Auk_OpenRange(const char* lower, const char* upper);
int Auk_FetchRange(AukRecord* rec);
int Auk_CloseRange();
int Auk_PKeyDel(const char* key);

// Operations, Kvl503Afo: the rows whose order key lies strictly between the bounds, selector 1
// by ascending, 2 by descending order key (any other: sql::kBadSelector); the delete by AfoApk
// and AfoApp.
int Afo_OpenRange(const char* lower, const char* upper, int selector);
int Afo_FetchRange(AfoRecord* rec, int selector);
int Afo_CloseRange(int selector);
int Afo_PKeyDel(const AfoRecord* rec);

// Gives every position of the order AppApk the download marker AppDwn and the kind AppDna, in
// one UPDATE; 1403 when the order has no positions.
int Apk_AppDel(const AppRecord* rec);

// The resend's own statements. The positions of one order by position number, with AppApp,
// AppDwn, AppDna and AppFbe filled; every requester name that headers or positions are marked
// with (in AppDwn), once each.
int App_OpenOrder(const char* order);
int App_FetchOrder(AppRecord* rec);
int App_CloseOrder();
int Apk_OpenMarkers();
int Apk_FetchMarker(AppRecord* rec);
int Apk_CloseMarkers();
// Sets the marker and the kind of one position (AppApk, AppApp) or order header (ApkApk) and
// nothing else; 1403 when the row is gone.
int App_MarkOne(const AppRecord* rec);
int Apk_MarkOne(const ApkRecord* rec);

// Download statistics, Kvl542Dwn, identified by the download date and time and DwnErf.
int Dwn_PKeyIns(const DwnRecord* rec);
// The downloads of a requester, newest first: date, time and the counters DwnApk, DwnApp,
// DwnNeu, DwnAen, DwnLoe.
int Dwn_OpenRuns(const char* requester);
int Dwn_FetchRun(DwnRecord* rec);
int Dwn_CloseRuns();
int Dwn_PKeyUpd(const DwnRecord* rec);
int Dwn_PKeyDel(const DwnRecord* rec);

// Download journal, Kvl540Dnl. The cursor yields the lines journalled at one instant (date
// yyyymmdd, time HHMMSS) for one requester, by record type. An insert stamps the line with the
// database's clock; a delete finds it by the record's date, time, DnlErf and DnlLfn.
int Dnl_Open(const char* date, const char* time, const char* requester);
int Dnl_Fetch(DnlRecord* rec);
int Dnl_Close();
int Dnl_PKeyIns(const DnlRecord* rec);
// The instants a requester's journal lines carry, newest first, one row per record type there:
// date, time, DnlSkz and in DnlLfn the number of its lines.
int Dnl_OpenInstants(const char* requester);
int Dnl_FetchInstant(DnlRecord* rec);
int Dnl_CloseInstants();
int Dnl_PKeyDel(const DnlRecord* rec);

// Update ranges, the row "UPD" of Kvl543Upd. A failed read leaves every field empty; the update
// blanks every range and marks the row as changed by "Download".
int Upd_PKeyRead(UpdRecord* rec);
int Upd_PKeyUpd();

}  // namespace jf
