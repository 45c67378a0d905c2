#include "support/TestDb.h"

#include <sqlite3.h>

namespace jf::test {

namespace {

class SqliteTestDb final : public TestDb {
 public:
  explicit SqliteTestDb(sqlite3* db) : db_(db) {}
  ~SqliteTestDb() override { sqlite3_close(db_); }

  std::string Exec(const std::string& sql) override {
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    std::string why = rc == SQLITE_OK ? "" : (err != nullptr ? err : sqlite3_errstr(rc));
    sqlite3_free(err);
    return why;
  }

  std::vector<std::string> Query(const std::string& sql, std::string* error) override {
    std::vector<std::string> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      if (error != nullptr) *error = sqlite3_errmsg(db_);
      return rows;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (i > 0) row += '|';
        const unsigned char* t = sqlite3_column_text(st, i);
        if (t != nullptr) row += reinterpret_cast<const char*>(t);
      }
      rows.push_back(row);
    }
    if (error != nullptr) *error = rc == SQLITE_DONE ? "" : sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    return rows;
  }

 private:
  sqlite3* db_;
};

}  // namespace

std::unique_ptr<TestDb> OpenSqliteTestDb(const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    *error = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return nullptr;
  }
  // It waits for a database another connection holds as the programs do, trying every
  // millisecond, for a minute at most.
  sqlite3_busy_handler(
      db, [](void*, int tries) { return tries < 60000 ? sqlite3_sleep(1) + 1 : 0; }, nullptr);
  return std::make_unique<SqliteTestDb>(db);
}

}  // namespace jf::test
