// Download cursors: the rows that are due for a requester, and the terminal configuration.
// Each routine returns the status of its statement; a fetch touches the caller's record only
// on status 0.
#pragma once

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

}  // namespace jf
