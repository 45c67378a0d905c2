// The send-buffer writer: finds the terminal of a production area and appends one 552-byte
// line to that terminal's send-buffer file, which stays open until another terminal's line
// arrives.
#pragma once

#include <cstdint>
#include <string>

#include "db/tables/Cfg.h"
#include "download/DnlRecord.h"

namespace jf {

// Returns 0 when the line was written, the lookup's status when no terminal was found, -1 when
// the file cannot be opened, positioned or written.
int SndBuf_Write(DnlRecord rec, const char* area);

// Fills cfg with the terminal configuration row of the area. Returns 0 or a database status.
int SndBuf_FindTerminal(CfgRecord* cfg, const char* area);

// The steps of SndBuf_Write after the lookup: builds the line for the terminal cfg and appends
// it to the terminal's file through the cache. Returns 0 or -1.
int SndBuf_Append(const DnlRecord& rec, const CfgRecord& cfg);

// The layout of a send-buffer line as a printf format, with its arguments in this order:
// CfgIP, CfgPrt, timestamp, "999", CfgIP, CfgPrt, "", "0460", DnlSkz, yymmdd of the run date,
// run time, DnlFun, DnlDnl.
inline constexpr const char* kSndBufLineFormat =
    "$%-15s%-5s%14s%3s%15s%5s%28s%4s%3s%6s%6sBDE%3s%-438s*\r\n";

// The line of a record for a terminal, stamped with the 14-digit timestamp: the layout of
// kSndBufLineFormat. 552 bytes when every value fits its width; longer values widen it.
std::string SndBuf_Line(const DnlRecord& rec, const CfgRecord& cfg, const char* timestamp);
void SndBuf_FormatLine(const DnlRecord& rec, const CfgRecord& cfg, const char* timestamp,
                       std::string* out);
// "..\Comm\Buff\SndDnl<terminal>.buf".
std::string SndBuf_FileName(int32_t terminal);
// The local time as yyyymmddHHMMSS into out (15 bytes); fourteen zeros when the clock fails.
void SndBuf_Timestamp(char* out);

// Closes the cached send-buffer file (the process end does this in a run; tests reuse the
// process).
void SndBuf_CloseCache();

}  // namespace jf
