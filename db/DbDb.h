// The program's one database connection.
#pragma once

namespace jf {

// Reads the login from the login configuration file and opens the connection. Returns the
// status of the connect; 0 = connected.
int bdConnect();
// COMMIT WORK; the status stays in the communication area.
void bdCommit();
// ROLLBACK WORK; likewise.
void bdRollback();

}  // namespace jf
