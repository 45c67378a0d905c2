#include "db/OpenBackend.h"

#include "db/oracle/OracleBackend.h"
#include "db/postgres/PostgresBackend.h"
#include "db/sql/Status.h"
#include "db/sqlite/SqliteBackend.h"

namespace jf {

namespace {
constexpr std::string_view kSqlite = "sqlite:";
}  // namespace

bool IsSqliteNetService(std::string_view net_service) {
  return net_service.substr(0, kSqlite.size()) == kSqlite;
}

std::string_view SqlitePath(std::string_view net_service) {
  return IsSqliteNetService(net_service) ? net_service.substr(kSqlite.size()) : std::string_view();
}

int OpenBackend(std::string_view user, std::string_view password, std::string_view net_service,
                std::unique_ptr<sql::Backend>* out, std::string* error) {
  std::string ignored;
  std::string* why = error != nullptr ? error : &ignored;
  why->clear();
  if (IsSqliteNetService(net_service)) {
    const std::string_view path = SqlitePath(net_service);
    const int rc = jf::sqlite::OpenSqlite(path, out);
    // The database keeps its -wal and -shm files beside it, so a folder it cannot write to makes
    // even an intact, writable database file unusable.
    if (rc == sql::kReadOnly) {
      *why = "the SQLite database " + std::string(path) +
             " cannot be written: the file and its folder must be writable (the database keeps "
             "its -wal and -shm files there)";
    } else if (rc != 0) {
      *why = "the SQLite database " + std::string(path) + " cannot be opened";
    }
    return rc;
  }
  if (postgres::IsPostgresNetService(net_service)) {
    return postgres::OpenPostgres(user, password, net_service, out, why);
  }
  return jf::oracle::OpenOracle(user, password, net_service, out, why);
}

}  // namespace jf
