// The loop every download runs: walk the rows due for a requester, send the row's lines, then
// unmark or delete the row. A download describes itself with a DnlLoop and calls RunDnlLoop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "db/sql/Status.h"
#include "download/DnlRecord.h"
#include "download/DnlWatch.h"
#include "msg/Msg.h"

namespace jf {

template <class Row>
struct DnlLoop {
  using Build = int (*)(DnlRecord* rec, const Row& row, std::string_view requester);

  // Cursor of the rows due for the requester.
  int (*open)(const char* requester);
  int (*fetch)(Row* row);
  int (*close)();
  // Fills the record (date, time, DnlLfn and DnlErf are already set). Returns 0 or a status
  // that keeps the row from being sent.
  Build build;
  // The row's second line, or nullptr. It starts from the same loop-filled record and goes out
  // after the first; the row is unmarked only when both went out, so a row never leaves the due
  // list with one of its lines missing.
  Build buildSecond = nullptr;
  // The second line goes out even when the first failed (the row then stays due); otherwise it
  // is not tried.
  bool secondAfterFailedFirst = false;
  // Production area of the row: the key of the terminal lookup.
  const char* (*area)(const Row& row);
  // Unmarks or deletes the row after its lines were written; logs its own failures. nullptr
  // for a download that changes nothing in the database.
  int (*update)(const Row& row);
  // The writer: SndBuf_Write (tests put a fake in its place).
  int (*send)(DnlRecord rec, const char* area);
  // Messages of the download. sendFailedText nullptr: a row that cannot be sent adds no message
  // to the writer's own.
  const char* function;  // e.g. "Apk_Dnl"
  const char* openFailedText;
  const char* sendFailedText;
  // The order downloads stop at the first failing row, leaving it and every later row marked
  // for the next run; the master data downloads go on with the next row.
  bool continueAfterRowFailure = false;
  // The running number DnlLfn counts in 16 bits, as the journal column holds it; the personnel
  // download counts in 32.
  bool wideRunningNumber = false;
};

// A loop over a download cursor that sends through send and logs with these messages; the
// caller sets the builder, the area and the status update.
template <class Row>
DnlLoop<Row> CursorLoop(int (*open)(const char*), int (*fetch)(Row*), int (*close)(),
                        int (*send)(DnlRecord, const char*), const char* function,
                        const char* openFailed, const char* sendFailed) {
  DnlLoop<Row> d{};
  d.open = open;
  d.fetch = fetch;
  d.close = close;
  d.send = send;
  d.function = function;
  d.openFailedText = openFailed;
  d.sendFailedText = sendFailed;
  return d;
}

// Builds and sends the lines of one row from the loop-filled record. Returns 0 when every line
// went out, else the first failing status.
template <class Row>
int SendRowLines(const DnlLoop<Row>& d, const DnlRecord& base, const Row& row,
                 std::string_view requester) {
  int first = 0;
  for (typename DnlLoop<Row>::Build build : {d.build, d.buildSecond}) {
    if (build == nullptr) break;
    DnlRecord rec = base;
    int rc = build(&rec, row, requester);
    if (rc == 0) rc = d.send(rec, d.area(row));
    if (first == 0) first = rc;
    if (rc != 0 && !d.secondAfterFailedFirst) break;
  }
  return first;
}

// Runs the loop. Returns the status of the cursor's close, or of a failed open (the cursor is
// then not closed). Row failures never reach the status.
template <class Row>
int RunDnlLoop(const DnlLoop<Row>& d, const char* date, const char* time, const char* requester) {
  if (int rc = d.open(requester); rc != 0) {
    Msg_Log(rc, d.function, d.openFailedText, kMsgError);
    return rc;
  }
  uint32_t count = 0;
  Row row{};
  int fetched = 0;
  while ((fetched = d.fetch(&row)) == 0) {
    DnlRecord base{};
    base.date = date;
    base.time = time;
    base.DnlErf = requester;
    ++count;
    base.DnlLfn = d.wideRunningNumber ? static_cast<int32_t>(count)
                                      : static_cast<int16_t>(static_cast<uint16_t>(count));
    if (int rc = SendRowLines(d, base, row, requester); rc != 0) {
      if (d.sendFailedText != nullptr) Msg_Log(rc, d.function, d.sendFailedText, kMsgError);
      if (DnlWatcher* w = DnlWatch()) w->RowDone(d.function, false);
      if (d.continueAfterRowFailure) continue;
      break;
    }
    const bool unmarked = d.update == nullptr || d.update(row) == 0;
    if (DnlWatcher* w = DnlWatch()) w->RowDone(d.function, unmarked);
    if (!unmarked && !d.continueAfterRowFailure) break;
  }
  // A fetch that fails ends the download as the end of the rows does, but this row and every
  // later one stay due until the cause is mended: say so, in the style of the open's message.
  if (fetched != 0 && fetched != sql::kNotFound) {
    const std::string_view f = d.function;  // "Apk_Dnl" fetches with "Apk_FetchDnl"
    const std::string text = "fehlerhafte " + std::string(f.substr(0, f.find('_'))) + "_FetchDnl";
    Msg_Log(fetched, d.function, text.c_str(), kMsgError);
  }
  return d.close();
}

}  // namespace jf
