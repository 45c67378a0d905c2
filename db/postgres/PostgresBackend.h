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

// Logs on as user with password to the database the URI names. Lock waits end after
// sql::kLockWaitSeconds (the session's lock_timeout), unless the site set its own bound for the
// role, the database or in the URI's "options". Returns 0 with *out set, or a
// status with the reason in *error: -12154 the URI cannot be used (not a URI, or it names a user,
// a password or a source of them) or the server or database cannot be reached, -1017 the server
// refused the user or password (or the login file lacks them), -12560 a build without libpq.
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
