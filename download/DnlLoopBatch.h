// A download loop's batch (download/DnlLoop.h): the rows after a group's first, worked together
// so that the statements of each step travel together where the database allows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <vector>

#include "db/sql/Session.h"
#include "db/sql/Status.h"
#include "download/DnlJournal.h"
#include "download/DnlLoopGroup.h"
#include "download/DnlLoopRow.h"
#include "download/DnlRecord.h"
#include "msg/Msg.h"

namespace jf {

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
                      std::string_view requester, SentRows* sent, DnlGroup<Row>* group,
                      BatchEnd* how, int* rc) {
  *how = BatchEnd::kSingle;
  *rc = 0;
  const std::size_t n =
      std::min<std::size_t>(queue->size(), static_cast<std::size_t>(group->room()));
  if (n == 0) return 0;
  if (d.seams.hold != nullptr) d.seams.hold(true);  // the group holds rows: no lock is waited for
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
      LogLockFailed(d, fetched, st);
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
        LogRowFailed(d, locked[i], sent_rc, true);
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
    JournalRowLines(lines[i]);
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

}  // namespace jf
