// The send-buffer writer: finds the terminal of a production area and appends one 552-byte
// line to that terminal's send-buffer file. The files written to stay open until
// SndBuf_CloseCache, and their lines are durable once SndBuf_Flush has returned 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/sql/Status.h"
#include "db/tables/Cfg.h"
#include "download/DnlRecord.h"

namespace jf {

// Returned by the writer, not logged, when another process holds the file and the writer was
// told not to wait (SndBuf_Wait): the status of a resource held elsewhere.
inline constexpr int kSndBufHeld = sql::kBusy;

// Returns 0 when the line was written, the lookup's status when no terminal was found, -1 when
// the file cannot be opened, positioned or written, kSndBufHeld.
int SndBuf_Write(DnlRecord rec, const char* area);
// The file the last SndBuf_Write was to append to, for a message that names it; empty when the
// terminal lookup found none.
const std::string& SndBuf_LastFile();

// Fills cfg with the terminal configuration row of the area. Returns 0 or a database status.
int SndBuf_FindTerminal(CfgRecord* cfg, const char* area);
// A line for the area follows in the open transaction: the terminal lookup it needs, if the run
// has not made it yet, travels with the transaction's next round trip where the database
// allows (Cfg_OpenAhead). Nothing is looked up or written here.
void SndBuf_LookAhead(const char* area);

// The steps of SndBuf_Write after the lookup: builds the line for the terminal cfg and appends
// it to the terminal's file through the cache. Returns 0, -1 or kSndBufHeld.
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
// Whether line is one send-buffer line: 552 bytes ending in CR LF, no control byte before it.
bool SndBuf_LineShaped(std::string_view line);
// "..\Comm\Buff\SndDnl<terminal>.buf".
std::string SndBuf_FileName(int32_t terminal);
// The local time as yyyymmddHHMMSS into out (15 bytes); fourteen zeros when the clock fails.
void SndBuf_Timestamp(char* out);

// Makes every line written to the open files durable. Returns 0, or -1 when a file could not
// be flushed (logged): its lines since the last flush may be lost.
int SndBuf_Flush();
// Closes the open send-buffer files, so other processes may have them.
void SndBuf_CloseCache();
// Whether a file another process holds is waited for (about 2 s) or answered with kSndBufHeld
// at once: a caller that holds files or rows others may be waiting for must not wait.
void SndBuf_Wait(bool wait);

}  // namespace jf
