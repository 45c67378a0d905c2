// A row's part of the download loop (download/DnlLoop.h): its lines built and written, and its
// unit, which locks and reads the row again, unmarks or deletes it and writes its lines.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "db/sql/Status.h"
#include "download/DnlJournal.h"
#include "download/DnlRecord.h"
#include "download/SndBuf.h"
#include "msg/Msg.h"

namespace jf {

template <class Row>
struct DnlLoop;  // download/DnlLoop.h

// The keys of the rows a loop has sent, for a cursor that delivers a row more than once.
using SentRows = std::set<std::string, std::less<>>;

// The lines of one row, built from the loop-filled record: one or two.
struct RowLines {
  DnlRecord rec[2];
  int n = 0;
};

// Builds the row's lines. Returns 0, or the status of the first builder that failed.
template <class Row>
int BuildRowLines(const DnlLoop<Row>& d, const DnlRecord& base, const Row& row,
                  std::string_view requester, RowLines* lines) {
  lines->n = 0;
  for (typename DnlLoop<Row>::Build build : {d.build, d.buildSecond}) {
    if (build == nullptr) break;
    DnlRecord& rec = lines->rec[lines->n++];
    rec = base;
    if (int rc = build(&rec, row, requester); rc != 0) return rc;
  }
  return 0;
}

// Sends the row's lines in order. Returns 0 when every line went out, else the status of the
// first that did not; the lines after it are tried only when the loop asks for it.
template <class Row>
int SendRowLines(const DnlLoop<Row>& d, const RowLines& lines, const Row& row) {
  int first = 0;
  for (int i = 0; i < lines.n; ++i) {
    const int rc = d.send(lines.rec[i], d.area(row));
    if (first == 0) first = rc;
    if (rc != 0 && !d.secondAfterFailedFirst) break;
  }
  return first;
}

// The detail entry after a row's failure entry: the row, its production area and, when the
// writer failed, the send-buffer file it was writing to (or that no terminal serves the area).
template <class Row>
void LogRowDetail(const DnlLoop<Row>& d, const Row& row, int rc, bool writer) {
  if (d.name == nullptr) return;
  std::string text = d.name(row) + ", Fertigungsbereich " + d.area(row);
  if (writer && d.send == SndBuf_Write) {
    const std::string& file = SndBuf_LastFile();
    text += file.empty() ? std::string(", kein Terminal f\xFCr diesen Bereich") : ", Datei " + file;
  }
  Msg_LogDetail(rc, d.msg.function, text);
}

// The download's message that lines did not go out, where it has one.
template <class Row>
void LogSendFailed(const DnlLoop<Row>& d, int rc) {
  if (d.msg.sendFailedText != nullptr) Msg_Log(rc, d.msg.function, d.msg.sendFailedText, kMsgError);
}

// A row whose lines could not be built or written: the download's message, then the row.
template <class Row>
void LogRowFailed(const DnlLoop<Row>& d, const Row& row, int rc, bool writer) {
  LogSendFailed(d, rc);
  LogRowDetail(d, row, rc, writer);
}

// A row whose lock or read failed: the download's message, then the row.
template <class Row>
void LogLockFailed(const DnlLoop<Row>& d, const Row& fetched, int rc) {
  d.lockFailed(fetched, rc);
  LogRowDetail(d, fetched, rc, false);
}

// Puts the lines of a row that went out in the run's journal.
inline void JournalRowLines(const RowLines& lines) {
  for (int i = 0; i < lines.n; ++i) DnlJournal_Line(lines.rec[i]);
}

// Whether the locked image of a row still asks this loop for its lines: marked for the
// requester, or (for a cursor that delivers a row more than once) sent by this loop already.
template <class Row>
bool StillDue(const DnlLoop<Row>& d, const Row& locked, std::string_view requester,
              const SentRows& sent) {
  if (d.marker(locked) == requester) return true;
  return d.again != nullptr && sent.find(d.again(locked)) != sent.end();
}

// What became of a row.
enum class RowResult {
  kSent,        // its lines went out and its update was kept
  kPassedOver,  // gone, or no longer due for the requester: not this run's row
  kFailed,      // logged; it stays due (unless its update was kept and only a later step failed)
  kYield,       // its lock or file is held elsewhere while the group holds others: undone, to go
                // again as the first row of the next group
};

// Whether a status of a row that may not wait asks for its group to end first: a lock or file
// held by another process (-54), or a deadlock (-60).
inline bool Yields(bool holding, int rc) {
  return holding && (rc == sql::kBusy || rc == sql::kDeadlock);
}

// What became of a row whose lines went out (0) or that failed with rc.
inline RowResult RowResultOf(bool holding, int rc) {
  return rc == 0 ? RowResult::kSent : Yields(holding, rc) ? RowResult::kYield : RowResult::kFailed;
}

// Whether a row's failure is logged in its unit: not when it yields, nor a deadlock that
// another try may get past (last: the final try).
inline bool LogsFailure(bool holding, bool last, int rc) {
  return !Yields(holding, rc) && (rc != sql::kDeadlock || last);
}

// One try of a row's unit: lock and read the row, build its lines from the version read,
// unmark or delete it, write its lines; the unit's writes are kept for the group's commit or
// undone. Every database lock the unit needs is taken before its send-buffer file is. A line is
// durable only when the group flushes its files, which comes before the commit that unmarks the
// row. Returns 0 when the row went out or has nothing left to send; otherwise the failing
// status, logged unless the row yields. last: the final try, whose deadlock is logged like any
// other failure. holding: the group holds rows or files already, so nothing may wait.
template <class Row>
int RowUnit(const DnlLoop<Row>& d, const DnlRecord& base, const Row& fetched,
            std::string_view requester, SentRows* sent, bool last, bool holding,
            RowResult* result) {
  Row row = fetched;
  int rc = d.seams.begin(d.unit);
  // The fetched row's terminal is looked up with its locking read (again later if the locked
  // row's area differs).
  if (rc == 0 && d.send == SndBuf_Write) SndBuf_LookAhead(d.area(fetched));
  if (rc == 0) rc = d.lock(&row);
  if (rc == sql::kNotFound || (rc == 0 && !StillDue(d, row, requester, *sent))) {
    d.seams.end(true);  // nothing was written: the unit only holds the lock until the group ends
    *result = RowResult::kPassedOver;
    return 0;
  }
  if (rc != 0) {
    d.seams.end(false);
    *result = RowResultOf(holding, rc);
    if (LogsFailure(holding, last, rc)) LogLockFailed(d, fetched, rc);
    return rc;
  }
  if (d.carry != nullptr) d.carry(&row, fetched);
  RowLines lines;
  int status = BuildRowLines(d, base, row, requester, &lines);
  bool keep = false;
  if (status != 0) {  // a row whose lines cannot be built stays due, as one not sent
    LogRowFailed(d, row, status, false);
  } else if (status = d.update(row); status == 0 || status == sql::kNotFound) {
    if (int sent_rc = SendRowLines(d, lines, row); sent_rc != 0) {
      if (!Yields(holding, sent_rc)) LogRowFailed(d, row, sent_rc, true);
      status = sent_rc;
    } else {
      keep = true;
      JournalRowLines(lines);
    }
  } else if (LogsFailure(holding, last, status)) {
    LogRowDetail(d, row, status, false);  // after the update's own entry
  }
  const int end = d.seams.end(keep);
  if (keep && end == 0 && d.again != nullptr) sent->emplace(d.again(row));
  rc = status != 0 ? status : end;
  *result = RowResultOf(holding, rc);
  const bool lock_failed = status == sql::kBusy || (status == sql::kDeadlock && last);
  if (*result == RowResult::kFailed && lock_failed && d.updateLockFailed != nullptr) {
    d.updateLockFailed(row, status);
  }
  return rc;
}

// A row of a download that changes nothing in the database: its lines only.
template <class Row>
int RowLinesOnly(const DnlLoop<Row>& d, const DnlRecord& base, const Row& row,
                 std::string_view requester, bool holding, RowResult* result) {
  RowLines lines;
  int rc = BuildRowLines(d, base, row, requester, &lines);
  if (rc == 0) rc = SendRowLines(d, lines, row);
  if (rc == 0) JournalRowLines(lines);
  *result = RowResultOf(holding, rc);
  if (*result == RowResult::kFailed) LogRowFailed(d, row, rc, true);
  return rc;
}

}  // namespace jf
