#include "db/sql/Backend.h"
#include "db/sql/Status.h"
#include "db/sqlite/SqliteBackend.h"

namespace jf::sql {

int OpenBackend(std::string_view user, std::string_view password, std::string_view net_service,
                std::unique_ptr<Backend>* out) {
  constexpr std::string_view kSqlite = "sqlite:";
  if (net_service.substr(0, kSqlite.size()) == kSqlite) {
    return jf::sqlite::OpenSqlite(net_service.substr(kSqlite.size()), out);
  }
  // No Oracle client is part of this build; such a name cannot be served.
  (void)user;
  (void)password;
  return kBackendUnavailable;
}

}  // namespace jf::sql
