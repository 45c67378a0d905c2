// The downloads: each walks the rows due for a requester, sends the rows' lines and unmarks or
// deletes the rows. Each returns the status of its cursor's close (or failed open).
#pragma once

namespace jf {

// Order headers ("APK") and order positions ("APP"); they stop at the first failing row.
int Apk_Dnl(const char* date, const char* time, const char* requester);
int App_Dnl(const char* date, const char* time, const char* requester);

// Master data; a failing row is logged and stays marked, and the loop goes on. Workplace groups
// ("MAG"), workplaces ("MAS"), interruption reasons ("UBG"), persons ("PNR" and "AWN" per
// person), and every cost centre for every production area of type 1 ("KST", sent in full on
// every run and changing nothing in the database).
int Apg_Dnl(const char* date, const char* time, const char* requester);
int Apl_Dnl(const char* date, const char* time, const char* requester);
int Ubg_Dnl(const char* date, const char* time, const char* requester);
int Prv_Dnl(const char* date, const char* time, const char* requester);
int Ksg_Dnl(const char* date, const char* time, const char* requester);

}  // namespace jf
