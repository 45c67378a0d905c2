// The record of what a run sent, kept in the database when the site asks for it
// (JOBFEED_JOURNAL=1): every line also goes into the download journal Kvl540Dnl, inside the
// unit that unmarks its row, so the group commits the journal line and the unmark together and a
// crash leaves neither; an order run adds its figures to the download statistics Kvl542Dwn. The
// journal is a record, not a condition of delivery: a database that cannot take it gets one
// message and the run sends on without it.
#pragma once

#include "download/DnlRecord.h"

namespace jf {

// Whether the run journals (set from JOBFEED_JOURNAL by DnlGroupConfigure; off by default).
void DnlJournalUse(bool on);
bool DnlJournalOn();

// Journals a line that went out, inside the row's unit. A failed insert is logged once and ends
// the journal for the rest of the process; the row goes out all the same.
void DnlJournal_Line(const DnlRecord& rec);
// The group the lines since the last call belong to has committed (true) or was undone (false):
// their figures count for the statistics or are dropped.
void DnlJournal_GroupEnd(bool committed);
// Adds the statistics row of an order run (headers and positions sent, lines by download kind)
// when the run journals. Logs a failure; returns its status or 0.
int DnlJournal_OrderRun(const char* date, const char* time, const char* requester);

}  // namespace jf
