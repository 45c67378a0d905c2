// The loop every download runs: walk the rows due for a requester and, one row at a time in a
// unit of its own, lock the row and read it again, unmark or delete it and write its lines. The
// units of consecutive rows form a group, which ends by flushing the send-buffer files its
// lines went to and then committing its units at once. A download describes itself with a
// DnlLoop and calls RunDnlLoop.
//
// Runs for the same requester overlap, and the order system changes rows and marks them again
// while a run sends. The cursor's rows are fixed when it opens, so a fetched row only names a
// row that was due; what goes out is the row as it stands under the lock:
//   - still marked for the requester: its current version is sent (the fetched one or a newer
//     one) and unmarked or deleted as that version's download kind says;
//   - gone, or no longer marked for the requester (another run sent it, or it was marked for
//     someone else): nothing is sent and nothing written.
// The lines are written while the row is locked, and the lock lasts until the group commits, so
// an older version's lines can never follow a newer one's: whoever sends the next version locks
// the row after this group has ended.
//
// A run waits for a lock or a send-buffer file only in the first row of a group, when it holds
// nothing else, exactly as a unit of its own does. Once a group holds rows and files, a row
// whose lock or file another process holds does not wait: the group ends (flush, commit, files
// let go) and the row goes again as the first of the next group. So no run ever waits while
// holding what another run may be waiting for, and a group holds its rows and files only for
// the time its own rows take.
//
// The entries a group's rows log wait until the group has ended: a message file that another
// process holds is waited for with no row lock held. A stopped run (StopRequested) ends the loop
// after the row in hand, with its group's flush and commit, so the next run sends none of its
// rows again.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "db/DbDb.h"
#include "db/sql/Status.h"
#include "download/DnlGroup.h"
#include "download/DnlLoopBatch.h"
#include "download/DnlLoopGroup.h"
#include "download/DnlLoopRow.h"
#include "download/DnlRecord.h"
#include "download/DnlWatch.h"
#include "download/SndBuf.h"
#include "msg/Msg.h"
#include "platform/Stop.h"

namespace jf {

// Whether locking reads and the writer may wait for a row or file another process holds: not
// while the caller holds rows or files of its own.
inline void DnlHold(bool holding) {
  bdLockWait(!holding);
  SndBuf_Wait(!holding);
}

// The messages of a download.
struct DnlMessages {
  const char* function;  // e.g. "Apk_Dnl"
  const char* openFailedText;
  // nullptr: a row that cannot be sent adds no message to the writer's own.
  const char* sendFailedText;
  // A commit refused at the group's end: its rows' updates did not reach the database, as the
  // download's failed update says (nullptr: no message).
  const char* commitFunction = nullptr;
  const char* commitFailedText = nullptr;
};

// What a loop does at the boundaries of its units and groups, and what it asks of the process.
// A download keeps these defaults; tests replace the record whole or field by field.
struct DnlSeams {
  // The unit's boundaries inside the group: its savepoint, then its writes kept or undone.
  int (*begin)(const char* name) = bdBeginGroupUnit;
  int (*end)(bool keep) = bdEndUnit;
  // The group's end: its lines made durable, then its units committed (true) or undone (false),
  // then the send-buffer files let go, which another run may be waiting for.
  int (*flush)() = SndBuf_Flush;
  int (*commit)(bool keep) = bdEndGroup;
  void (*release)() = SndBuf_CloseCache;
  // Whether the row about to run may wait for locks and files (DnlHold).
  void (*hold)(bool holding) = DnlHold;
  // The group's clock in milliseconds.
  int64_t (*clock)() = DnlClockMillis;
  // Whether the database asks the group to end before another row begins in it, or nullptr.
  bool (*full)() = bdGroupFull;
  // Whether the run was told to stop (non-zero), or nullptr.
  int (*stopped)() = StopRequested;
};

// A download, as the loop runs it.
template <class Row>
struct DnlLoop {
  using Build = int (*)(DnlRecord* rec, const Row& row, std::string_view requester);

  // Cursor of the rows due for the requester.
  int (*open)(const char* requester);
  int (*fetch)(Row* row);
  int (*close)();

  // The row's lines.
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
  // The row as an operator finds it ("Auftrag 4711 Position 20"), for the detail entry that
  // follows a row's failure entry, whose fixed text names no row; nullptr: no detail entry.
  std::string (*name)(const Row& row) = nullptr;
  // The writer: SndBuf_Write (tests put a fake in its place).
  int (*send)(DnlRecord rec, const char* area);

  DnlMessages msg{};
  // The order downloads stop at the first failing row, leaving it and every later row marked
  // for the next run; the master data downloads go on with the next row.
  bool continueAfterRowFailure = false;
  // The running number DnlLfn counts in 16 bits, as the journal column holds it; the personnel
  // download counts in 32.
  bool wideRunningNumber = false;

  // The row's unit. lock nullptr: a download that changes nothing in the database, whose rows
  // go out as the cursor delivers them.
  const char* unit = nullptr;  // the unit's savepoint name without "_Sp", e.g. "App_Frei"
  // Reads the row by the key *row holds, locked until the unit ends; 1403 when it is gone.
  int (*lock)(Row* row) = nullptr;
  // Logs a failed lock or read (never 1403) of the fetched row with the download's message.
  void (*lockFailed)(const Row& fetched, int status) = nullptr;
  // Logs a lock the update failed to get (-54, or the last try's -60) on a row beside the
  // unit's own, which the update leaves unlogged because the row may yet go again; or nullptr.
  void (*updateLockFailed)(const Row& locked, int status) = nullptr;
  // Queues with a batch's locking reads, after all of the rows' own, a read the row's update
  // would otherwise make alone, tagged tag (a position's order header), or nullptr. A failure
  // of such a read is no row's: the batch's reads go again without them.
  void (*lockAlso)(const Row& fetched, int tag) = nullptr;
  // The row's download marker.
  std::string_view (*marker)(const Row& row) = nullptr;
  // Copies into the locked image what the cursor delivers beside the row's own columns (a
  // workplace group's cost centre comes from its current assignment), or nullptr.
  void (*carry)(Row* locked, const Row& fetched) = nullptr;
  // For a cursor that delivers a row once per joined row: the row's key. A row this loop has
  // sent and unmarked goes out again when the cursor delivers it again. nullptr otherwise.
  std::string_view (*again)(const Row& row) = nullptr;
  // Unmarks or deletes the locked image, inside the unit, before its lines are written; logs its
  // own failures. 0 keeps the unit's writes; so does 1403, a write that found nothing left to
  // change beyond the row (a position's order header that is gone), which still ends an order
  // loop. Any other status undoes the unit: the row stays due.
  int (*update)(const Row& locked) = nullptr;

  DnlSeams seams{};
};

// A loop over a download cursor that sends through send and logs with these messages; the
// caller sets the builder, the area and the row's unit.
template <class Row>
DnlLoop<Row> CursorLoop(int (*open)(const char*), int (*fetch)(Row*), int (*close)(),
                        int (*send)(DnlRecord, const char*), const char* function,
                        const char* openFailed, const char* sendFailed) {
  DnlLoop<Row> d{};
  d.open = open;
  d.fetch = fetch;
  d.close = close;
  d.send = send;
  d.msg = {function, openFailed, sendFailed};
  return d;
}

// Works the row at the front of the queue alone: the group's first (which may wait), or one the
// batch could not take. A row that yields ends the group and goes again as the first of the
// next, which may wait for it; *stop when that end stops the loop (the row then stays due with
// every later one and *result means nothing). Returns the row's status.
template <class Row>
int WorkRowAlone(const DnlLoop<Row>& d, const FetchedRow<Row>& front, std::string_view who,
                 SentRows* sent, DnlGroup<Row>* group, RowResult* result, bool* stop) {
  const Row& row = front.row;
  const DnlRecord& base = front.base;
  for (;;) {
    int rc = 0;
    const bool holding = group->holding();
    if (!holding) group->Start();
    if (d.seams.hold != nullptr) d.seams.hold(holding);
    if (d.lock == nullptr) {
      rc = RowLinesOnly(d, base, row, who, holding, result);
    } else if (holding) {
      rc = RowUnit(d, base, row, who, sent, true, true, result);
    } else {
      rc = bdRetryUnit([&](bool last) {
        const int unit = RowUnit(d, base, row, who, sent, last, false, result);
        // Undoing the unit to its savepoint leaves the transaction open, and a session queued
        // behind a row the unit locked waits on until the transaction ends: the next try would
        // meet it again. The group holds nothing but this row yet, so end its transaction.
        if (unit == sql::kDeadlock) d.seams.commit(false);
        return unit;
      });
    }
    if (*result != RowResult::kYield) return rc;
    if (group->EndStops(false)) {
      *stop = true;
      return rc;
    }
  }
}

// Runs the loop. Returns the status of the cursor's close, or of a failed open (the cursor is
// then not closed). Row failures never reach the status, except a lost connection: no later
// row can succeed, so the loop stops at the row that met it, whatever the download does with
// failing rows otherwise, and returns the status the connection was lost with (also where the
// close, done on the client's side alone, reports nothing).
template <class Row>
int RunDnlLoop(const DnlLoop<Row>& d, const char* date, const char* time, const char* requester) {
  if (int rc = d.open(requester); rc != 0) {
    Msg_Log(rc, d.msg.function, d.msg.openFailedText, kMsgError);
    return rc;
  }
  // The markers hold the requester name as the cursor selects it: cut to 8 characters.
  const std::string_view who = std::string_view(requester).substr(0, 8);
  SentRows sent;
  const DnlGroupLimits limits = DnlGroupSettings();
  DnlGroup<Row> group(d, limits);
  // A group's rows after its first go as a batch where the loop runs real units on the database.
  const bool batches = d.lock != nullptr && d.seams.begin == bdBeginGroupUnit && limits.rows > 1;
  std::deque<FetchedRow<Row>> queue;  // fetched, not yet worked
  uint32_t count = 0;
  int fetched = 0;
  bool ended = false;
  bool stop = false;
  const auto told_to_stop = [&d] { return d.seams.stopped != nullptr && d.seams.stopped() != 0; };
  while (!stop) {
    // The rows of a group are fetched before it works them.
    while (!ended && queue.size() < static_cast<std::size_t>(batches ? limits.rows : 1)) {
      FetchedRow<Row> f{};
      if ((fetched = d.fetch(&f.row)) != 0) {
        ended = true;
        break;
      }
      f.base.date = date;
      f.base.time = time;
      f.base.DnlErf = requester;
      ++count;
      f.base.DnlLfn = d.wideRunningNumber ? static_cast<int32_t>(count)
                                          : static_cast<int16_t>(static_cast<uint16_t>(count));
      queue.push_back(std::move(f));
    }
    if (queue.empty()) break;
    if (batches && group.holding()) {
      BatchEnd how = BatchEnd::kDone;
      int rc = 0;
      const std::size_t done = WorkBatch(d, &queue, who, &sent, &group, &how, &rc);
      if (how == BatchEnd::kFailed || how == BatchEnd::kYield || (done > 0 && group.Full())) {
        stop = group.EndStops(how == BatchEnd::kFailed);  // a failing row ends its group
      }
      if (stop || told_to_stop()) break;
      if (how != BatchEnd::kSingle || queue.empty()) continue;
    }
    RowResult result = RowResult::kFailed;
    const int rc = WorkRowAlone(d, queue.front(), who, &sent, &group, &result, &stop);
    queue.pop_front();
    if (stop) break;
    group.Add(result);
    // A failing row ends its group, and an order download with it.
    if (rc != 0 || group.Full()) stop = group.EndStops(rc != 0);
    if (told_to_stop()) break;  // the group ends below
  }
  group.End();
  if (d.seams.hold != nullptr) d.seams.hold(false);
  // The operator at a terminal learns how many rows the stop left behind the failed one: the
  // rest of the cursor's rows, counted, not tried.
  if (DnlWatcher* w = DnlWatch(); w != nullptr && stop && (fetched == 0 || !queue.empty())) {
    uint64_t untried = queue.size();
    Row row{};
    while (!ended && d.fetch(&row) == 0) ++untried;
    if (untried > 0) w->RowsUntried(d.msg.function, untried);
  }
  // A fetch that fails ends the download as the end of the rows does, but this row and every
  // later one stay due until the cause is mended: say so, in the style of the open's message.
  if (fetched != 0 && fetched != sql::kNotFound) {
    const std::string_view f = d.msg.function;  // "Apk_Dnl" fetches with "Apk_FetchDnl"
    const std::string text = "fehlerhafte " + std::string(f.substr(0, f.find('_'))) + "_FetchDnl";
    Msg_Log(fetched, d.msg.function, text.c_str(), kMsgError);
  }
  const int closed = d.close();
  const int lost = bdLostStatus();
  return lost != 0 ? lost : closed;
}

}  // namespace jf
