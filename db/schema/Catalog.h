// What check-db wants of a site's database: every table and column of the schema description
// (db/schema/Description.h), as the database's own catalog describes them, of a type that
// carries what the program puts in and takes out, wide enough for the program's fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/schema/Description.h"

namespace jf {

// Whose catalog the columns come from.
enum class CatalogKind { kSqlite, kOracle, kPostgres };

// A column as the database's catalog describes it.
struct DbColumn {
  std::string name;  // as the catalog spells it
  std::string type;  // declared type (SQLite), data type (Oracle) or type name (PostgreSQL)
  int length = 0;    // Oracle: bytes of a text column; 0 where not known
  // Oracle, PostgreSQL: characters of a text column, and whether its width counts characters
  // ('C') or bytes ('B').
  int char_length = 0;
  char char_used = 0;
  int precision = -1;  // the digits a number declares; -1 where it declares none
  // PostgreSQL: the collation a text column compares by ("C", or the database's own where the
  // column takes the default); empty where not known.
  std::string collation = {};
};

// Reads the columns of table (its name as the statements write it) from the connected
// database's catalog: Oracle's data dictionary (the table in the schema its name gives, else in
// the login's own, else where a private or public synonym leads), PostgreSQL's (the table or
// view the name finds on the search path), or SQLite's table_info. A missing table gives no
// columns. Returns 0 or the status of the catalog query.
int ReadTableColumns(CatalogKind kind, std::string_view user, std::string_view table,
                     std::vector<DbColumn>* out);

// The connected Oracle database's character set ("AL32UTF8"). Returns 0 or the status.
int ReadCharacterSet(std::string* name);
// Whether a character set takes more than one byte for some characters: then a text width that
// counts bytes holds fewer characters than it says.
bool MultiByteCharacterSet(std::string_view name);
// Whether a database character set holds every Windows-1252 character.
bool HoldsWindows1252(std::string_view name);

// How the connected PostgreSQL session reaches its server: "encrypted (TLSv1.3, cipher)",
// "not encrypted", or "a local socket, not encrypted". Returns 0 or the status.
int ReadConnectionSecurity(std::string* text);

// What is wrong with a table's columns for the program: one line per missing column, unusable
// type or too narrow a width, with the statement that mends it where there is one; none when
// all is well. have empty: the table is missing. multibyte: the database's character set is.
std::vector<std::string> CheckTableColumns(CatalogKind kind, bool multibyte,
                                           const schema::Table& table,
                                           const std::vector<DbColumn>& have);

}  // namespace jf
