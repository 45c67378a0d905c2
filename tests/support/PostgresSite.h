// The sites' databases on the PostgreSQL server of the test run (scripts/pg-server, which the
// test command starts as a CTest fixture and names in PGHOST): each site gets a database of its
// own, cloned from the template that holds the program's tables and the tests' helpers
// (support/postgres_test.sql), and dropped when the site goes. Tests run in parallel, each in a
// process of its own, so the names carry the process id.
#pragma once

#include <memory>
#include <string>

#include "support/TestDb.h"

namespace jf::test {

// The template of the site databases.
inline constexpr char kPostgresTemplate[] = "jf_template";

// The database of the site path names ("../../../../jobfeed.db" gives "jf_<pid>_jobfeed").
std::string PostgresDatabase(const std::string& path);

// Makes the database afresh from the template; returns "" or the error.
std::string CreatePostgresDatabase(const std::string& name);
// Drops it, ending any session still on it.
void DropPostgresDatabase(const std::string& name);

// A connection of the test's own to the database; nullptr with the reason in *error.
std::unique_ptr<TestDb> OpenPostgresTestDb(const std::string& name, std::string* error);

}  // namespace jf::test
