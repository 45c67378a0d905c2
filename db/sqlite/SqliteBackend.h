// The embedded backend: one SQLite file holding the program's tables.
#pragma once

#include <memory>
#include <string_view>

#include "db/sql/Backend.h"

namespace jf::sqlite {

// Opens the database file at path; never creates it. Returns 0 or a status. Texts pass the
// statements in the program's code page (Windows-1252), or with texts_as_stored in UTF-8 as the
// file stores them, for a caller that converts them itself (the tests' fake database client).
int OpenSqlite(std::string_view path, std::unique_ptr<sql::Backend>* out,
               bool texts_as_stored = false);

// Maps an SQLite result code (extended) and its message to a status.
int StatusFromSqlite(int rc, const char* msg);

}  // namespace jf::sqlite
