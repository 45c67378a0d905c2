// The PostgreSQL backend: the statement texts, translated once per text from the Oracle dialect
// (db/dialect), run through libpq. A site names its database with a libpq connection URI as the
// net service name; user and password come from the login file alone.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/sql/Backend.h"

namespace jf::postgres {

// Whether a net service name is a libpq connection URI ("postgresql://..." or "postgres://...").
inline bool IsPostgresNetService(std::string_view net_service) {
  return net_service.substr(0, 13) == "postgresql://" || net_service.substr(0, 11) == "postgres://";
}

// Rows a cursor brings along with each round trip.
inline constexpr int kFetchRows = 500;
// How long the connect may take, unless the URI sets connect_timeout.
inline constexpr int kConnectTimeoutSeconds = 10;
// How long a statement may run on the server (its statement_timeout) unless the site set its own
// bound: beyond the lock wait, so a held row fails as busy first; as long as Oracle's call
// timeout.
inline constexpr int kStatementSeconds = 60;
// How long beyond the statement bound the program waits for any answer of the server before it
// takes the connection for lost: a server that cancels the statement answers within it, one that
// stands still (stopped, or its machine gone without a word) does not.
inline constexpr int kAnswerMarginSeconds = 5;
// TCP keepalives and tcp_user_timeout of the connection, unless the URI sets them: a peer that
// has gone, or data the network does not deliver, ends the connection in about a minute.
inline constexpr int kKeepaliveIdleSeconds = 30;
inline constexpr int kKeepaliveIntervalSeconds = 10;
inline constexpr int kKeepaliveCount = 3;
inline constexpr int kTcpUserTimeoutMillis = 60000;

// Logs on as user with password to the database the URI names. Lock waits end after
// sql::kLockWaitSeconds (the session's lock_timeout) and statements after kStatementSeconds
// (statement_timeout), unless the site set its own bounds for the role, the database or in the
// URI's "options"; a server that gives no answer within the statement bound and
// kAnswerMarginSeconds loses the connection (-3135). Returns 0 with *out set, or a status with
// the reason in *error: -12154 the URI cannot be used (not a URI, it names a user, a password or
// a source of them, or a host name that cannot be resolved), -12541 nothing answers at its
// address, -12170 the connect ran past its timeout, -12514 the server does not have the
// database, -1017 the server refused the user or password (or the login file lacks them),
// -12560 a build without libpq.
int OpenPostgres(std::string_view user, std::string_view password, std::string_view net_service,
                 std::unique_ptr<sql::Backend>* out, std::string* error);

// Round trips of this process to its servers, by what they were for: each is one wait for the
// server's answer. For the tests and the benchmark's counts.
struct RoundTrips {
  long connect = 0;
  long execute = 0;   // statements, cursor opens and the savepoints that travel with them
  long fetch = 0;     // further rows of an open cursor
  long commit = 0;    // COMMIT and ROLLBACK
  long repair = 0;    // undoing a failed statement inside a transaction, as Oracle does
  long prepares = 0;  // statement texts prepared on the server (no round trip of their own)
  long Total() const { return connect + execute + fetch + commit + repair; }
};
const RoundTrips& Trips();
void ResetTrips();

}  // namespace jf::postgres
