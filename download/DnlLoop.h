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

#include <algorithm>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "db/DbDb.h"
#include "db/sql/Session.h"
#include "db/sql/Status.h"
#include "download/DnlGroup.h"
#include "download/DnlJournal.h"
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
  // The row as an operator finds it ("Auftrag 4711 Position 20"), for the detail entry that
  // follows a row's failure entry, whose fixed text names no row; nullptr: no detail entry.
  std::string (*name)(const Row& row) = nullptr;
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
  // Messages of a commit refused at the group's end: its rows' updates did not reach the
  // database, as the download's failed update says (nullptr: none).
  const char* commitFunction = nullptr;
  const char* commitFailedText = nullptr;

  // Tests put fakes in the places below.
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
  d.function = function;
  d.openFailedText = openFailed;
  d.sendFailedText = sendFailed;
  return d;
}

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
  Msg_LogDetail(rc, d.function, text);
}

// Whether the locked image of a row still asks this loop for its lines: marked for the
// requester, or (for a cursor that delivers a row more than once) sent by this loop already.
template <class Row>
bool StillDue(const DnlLoop<Row>& d, const Row& locked, std::string_view requester,
              const std::set<std::string, std::less<>>& sent) {
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

// One try of a row's unit: lock and read the row, build its lines from the version read,
// unmark or delete it, write its lines; the unit's writes are kept for the group's commit or
// undone. Every database lock the unit needs is taken before its send-buffer file is. A line is
// durable only when the group flushes its files, which comes before the commit that unmarks the
// row. Returns 0 when the row went out or has nothing left to send; otherwise the failing
// status, logged unless the row yields. last: the final try, whose deadlock is logged like any
// other failure. holding: the group holds rows or files already, so nothing may wait.
template <class Row>
int RowUnit(const DnlLoop<Row>& d, const DnlRecord& base, const Row& fetched,
            std::string_view requester, std::set<std::string, std::less<>>* sent, bool last,
            bool holding, RowResult* result) {
  Row row = fetched;
  int rc = d.begin(d.unit);
  // The fetched row's terminal is looked up with its locking read (again later if the locked
  // row's area differs).
  if (rc == 0 && d.send == SndBuf_Write) SndBuf_LookAhead(d.area(fetched));
  if (rc == 0) rc = d.lock(&row);
  if (rc == sql::kNotFound || (rc == 0 && !StillDue(d, row, requester, *sent))) {
    d.end(true);  // nothing was written: the unit only holds the lock until the group ends
    *result = RowResult::kPassedOver;
    return 0;
  }
  if (rc != 0) {
    d.end(false);
    *result = Yields(holding, rc) ? RowResult::kYield : RowResult::kFailed;
    if (*result == RowResult::kFailed && (rc != sql::kDeadlock || last)) {
      d.lockFailed(fetched, rc);
      LogRowDetail(d, fetched, rc, false);
    }
    return rc;
  }
  if (d.carry != nullptr) d.carry(&row, fetched);
  RowLines lines;
  int status = BuildRowLines(d, base, row, requester, &lines);
  bool keep = false;
  if (status != 0) {  // a row whose lines cannot be built stays due, as one not sent
    if (d.sendFailedText != nullptr) Msg_Log(status, d.function, d.sendFailedText, kMsgError);
    LogRowDetail(d, row, status, false);
  } else if (status = d.update(row); status == 0 || status == sql::kNotFound) {
    if (int sent_rc = SendRowLines(d, lines, row); sent_rc != 0) {
      if (!Yields(holding, sent_rc)) {
        if (d.sendFailedText != nullptr) Msg_Log(sent_rc, d.function, d.sendFailedText, kMsgError);
        LogRowDetail(d, row, sent_rc, true);
      }
      status = sent_rc;
    } else {
      keep = true;
      for (int i = 0; i < lines.n; ++i) DnlJournal_Line(lines.rec[i]);
    }
  } else if (!Yields(holding, status) && (status != sql::kDeadlock || last)) {
    LogRowDetail(d, row, status, false);  // after the update's own entry
  }
  const int end = d.end(keep);
  if (keep && end == 0 && d.again != nullptr) sent->emplace(d.again(row));
  rc = status != 0 ? status : end;
  *result = rc == 0               ? RowResult::kSent
            : Yields(holding, rc) ? RowResult::kYield
                                  : RowResult::kFailed;
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
  if (rc == 0) {
    for (int i = 0; i < lines.n; ++i) DnlJournal_Line(lines.rec[i]);
  }
  *result = rc == 0               ? RowResult::kSent
            : Yields(holding, rc) ? RowResult::kYield
                                  : RowResult::kFailed;
  if (*result == RowResult::kFailed) {
    if (d.sendFailedText != nullptr) Msg_Log(rc, d.function, d.sendFailedText, kMsgError);
    LogRowDetail(d, row, rc, true);
  }
  return rc;
}

// The open group of a loop: the rows whose units share its transaction and whose lines wait for
// its flush.
template <class Row>
class DnlGroup {
 public:
  DnlGroup(const DnlLoop<Row>& d, DnlGroupLimits limits) : d_(d), limits_(limits) {}

  // Whether the group holds rows (their locks, on the embedded database the write lock) and
  // send-buffer files.
  bool holding() const { return rows_ > 0; }
  // How many more rows the group takes.
  int room() const { return std::max(limits_.rows - rows_, 0); }

  // The group's first row begins now; what its rows log waits for its end.
  void Start() {
    start_ = d_.clock();
    Msg_Hold(true);
  }
  void Add(RowResult r) {
    ++rows_;
    if (r == RowResult::kSent) ++sent_;
    if (r == RowResult::kFailed) ++failed_;
  }

  // Whether the group has its rows, has been open its time, or holds as many units as the
  // database wants in one transaction.
  bool Full() const {
    return rows_ >= limits_.rows || d_.clock() - start_ >= limits_.millis ||
           (d_.full != nullptr && d_.full());
  }

  // Ends the group: flushes its files, then commits its units, or undoes them all when the
  // flush failed; a refused commit undoes them too. Either failure leaves every row of the
  // group due and is logged. Then lets go of the files. Returns 0 or the failing status.
  int End() {
    const int rc = EndUnits();
    Msg_Hold(false);
    return rc;
  }

 private:
  int EndUnits() {
    if (rows_ == 0) return 0;
    int rc = d_.flush != nullptr ? d_.flush() : 0;
    if (rc != 0 && d_.sendFailedText != nullptr) {
      Msg_Log(rc, d_.function, d_.sendFailedText, kMsgError);
    }
    if (d_.lock != nullptr) {
      // A connection lost before the group's end was logged by the row that met it.
      const bool lost = bdLostStatus() != 0;
      const int commit = d_.commit(rc == 0);
      if (rc == 0 && commit != 0) {
        rc = commit;
        if (d_.commitFailedText != nullptr && !lost) {
          Msg_Log(rc, d_.commitFunction, d_.commitFailedText, kMsgError);
        }
      }
    }
    if (d_.release != nullptr) d_.release();
    DnlJournal_GroupEnd(rc == 0);
    if (DnlWatcher* w = DnlWatch(); w != nullptr) {
      for (int i = 0; i < sent_; ++i) w->RowDone(d_.function, rc == 0);
      for (int i = 0; i < failed_; ++i) w->RowDone(d_.function, false);
    }
    rows_ = sent_ = failed_ = 0;
    return rc;
  }

  const DnlLoop<Row>& d_;
  DnlGroupLimits limits_;
  int rows_ = 0, sent_ = 0, failed_ = 0;
  int64_t start_ = 0;
};

// A row the cursor delivered that waits for its group, with its loop-filled record.
template <class Row>
struct FetchedRow {
  Row row;
  DnlRecord base;
};

// Unmarks or deletes the rows of a batch that are due, in order, as one batch of statements.
// Returns how many rows from the first kept their writes (all of them: upto). A row whose
// update failed is undone with every later one. When its own update saw the failure as it
// happened (statements run one by one, or a failure of the client's own such as a count beyond
// 16 bits), what it logged stands and *failed holds its status: the caller finishes the row as
// one that failed. Otherwise (its statement's failure came back with a later one's, or the
// update ended in 1403, which its unit would keep) *failed stays 0, what the rows logged from
// there on is forgotten and the row goes again alone.
template <class Row>
std::size_t UpdateRows(const DnlLoop<Row>& d, const std::vector<Row>& locked,
                       const std::vector<char>& due, std::size_t upto, int* failed_status) {
  const std::size_t first_mark = Msg_HeldCount();
  *failed_status = 0;
  for (;;) {
    if (sql::BeginBatch(false) != 0) return 0;
    std::size_t failed = upto;
    int status = 0;
    for (std::size_t i = 0; i < upto; ++i) {
      if (!due[i]) continue;
      sql::BatchTag(static_cast<int>(i));
      if (const int st = d.update(locked[i]); st != 0) {
        failed = i;
        status = st;
        break;
      }
    }
    sql::RunBatch();
    const int tag = sql::BatchFailedTag();
    const bool seen = failed < upto && status != sql::kNotFound &&
                      (tag < 0 || (!sql::BatchQueues() && tag == static_cast<int>(failed)));
    if (tag >= 0 && static_cast<std::size_t>(tag) < failed) failed = static_cast<std::size_t>(tag);
    for (std::size_t i = 0; i < failed; ++i) {
      if (due[i] && sql::BatchStatus(static_cast<int>(i)) == sql::kNotFound) {
        failed = i;
        break;
      }
    }
    if (failed == upto) return upto;  // the batch stays open: the caller ends it
    sql::EndBatch(false);
    if (seen && *failed_status == 0) {
      // What the failing row logged stands (the rows before it logged nothing); they run again.
      *failed_status = status;
    } else {
      Msg_DropHeld(first_mark);
      *failed_status = 0;
    }
    upto = failed;
    if (upto == 0) return 0;
  }
}

// How a batch ended.
enum class BatchEnd {
  kDone,    // every row it took went
  kSingle,  // before a row it could not take, which the caller works alone
  kFailed,  // at a row that failed (logged, counted and left behind; its status is *rc)
  kYield,   // before a row whose file another process holds: the group ends first
};

// Works the rows at the front of the queue that the open group has room for, as a batch: locks
// and reads them all, builds their lines, unmarks or deletes them all, and only then writes
// their lines, in order. The statements of each step travel together where the database
// allows. A row whose lock, read, build or update fails ends the batch before it: the rows
// before it go, and the caller works it alone as one row's unit, which logs it, lets it go
// again in the next group or stops the loop as it would have without batches. A row whose line
// cannot be written is undone with the rows after it, which stay in the queue. Returns how many
// rows left the queue.
template <class Row>
std::size_t WorkBatch(const DnlLoop<Row>& d, std::deque<FetchedRow<Row>>* queue,
                      std::string_view requester, std::set<std::string, std::less<>>* sent,
                      DnlGroup<Row>* group, BatchEnd* how, int* rc) {
  *how = BatchEnd::kSingle;
  *rc = 0;
  const std::size_t n =
      std::min<std::size_t>(queue->size(), static_cast<std::size_t>(group->room()));
  if (n == 0) return 0;
  if (d.hold != nullptr) d.hold(true);  // the group holds rows: no lock is waited for
  std::vector<Row> locked(n);
  std::size_t k = n;
  bool also = d.lockAlso != nullptr;
  for (;;) {
    if (sql::BeginBatch(true) != 0) return 0;
    std::size_t refused = k;  // a read that failed before it reached the batch
    for (std::size_t i = 0; i < k; ++i) {
      sql::BatchTag(static_cast<int>(i));
      locked[i] = (*queue)[i].row;
      const int st = d.lock(&locked[i]);
      if (st != 0 && st != sql::kQueued && st != sql::kNotFound) {
        refused = i;
        break;
      }
    }
    for (std::size_t i = 0; also && i < refused; ++i) {
      d.lockAlso((*queue)[i].row, static_cast<int>(n + i));
    }
    sql::RunBatch();
    const int f = sql::BatchFailedTag();
    if (f < 0) {
      k = refused;
      break;
    }
    const int st = sql::EndBatch(false);
    k = static_cast<std::size_t>(f);
    if (k >= n) {
      k -= n;  // the read the row's update would have made alone
      if (sql::LostStatus() == 0) {
        also = false;  // the rows' own reads go again alone
        k = n;
        continue;
      }
    }
    if (sql::LostStatus() != 0) {
      // No row goes any more: the row that met the loss says so with the status it met, and the
      // loop stops there.
      const Row& fetched = (*queue)[k].row;
      d.lockFailed(fetched, st);
      LogRowDetail(d, fetched, st, false);
      group->Add(RowResult::kFailed);
      queue->erase(queue->begin(), queue->begin() + static_cast<std::ptrdiff_t>(k + 1));
      *how = BatchEnd::kFailed;
      *rc = st;
      return k + 1;
    }
    if (k == 0) return 0;
  }
  std::vector<int> status(k);
  for (std::size_t i = 0; i < k; ++i) status[i] = sql::BatchStatus(static_cast<int>(i));
  sql::EndBatch(true);
  if (k == 0) return 0;

  std::vector<RowLines> lines(k);
  std::vector<char> due(k, 0);
  std::size_t upto = k;
  for (std::size_t i = 0; i < k; ++i) {
    if (status[i] == sql::kNotFound || !StillDue(d, locked[i], requester, *sent)) continue;
    if (d.carry != nullptr) d.carry(&locked[i], (*queue)[i].row);
    if (BuildRowLines(d, (*queue)[i].base, locked[i], requester, &lines[i]) != 0) {
      upto = i;
      break;
    }
    due[i] = 1;
  }
  int update_rc = 0;
  upto = UpdateRows(d, locked, due, upto, &update_rc);
  std::size_t done = upto;
  *how = upto < n ? BatchEnd::kSingle : BatchEnd::kDone;
  std::vector<std::size_t> went;
  for (std::size_t i = 0; i < upto; ++i) {
    if (!due[i]) {
      group->Add(RowResult::kPassedOver);
      continue;
    }
    if (const int sent_rc = SendRowLines(d, lines[i], locked[i]); sent_rc != 0) {
      // The row's writes go, and every later row's; the rows before it keep theirs. Under the
      // locks the batch holds their updates went through once already: only a lost connection
      // fails them now, and then nothing of the group is committed.
      sql::EndBatch(false);
      int again_rc = 0;
      UpdateRows(d, locked, due, i, &again_rc);
      done = i;
      update_rc = 0;
      *rc = sent_rc;
      if (Yields(true, sent_rc)) {
        *how = BatchEnd::kYield;
      } else {
        if (d.sendFailedText != nullptr) Msg_Log(sent_rc, d.function, d.sendFailedText, kMsgError);
        LogRowDetail(d, locked[i], sent_rc, true);
        group->Add(RowResult::kFailed);
        done = i + 1;
        *how = BatchEnd::kFailed;
      }
      break;
    }
    went.push_back(i);
  }
  sql::EndBatch(true);
  // The journal's inserts come after the batch, one by one: one that fails is undone alone.
  for (const std::size_t i : went) {
    for (int l = 0; l < lines[i].n; ++l) DnlJournal_Line(lines[i].rec[l]);
    if (d.again != nullptr) sent->emplace(d.again(locked[i]));
    group->Add(RowResult::kSent);
  }
  if (update_rc != 0 && done == upto) {
    // The row whose update failed, as its unit ends: after the update's own entry, the row.
    const Row& row = locked[upto];
    *rc = update_rc;
    if (Yields(true, update_rc)) {
      *how = BatchEnd::kYield;
    } else {
      LogRowDetail(d, row, update_rc, false);
      group->Add(RowResult::kFailed);
      ++done;
      *how = BatchEnd::kFailed;
    }
  }
  queue->erase(queue->begin(), queue->begin() + static_cast<std::ptrdiff_t>(done));
  return done;
}

// Runs the loop. Returns the status of the cursor's close, or of a failed open (the cursor is
// then not closed). Row failures never reach the status, except a lost connection: no later
// row can succeed, so the loop stops at the row that met it, whatever the download does with
// failing rows otherwise, and returns the status the connection was lost with (also where the
// close, done on the client's side alone, reports nothing).
template <class Row>
int RunDnlLoop(const DnlLoop<Row>& d, const char* date, const char* time, const char* requester) {
  if (int rc = d.open(requester); rc != 0) {
    Msg_Log(rc, d.function, d.openFailedText, kMsgError);
    return rc;
  }
  // The markers hold the requester name as the cursor selects it: cut to 8 characters.
  const std::string_view who = std::string_view(requester).substr(0, 8);
  std::set<std::string, std::less<>> sent;  // rows sent, for a cursor that repeats rows
  const DnlGroupLimits limits = DnlGroupSettings();
  DnlGroup<Row> group(d, limits);
  // A group's rows after its first go as a batch where the loop runs real units on the database.
  const bool batches = d.lock != nullptr && d.begin == bdBeginGroupUnit && limits.rows > 1;
  std::deque<FetchedRow<Row>> queue;  // fetched, not yet worked
  uint32_t count = 0;
  int fetched = 0;
  bool ended = false;
  bool stop = false;
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
        const int ended_rc = group.End();
        // A failing row ends its group, and an order download with it.
        stop = (how == BatchEnd::kFailed || ended_rc != 0) &&
               (!d.continueAfterRowFailure || bdLostStatus() != 0);
      }
      if (stop || (d.stopped != nullptr && d.stopped() != 0)) break;
      if (how != BatchEnd::kSingle || queue.empty()) continue;
    }
    // One row alone: the group's first (which may wait), or one the batch could not take.
    const FetchedRow<Row>& front = queue.front();
    const Row& row = front.row;
    const DnlRecord& base = front.base;
    int rc = 0;
    RowResult result = RowResult::kFailed;
    for (;;) {
      const bool holding = group.holding();
      if (!holding) group.Start();
      if (d.hold != nullptr) d.hold(holding);
      if (d.lock == nullptr) {
        rc = RowLinesOnly(d, base, row, who, holding, &result);
      } else if (holding) {
        rc = RowUnit(d, base, row, who, &sent, true, true, &result);
      } else {
        rc = bdRetryUnit([&](bool last) {
          const int unit = RowUnit(d, base, row, who, &sent, last, false, &result);
          // Undoing the unit to its savepoint leaves the transaction open, and a session queued
          // behind a row the unit locked waits on until the transaction ends: the next try would
          // meet it again. The group holds nothing but this row yet, so end its transaction.
          if (unit == sql::kDeadlock) d.commit(false);
          return unit;
        });
      }
      if (result != RowResult::kYield) break;
      // The row goes again as the first of the next group, which may wait for it.
      if (group.End() != 0 && (!d.continueAfterRowFailure || bdLostStatus() != 0)) {
        stop = true;  // the group failed: the row stays due with every later one
        break;
      }
    }
    queue.pop_front();
    if (stop) break;
    group.Add(result);
    // A failing row ends its group, and an order download with it.
    if (rc != 0 || group.Full()) {
      const int ended_rc = group.End();
      stop = (rc != 0 || ended_rc != 0) && (!d.continueAfterRowFailure || bdLostStatus() != 0);
    }
    if (d.stopped != nullptr && d.stopped() != 0) break;  // the group ends below
  }
  group.End();
  if (d.hold != nullptr) d.hold(false);
  // The operator at a terminal learns how many rows the stop left behind the failed one: the
  // rest of the cursor's rows, counted, not tried.
  if (DnlWatcher* w = DnlWatch(); w != nullptr && stop && (fetched == 0 || !queue.empty())) {
    uint64_t untried = queue.size();
    Row row{};
    while (!ended && d.fetch(&row) == 0) ++untried;
    if (untried > 0) w->RowsUntried(d.function, untried);
  }
  // A fetch that fails ends the download as the end of the rows does, but this row and every
  // later one stay due until the cause is mended: say so, in the style of the open's message.
  if (fetched != 0 && fetched != sql::kNotFound) {
    const std::string_view f = d.function;  // "Apk_Dnl" fetches with "Apk_FetchDnl"
    const std::string text = "fehlerhafte " + std::string(f.substr(0, f.find('_'))) + "_FetchDnl";
    Msg_Log(fetched, d.function, text.c_str(), kMsgError);
  }
  const int closed = d.close();
  const int lost = bdLostStatus();
  return lost != 0 ? lost : closed;
}

}  // namespace jf
