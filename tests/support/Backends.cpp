#include "support/Backends.h"

#ifndef _WIN32
#include "support/PostgresSite.h"
#endif

namespace jf::test {

const char* BackendName(BackendKind kind) {
  switch (kind) {
    case BackendKind::kSqlite:
      return "Sqlite";
    case BackendKind::kOracle:
      return "Oracle";
    case BackendKind::kPostgres:
      return "Postgres";
  }
  return "";
}

std::string NetServiceName(BackendKind kind, const std::string& path) {
  switch (kind) {
    case BackendKind::kSqlite:
      return "sqlite:" + path;
    case BackendKind::kOracle:
      return path;  // the fake client takes the net service name as the path of its file
    case BackendKind::kPostgres:
#ifndef _WIN32
      return "postgresql:///" + PostgresDatabase(path);
#else
      return "postgresql:///" + path;
#endif
  }
  return path;
}

}  // namespace jf::test
