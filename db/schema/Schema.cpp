#include "db/schema/Schema.h"

#include <sqlite3.h>

#include <set>
#include <string>
#include <vector>

#include "db/schema/Ddl.h"
#include "db/schema/Description.h"
#include "db/sql/Status.h"
#include "platform/Env.h"

namespace jf {

namespace {

// The columns of the description that table lacks in the file.
std::vector<const schema::Column*> MissingColumns(sqlite3* db, const schema::Table& table) {
  std::set<const schema::Column*> found;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, "select name from pragma_table_info(?)", -1, &st, nullptr) ==
      SQLITE_OK) {
    sqlite3_bind_text(st, 1, table.name, -1, SQLITE_STATIC);
    while (sqlite3_step(st) == SQLITE_ROW) {
      found.insert(
          schema::FindColumn(table, reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    }
  }
  sqlite3_finalize(st);
  std::vector<const schema::Column*> missing;
  for (const schema::Column& c : table.columns) {
    if (found.count(&c) == 0) missing.push_back(&c);
  }
  return missing;
}

// Creates table unless the file has it, then its indexes. A table made by an earlier version
// first gains the columns added to it since, empty in the rows it holds; a column that refuses
// NULL cannot be added to rows that have no value for it, which is an error.
int MakeTable(sqlite3* db, const schema::Table& table, std::string* error) {
  const schema::Dialect& sqlite = schema::SqliteDialect();
  const std::vector<std::string> statements = schema::TableStatements(sqlite, table);
  auto run = [db](const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  };
  if (int rc = run(statements.front()); rc != SQLITE_OK) return rc;
  for (const schema::Column* c : MissingColumns(db, table)) {
    if (c->not_null) {
      *error = std::string(table.name) + " lacks the column " + c->name +
               ", which refuses NULL: add it with a value for every row";
      return SQLITE_ERROR;
    }
    const int rc = run(std::string("ALTER TABLE ") + table.name + " ADD COLUMN " + c->name + " " +
                       schema::ColumnType(sqlite, *c));
    if (rc != SQLITE_OK) return rc;
  }
  for (std::size_t i = 1; i < statements.size(); ++i) {
    if (int rc = run(statements[i]); rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace

int CreateSqliteDatabase(const char* path, const char** error) {
  static std::string last;
  last.clear();
  sqlite3* db = nullptr;
  const std::string native = NativePath(path);
  int rc =
      sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);  // a run holding the database finishes its unit first
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
  }
  // All of it or nothing: a database left half upgraded would pass for a complete one.
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  for (const schema::Table& t : schema::Tables()) {
    if (rc == SQLITE_OK) rc = MakeTable(db, t, &last);
  }
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    if (last.empty()) last = db != nullptr ? sqlite3_errmsg(db) : "cannot open";
    if (error != nullptr) *error = last.c_str();
    sqlite3_close_v2(db);  // an open transaction is rolled back
    return sql::kOtherError;
  }
  sqlite3_close_v2(db);
  return 0;
}

}  // namespace jf
