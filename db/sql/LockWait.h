// How long the embedded database waits for another process's write lock before a statement
// fails with kBusy: sql::kLockWaitSeconds. A test that waits out the bound shortens it for the
// programs it starts with JOBFEED_TEST_LOCK_WAIT_MS (1 to the bound); nothing lengthens it.
#pragma once

namespace jf::sql {

int LockWaitMillis();

}  // namespace jf::sql
