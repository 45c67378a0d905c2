// The one description of the program's tables: every table once, with its columns (kind, width
// in characters, nullability), its key, its indexes and, on a server with schemas, the owner it
// lives in. Everything else about the schema is derived from it: the DDL of each database
// (db/schema/Ddl.h: what init-db runs, oracle.sql), the upgrade of an older embedded database
// (db/schema/Schema.h) and what check-db wants of a site's database (db/schema/Catalog.h).
// A column added or widened is changed here and nowhere else.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace jf::schema {

// What a column holds, as the statements carry it.
enum class Kind : uint8_t {
  kText,     // a text of at most width characters
  kInt16,    // an integer the statements carry in 16 bits (-1455 past them)
  kInt32,    // an integer carried in 32 bits
  kNumber,   // a number with fractions (quantities, times), carried as a double
  kInstant,  // a date with its time of day
};

struct Column {
  const char* name;
  Kind kind;
  int width;  // texts: characters; 0 for the other kinds
  bool not_null;
  bool key;  // part of the primary key (which also refuses NULL)
};

struct Table {
  const char* name;   // as created, "Kvl501Apk"
  const char* owner;  // the schema holding it on a server ("KvlSystem"); nullptr: the login's own
  // A statement names it without its owner too, so the login's schema has a synonym for it.
  bool synonym;
  std::span<const Column> columns;  // in the order of the DDL
  // Its indexes besides the key, each as its column list ("DnlErf, DnlDta"), separated by ";".
  const char* indexes;
  // Comment lines that introduce the table (and the ones after it) in the DDL; nullptr for none.
  const char* heading;
};

// Every table of the program, in the order the DDL creates them.
std::span<const Table> Tables();

// The table's name as the statements write it: "KvlSystem.Kvl133Bak", "Kvl501Apk".
std::string QualifiedName(const Table& table);

// The column of that name (case-insensitive, as the databases compare names), or nullptr.
const Column* FindColumn(const Table& table, std::string_view name);

}  // namespace jf::schema
