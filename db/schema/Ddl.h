// The DDL of each database the program runs on, generated from the schema description
// (db/schema/Description.h). A database is a rule set, its Dialect: the names of its column types
// and the few things it says differently. Another database is one more rule set in Ddl.cpp;
// `jobfeed-admin print-ddl NAME` prints its DDL and a test keeps db/schema/NAME.sql equal to it.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/schema/Description.h"

namespace jf::schema {

struct Dialect {
  const char* name;    // print-ddl's argument; db/schema/<name>.sql holds the DDL
  const char* header;  // comment lines that open the DDL
  // Column types by Kind, in the order of its values; the text type takes the width ("%d").
  const char* types[5];
  // CREATE ... IF NOT EXISTS: the DDL creates what is missing and may run on a database again.
  bool if_not_exists;
  // Tables of another owner are created in its schema; false: the database keeps every table in
  // one schema (the embedded file).
  bool owners;
  // Where a statement names such a table without its owner, this statement (the table's name and
  // its qualified name for the two "%s") makes the name reach it; nullptr: none is needed.
  const char* synonym;
  // A table whose key is one integer column is made WITHOUT ROWID: in SQLite such a key is
  // otherwise the row id, which takes NULL as "the next number" instead of refusing it.
  bool without_rowid_integer_key;
  // The statement that makes an owner's schema before its first table ("%s" the owner); nullptr:
  // the owners are made apart from the DDL (Oracle's are users).
  const char* owner_schema;
  // An index's name carries its table's owner (Oracle); otherwise the index lives in its table's
  // schema under its bare name.
  bool owned_index_names;
};

// Every database's rule set.
std::span<const Dialect> Dialects();
// The rule set of that name, or nullptr.
const Dialect* FindDialect(std::string_view name);
// The embedded database's rule set: the tables init-db creates.
const Dialect& SqliteDialect();

// The declared type of column in dialect ("VARCHAR2(12 CHAR)", "TEXT").
std::string ColumnType(const Dialect& dialect, const Column& column);

// The statements that make table: CREATE TABLE, its indexes, its synonym; no terminators.
std::vector<std::string> TableStatements(const Dialect& dialect, const Table& table);

// The statements that make the schemas of the tables' owners, where the dialect makes them.
std::vector<std::string> OwnerStatements(const Dialect& dialect);

// The whole DDL as a script: the header, then each table's heading and statements, each
// statement ended by ";".
std::string Script(const Dialect& dialect);

}  // namespace jf::schema
