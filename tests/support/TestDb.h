// The test's own connection to a site's database, for arranging and inspecting rows with plain
// SQL, independently of the code under test: SQLite for the embedded backend and for the fake
// Oracle client (which keeps its rows in the same file), libpq for PostgreSQL.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace jf::test {

class TestDb {
 public:
  virtual ~TestDb() = default;
  // Runs SQL, one statement or several; returns "" or the error.
  virtual std::string Exec(const std::string& sql) = 0;
  // The rows of a query, each its columns as text ("" for NULL, a truth value as 1 or 0) joined
  // by "|"; *error (when given) receives "" or the error.
  virtual std::vector<std::string> Query(const std::string& sql, std::string* error) = 0;
};

// The SQLite file at path; nullptr (with the reason in *error) when it cannot be opened.
std::unique_ptr<TestDb> OpenSqliteTestDb(const std::string& path, std::string* error);

}  // namespace jf::test
