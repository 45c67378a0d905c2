// Download cursors: the rows that are due for a requester, and the terminal configuration.
// Each routine returns the status of its statement; a fetch touches the caller's record only
// on status 0.
#pragma once

#include "db/MasterRecords.h"
#include "db/Records.h"

namespace jf {

// Order headers whose download marker ApkDwn equals the requester name, by production area.
int Apk_OpenDnl(const char* requester);
int Apk_FetchDnl(ApkDnlRecord* rec);
int Apk_CloseDnl();

// Order positions whose download marker AppDwn equals the requester name, by production area.
int App_OpenDnl(const char* requester);
int App_FetchDnl(AppDnlRecord* rec);
int App_CloseDnl();

// Terminal configuration rows whose first or second range holds the production area, lowest
// terminal number first.
int Cfg_Open(const char* area);
int Cfg_Fetch(CfgRecord* rec);
int Cfg_Close();

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

}  // namespace jf
