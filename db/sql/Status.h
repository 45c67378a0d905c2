// Status codes of the statement layer. Every backend reports the same numbers, which are the
// ones the Oracle embedded-SQL runtime leaves in its communication area, so callers and the
// message file see the same codes whatever database the run talks to.
#pragma once

#include <cstdint>

namespace jf::sql {

enum Status : int32_t {
  kOk = 0,
  kNotFound = 1403,              // no row, no further row, or an UPDATE/DELETE that touched none
  kUniqueViolated = -1,          // unique constraint violated
  kBusy = -54,                   // resource busy: table or row held by another session for
                                 // longer than the lock wait (kLockWaitSeconds)
  kDeadlock = -60,               // deadlock: the statement waited for a lock held by one that
                                 // waits for it (SQLite: its read snapshot went stale before it
                                 // could write). Oracle undoes that statement only: the
                                 // transaction keeps its locks, and sessions queued behind them
                                 // keep waiting, until it ends; only then may it run again
  kInvalidIdentifier = -904,     // unknown column
  kNoTable = -942,               // table or view does not exist
  kNotLoggedOn = -1012,          // no connection (statement before a successful connect)
  kCannotInsertNull = -1400,     // NOT NULL column given NULL
  kValueOverflow = -1438,        // value larger than the column or host variable allows
  kIntegerOverflow = -1455,      // a column value does not fit its 16- or 32-bit field
  kInvalidMonth = -1843,         // bad month in a date text
  kDateFormat = -1861,           // date text does not match its format
  kTooManyRows = -2112,          // single-row SELECT found more than one row
  kInvalidSqlStatement = -900,   // statement text the backend cannot parse
  kNotConnectedFetch = -1001,    // fetch or close of a cursor that is not open ("invalid cursor")
  kBadSelector = -3,             // a routine's selector names none of its cursors
  kLoginTooLong = -1017,         // login values that do not fit the connect string (as a refused
                                 // logon, kLogonDenied)
  kConnectIdentifier = -12154,   // net service name cannot be resolved / database cannot be opened
  kBackendUnavailable = -12560,  // the database client library is missing or too old
  kIoError = -1114,              // the database file could not be read or written
  kDiskFull = -1653,             // no room left to extend the database
  kCorrupt = -1578,              // the database file is damaged
  kReadOnly = -16000,            // the database can only be read
  kNotAllBound = -1008,          // fewer or more inputs than the statement has placeholders
  kNotInSelectList = -1007,      // outputs do not match the selected columns
  kDayOfMonth = -1847,           // day of month not between 1 and 31 in a date text
  kDateForMonth = -1839,         // a day the month does not have (30 February)
  kYearRange = -1841,            // year 0 in a date text
  kHour = -1850,                 // hour out of range in a date text
  kMinute = -1851,               // minute out of range in a date text
  kSecond = -1852,               // second out of range in a date text
  kSavepointUnknown = -1086,     // rollback to a savepoint that was never set
  kLogonDenied = -1017,          // the server refused the user or password
  kLogonWarning = -28002,        // the logon worked with a warning (the password will expire)
  kLostConnection = -3113,       // the connection to the server broke during the call
  kNotConnected = -3114,         // every call after that
  kLostContact = -3135,          // the server stopped answering within the call's bound
  kConnectTimeout = -12170,      // the connect did not complete within its bound
  kServiceUnknown = -12514,      // the server answered but does not know the database
  kNoListener = -12541,          // nothing listens at the address the net service name gives
  kCancelled = -1013,            // the server cancelled the statement (its statement timeout)
  kCallTimeout = -3156,          // a round trip ran past the client's call timeout and was
                                 // broken off; the session is still there (else kLostConnection)
  kOtherError = -99999,          // any other failure of the backend
  kQueued = 1,                   // a read queued in a batch: its row and status come with the
                                 // batch's run (RunBatch, BatchStatus)
};

// Whether a status says the connection to the server is gone: no later statement of the
// session can succeed. A backend that knows more tells it through Backend::ConnectionLost.
inline bool IsLostConnection(int status) {
  return status == kLostConnection || status == kNotConnected || status == kLostContact ||
         status == -12152 ||  // the client could not send the cancel or break
         status == -12571;    // the client could not send a packet
}

// How long a statement waits for a row or table that another session holds before it fails with
// kBusy. Other runs and the order system hold a row for milliseconds; a hold this long is someone
// keeping it for good. SQLite waits this long for its write lock; Oracle's locking reads say
// "for update wait 30" in their texts, and its writes, which have no wait of their own, run with
// this as their call timeout.
inline constexpr int kLockWaitSeconds = 30;

// Cursor misuse has one fixed answer, never the status some earlier statement left behind, so a
// fetch loop that is handed one always ends:
// - fetch or close of a cursor that is not open (never opened, closed, its open failed, or the
//   session was dropped since): kNotConnectedFetch, -1001, the number Oracle gives;
// - open, fetch or close with a selector other than 1 (ascending) or 2 (descending), where a
//   module declares one cursor per sort order: kBadSelector, -3. No statement runs, and the
//   communication area keeps the status of the last statement that did.

}  // namespace jf::sql
