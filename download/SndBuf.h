// The send-buffer writer: finds the terminal of a production area and appends one 552-byte
// line to that terminal's send-buffer file, which stays open until another terminal's line
// arrives.
#pragma once

#include "db/Records.h"
#include "download/DnlRecord.h"

namespace jf {

// Returns 0 when the line was written, the lookup's status when no terminal was found, -1 when
// the file cannot be opened, positioned or written.
int SndBuf_Write(DnlRecord rec, const char* area);

// Fills cfg with the terminal configuration row of the area. Returns 0 or a database status.
int SndBuf_FindTerminal(CfgRecord* cfg, const char* area);

// Closes the cached send-buffer file (the process end does this in a run; tests reuse the
// process).
void SndBuf_CloseCache();

}  // namespace jf
