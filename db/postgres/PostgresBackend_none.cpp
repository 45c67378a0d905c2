// A build without libpq (the Windows build): a site whose net service name is a PostgreSQL URI
// fails its connect with a status that says the client is missing.
#include "db/postgres/PostgresBackend.h"
#include "db/sql/Status.h"

namespace jf::postgres {

namespace {
RoundTrips g_none;
}  // namespace

const RoundTrips& Trips() {
  return g_none;
}

void ResetTrips() {}

int OpenPostgres(std::string_view, std::string_view, std::string_view,
                 std::unique_ptr<sql::Backend>*, std::string* error) {
  *error =
      "this build of the program has no PostgreSQL client (libpq); PostgreSQL sites run "
      "the Linux build";
  return sql::kBackendUnavailable;
}

}  // namespace jf::postgres
