// Part of the download loop (download/DnlLoop.h). The group's limits are DnlGroupLimits
// (download/DnlGroup.h).
#pragma once

#include <algorithm>
#include <cstdint>

#include "db/DbDb.h"
#include "download/DnlGroup.h"
#include "download/DnlJournal.h"
#include "download/DnlLoopRow.h"
#include "download/DnlWatch.h"
#include "msg/Msg.h"

namespace jf {

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
    start_ = d_.seams.clock();
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
    return rows_ >= limits_.rows || d_.seams.clock() - start_ >= limits_.millis ||
           (d_.seams.full != nullptr && d_.seams.full());
  }

  // Ends the group: flushes its files, then commits its units, or undoes them all when the
  // flush failed; a refused commit undoes them too. Either failure leaves every row of the
  // group due and is logged. Then lets go of the files. Returns 0 or the failing status.
  int End() {
    const int rc = EndUnits();
    Msg_Hold(false);
    return rc;
  }

  // Ends the group after a row that failed (row_failed) or as the loop goes on, and tells
  // whether the loop stops there: a failing row or group stops an order download, and a lost
  // connection every download.
  bool EndStops(bool row_failed) {
    const int rc = End();
    return (row_failed || rc != 0) && (!d_.continueAfterRowFailure || bdLostStatus() != 0);
  }

 private:
  int EndUnits() {
    if (rows_ == 0) return 0;
    int rc = d_.seams.flush != nullptr ? d_.seams.flush() : 0;
    if (rc != 0) LogSendFailed(d_, rc);
    if (d_.lock != nullptr) {
      // A connection lost before the group's end was logged by the row that met it.
      const bool lost = bdLostStatus() != 0;
      const int commit = d_.seams.commit(rc == 0);
      if (rc == 0 && commit != 0) {
        rc = commit;
        if (d_.msg.commitFailedText != nullptr && !lost) {
          Msg_Log(rc, d_.msg.commitFunction, d_.msg.commitFailedText, kMsgError);
        }
      }
    }
    if (d_.seams.release != nullptr) d_.seams.release();
    DnlJournal_GroupEnd(rc == 0);
    if (DnlWatcher* w = DnlWatch(); w != nullptr) {
      for (int i = 0; i < sent_; ++i) w->RowDone(d_.msg.function, rc == 0);
      for (int i = 0; i < failed_; ++i) w->RowDone(d_.msg.function, false);
    }
    rows_ = sent_ = failed_ = 0;
    return rc;
  }

  const DnlLoop<Row>& d_;
  DnlGroupLimits limits_;
  int rows_ = 0, sent_ = 0, failed_ = 0;
  int64_t start_ = 0;
};

}  // namespace jf
