// The downloads: each walks the rows due for a requester, sends one line per row and unmarks
// or deletes the row. Each returns the status of its cursor's close (or failed open).
#pragma once

namespace jf {

int Apk_Dnl(const char* date, const char* time, const char* requester);
int App_Dnl(const char* date, const char* time, const char* requester);

}  // namespace jf
