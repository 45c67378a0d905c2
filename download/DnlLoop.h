// The loop every download runs: walk the rows due for a requester, send one record per row,
// then unmark or delete the row. A download describes itself with a DnlLoop and calls
// RunDnlLoop.
#pragma once

#include <cstdint>
#include <string_view>

#include "download/DnlRecord.h"
#include "msg/Msg.h"

namespace jf {

template <class Row>
struct DnlLoop {
  // Cursor of the rows due for the requester.
  int (*open)(const char* requester);
  int (*fetch)(Row* row);
  int (*close)();
  // Fills the record (date, time, DnlLfn and DnlErf are already set). Returns 0 or a status
  // that keeps the row from being sent.
  int (*build)(DnlRecord* rec, const Row& row, std::string_view requester);
  // Production area of the row: the key of the terminal lookup.
  const char* (*area)(const Row& row);
  // Unmarks or deletes the row after its line was written; logs its own failures.
  int (*update)(const Row& row);
  // The writer: SndBuf_Write (tests put a fake in its place).
  int (*send)(DnlRecord rec, const char* area);
  // Messages of the download.
  const char* function;  // e.g. "Apk_Dnl"
  const char* openFailedText;
  const char* sendFailedText;
  // The order downloads stop at the first failing row, leaving it and every later row marked
  // for the next run; the master data downloads go on with the next row.
  bool continueAfterRowFailure = false;
};

// Runs the loop. Returns the status of the cursor's close, or of a failed open (the cursor is
// then not closed). Row failures never reach the status.
template <class Row>
int RunDnlLoop(const DnlLoop<Row>& d, const char* date, const char* time, const char* requester) {
  if (int rc = d.open(requester); rc != 0) {
    Msg_Log(rc, d.function, d.openFailedText, kMsgError);
    return rc;
  }
  // The running number is kept in 16 bits, as the journal column holds it.
  int16_t lfn = 0;
  Row row{};
  while (d.fetch(&row) == 0) {
    DnlRecord rec{};
    rec.date = date;
    rec.time = time;
    rec.DnlErf = requester;
    lfn = static_cast<int16_t>(lfn + 1);
    rec.DnlLfn = lfn;
    int rc = d.build(&rec, row, requester);
    if (rc == 0) rc = d.send(rec, d.area(row));
    if (rc != 0) {
      Msg_Log(rc, d.function, d.sendFailedText, kMsgError);
      if (d.continueAfterRowFailure) continue;
      break;
    }
    if (d.update(row) != 0 && !d.continueAfterRowFailure) break;
  }
  return d.close();
}

}  // namespace jf
