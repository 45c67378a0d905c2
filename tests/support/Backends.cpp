#include "support/Backends.h"

namespace jf::test {

const char* BackendName(BackendKind kind) {
  return kind == BackendKind::kSqlite ? "Sqlite" : "Oracle";
}

std::string NetServiceName(BackendKind kind, const std::string& path) {
  // The fake client takes the net service name as the path of its database file.
  return kind == BackendKind::kSqlite ? "sqlite:" + path : path;
}

}  // namespace jf::test
