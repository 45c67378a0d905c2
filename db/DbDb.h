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

// Writes that belong together: between bdBeginUnit and bdEndUnit the table routines' writes
// are not committed one by one; bdEndUnit(true) commits them at once, bdEndUnit(false) undoes
// them all. So a crash or a failure between two such writes never leaves half of them behind.
// Both return the status of their last statement.
int bdBeginUnit(const char* name);
int bdEndUnit(bool keep);

}  // namespace jf
