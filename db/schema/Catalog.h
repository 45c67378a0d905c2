// The tables and columns the program uses, as it needs them, and the check of a database's own
// catalog against them (jobfeed-admin check-db).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jf {

// One table the program uses: its name as the statements write it, and its columns as
// "Name KIND" separated by ", ", where KIND is Tn (a text of n characters), I16 or I32 (an
// integer travelling in 16 or 32 bits), N (a number with fractions) or D (an instant).
struct TableNeed {
  const char* table;
  const char* columns;
};

// Every table of the program, one entry each.
std::span<const TableNeed> ProgramTables();

// Whose catalog the columns come from.
enum class CatalogKind { kSqlite, kOracle, kPostgres };

// A column as the database's catalog describes it.
struct DbColumn {
  std::string name;  // as the catalog spells it
  std::string type;  // declared type (SQLite), data type (Oracle) or type name (PostgreSQL)
  int length = 0;    // Oracle, PostgreSQL: the width of a text column; 0 where not known
};

// Reads the columns of table from the connected database's catalog: Oracle's data dictionary
// (the table in the schema its name gives, else in the login's own, else where a private or
// public synonym leads), PostgreSQL's (the table or view the name finds on the search path), or
// SQLite's table_info. A missing table gives no columns. Returns 0 or the status of the catalog
// query.
int ReadTableColumns(CatalogKind kind, std::string_view user, std::string_view table,
                     std::vector<DbColumn>* out);

// What is wrong with a table's columns for the program: one line per missing column or
// unusable type; none when all is there. have empty: the table is missing.
std::vector<std::string> CheckTableColumns(CatalogKind kind, const TableNeed& need,
                                           const std::vector<DbColumn>& have);

}  // namespace jf
