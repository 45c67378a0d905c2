// The program's one database connection.
#pragma once

#include "db/sql/Status.h"

namespace jf {

// Reads the login from the login configuration file and opens the connection. Returns the
// status of the connect; 0 = connected.
int bdConnect();
// COMMIT WORK; the status stays in the communication area.
void bdCommit();
// ROLLBACK WORK; likewise.
void bdRollback();

// Writes that belong together: between bdBeginUnit and bdEndUnit the table routines' writes
// are not committed one by one; bdEndUnit(true) commits them at once, bdEndUnit(false) undoes
// them all. So a crash or a failure between two such writes never leaves half of them behind.
// Both return the status of their last statement.
int bdBeginUnit(const char* name);
int bdEndUnit(bool keep);
// The unit's next write is its last: when it succeeds it commits the unit with it, in one round
// trip, and bdEndUnit returns that commit's status.
void bdEndUnitWithNextWrite();

// Units that share one transaction, a group: bdBeginGroupUnit begins a unit in the open group
// (or opens one); bdEndUnit(true) then keeps the unit's writes without committing them and
// bdEndUnit(false) undoes that unit alone; bdEndGroup(true) commits the group's kept units at
// once (a refused commit rolls them back), bdEndGroup(false) undoes them all.
int bdBeginGroupUnit(const char* name);
int bdEndGroup(bool keep);
// Whether the database asks the open group to end before another unit begins in it.
bool bdGroupFull();

// The status with which the connection was lost, or 0 while it stands. A lost connection fails
// every later statement, so a loop over rows stops at the first failure it sees after this.
int bdLostStatus();

// Whether the locking reads wait for a row another session holds (up to the lock wait) or
// fail at once with -54 ("for update nowait").
void bdLockWait(bool wait);

// How often a unit runs in all when a deadlock undoes it. A deadlock needs two sessions that take
// the same locks in opposite orders; the program always locks a position before its order
// header, so only another program's transaction can be the other side, and trying again after
// it has gone almost always succeeds. Oracle undoes only the statement that met the deadlock:
// the unit's own transaction must have ended before it tries again, or the other side stays
// queued behind the locks it still holds.
inline constexpr int kUnitTries = 3;

// Runs unit(last) until it ends in anything but a deadlock (-60), kUnitTries times at most;
// last is true for the final try, the one whose deadlock stands (and is logged by the unit).
// The unit must have undone its writes when it reports the deadlock. Returns its last status.
template <class Unit>
int bdRetryUnit(Unit unit) {
  int rc = 0;
  for (int tries = 1; tries <= kUnitTries; ++tries) {
    rc = unit(tries == kUnitTries);
    if (rc != sql::kDeadlock) break;
  }
  return rc;
}

}  // namespace jf
