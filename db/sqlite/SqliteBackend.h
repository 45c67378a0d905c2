// The embedded backend: one SQLite file holding the program's tables.
#pragma once

#include <memory>
#include <string_view>

#include "db/sql/Backend.h"

namespace jf::sqlite {

// Opens the database file at path; never creates it. Returns 0 or a status.
int OpenSqlite(std::string_view path, std::unique_ptr<sql::Backend>* out);

// Maps an SQLite result code (extended) and its message to a status.
int StatusFromSqlite(int rc, const char* msg);

}  // namespace jf::sqlite
