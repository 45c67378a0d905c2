// The fake client's data dictionary: ALL_TAB_COLUMNS and ALL_SYNONYMS as views of the SQLite
// file, with the column types db/schema/oracle.sql declares where the file's columns agree with
// them (a text column where the DDL says VARCHAR2, a number where it says NUMBER or DATE), and
// types derived from the file's own where they do not.
#pragma once

#include <string>
#include <string_view>

#include "db/sql/Backend.h"

namespace jf::fakeoci {

// Whether a statement reads the data dictionary.
bool UsesCatalog(std::string_view text);

// Makes the dictionary views on the connection (temporary objects). The tables belong to the
// logon user and to KVLSYSTEM alike, as the file holds both schemas. Returns 0 or a status.
int MakeCatalog(sql::Backend* db, const std::string& user);

}  // namespace jf::fakeoci
