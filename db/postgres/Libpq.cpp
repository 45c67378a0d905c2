#include "db/postgres/Libpq.h"

#include "db/sql/Status.h"
#include "platform/SharedLib.h"

namespace jf::postgres {

int LoadLibpq(const Libpq** out, std::string* error) {
  static Libpq pq;
  static bool loaded = false;
  if (!loaded) {
    std::string why;
    void* lib = OpenSharedLib(kLibpqName, &why);
    if (lib == nullptr) {
      *error = std::string("PostgreSQL client library ") + kLibpqName +
               " not found (Debian: package libpq5): " + why;
      return sql::kBackendUnavailable;
    }
    std::string missing;
#define JF_LIBPQ_FIND(name)                                                   \
  pq.name = reinterpret_cast<decltype(pq.name)>(SharedLibSymbol(lib, #name)); \
  if (pq.name == nullptr && missing.empty()) missing = #name;
    JF_LIBPQ_FUNCTIONS(JF_LIBPQ_FIND)
#undef JF_LIBPQ_FIND
    if (!missing.empty()) {
      const std::string file = SharedLibFile(lib);
      *error = (file.empty() ? std::string(kLibpqName) : file) + " has no " + missing +
               " (libpq 14 or later is needed)";
      return sql::kBackendUnavailable;
    }
    loaded = true;
  }
  *out = &pq;
  return 0;
}

}  // namespace jf::postgres
