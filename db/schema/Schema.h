// Table definitions of the embedded database, in the storage form the program and the
// operators' tools rely on: DATE columns as Julian day numbers (REAL), texts as TEXT.
#pragma once

namespace jf {

// CREATE statements for every table the program uses; each may run again on a database that
// already holds the tables.
extern const char* const kSqliteSchema;

// Creates the database file at path if missing and the tables in it. Returns 0, or a negative
// status with a reason in *error.
int CreateSqliteDatabase(const char* path, const char** error);

}  // namespace jf
