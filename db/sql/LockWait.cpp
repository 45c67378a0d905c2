#include "db/sql/LockWait.h"

#include <cstdlib>

#include "db/sql/Status.h"

namespace jf::sql {

namespace {

int ReadLockWaitMillis() {
  constexpr long kBound = kLockWaitSeconds * 1000L;
  const char* v = std::getenv("JOBFEED_TEST_LOCK_WAIT_MS");
  if (v == nullptr || *v == '\0') return static_cast<int>(kBound);
  char* end = nullptr;
  const long ms = std::strtol(v, &end, 10);
  if (*end != '\0' || ms < 1 || ms > kBound) return static_cast<int>(kBound);
  return static_cast<int>(ms);
}

}  // namespace

int LockWaitMillis() {
  static const int millis = ReadLockWaitMillis();
  return millis;
}

}  // namespace jf::sql
