// The embedded database's tables, as the schema description (db/schema/Description.h) gives them,
// in the storage form the program and the operators' tools rely on: DATE columns as Julian day
// numbers (REAL), texts as TEXT.
#pragma once

namespace jf {

// Creates the database file at path if missing, and in it every table, index and column of the
// description that it lacks; what is there stays, with every row. Returns 0, or a negative
// status with a reason in *error.
int CreateSqliteDatabase(const char* path, const char** error);

}  // namespace jf
