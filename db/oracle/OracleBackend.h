// The Oracle backend: the statement texts run unchanged through Oracle's call interface, with
// the client library loaded at run time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/sql/Backend.h"

namespace jf::oracle {

// Rows a cursor brings along with each round trip, and those of a single-row SELECT: two, so
// that the round trip of the execute already tells whether a second row makes it -2112.
inline constexpr unsigned kCursorPrefetchRows = 500;
inline constexpr unsigned kSingleRowPrefetchRows = 2;

// Statements whose handles the backend holds at most (the least recently used beyond are given
// back and prepared again when next used), and statements the client's own cache keeps. Each is a
// cursor open on the server, which allows a session OPEN_CURSORS of them, 50 unless the site set
// more: the two together stay below that, with room for the cursors the server opens for the
// session itself. A run uses about 20 statement texts, and two more for each locking read
// whose batches go by their keys (an order run 28 in all), which all stay held.
inline constexpr unsigned kHeldStatements = 30;
inline constexpr unsigned kClientCachedStatements = 10;

// How long one round trip to the server may take before the client breaks it off (clients 18
// and later), in milliseconds. An INSERT, UPDATE or DELETE gets the lock wait instead
// (sql::kLockWaitSeconds): it may wait for a locked row, and has no "wait N" of its own.
inline constexpr unsigned kCallTimeoutMillis = 60000;

// Logs on as user with password to the net service name. Returns 0 with *out set and in *error
// the warning the logon gave, if any (ORA-28002: the password will expire); or a status with
// the reason in *error (the client library missing or too old: -12560 naming the library; a
// refused logon: the negated ORA number).
int OpenOracle(std::string_view user, std::string_view password, std::string_view net_service,
               std::unique_ptr<sql::Backend>* out, std::string* error);

}  // namespace jf::oracle
