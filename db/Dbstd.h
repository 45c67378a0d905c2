// Table access of the order tables: single rows by key, each write committed at once or
// rolled back to its own savepoint, and the range cursors.
#pragma once

#include <cstdint>

#include "db/Records.h"

namespace jf {

// Status of a range routine called with a kind other than 1 (ascending) or 2: no statement
// runs.
inline constexpr int kBadRangeKind = -3;

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

}  // namespace jf
