#include "support/PostgresSite.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace jf::test {

namespace {

// The test server of this build tree (tests/CMakeLists.txt), unless PGHOST names another; the
// programs the tests start find it the same way.
const bool kServerNamed = [] { return ::setenv("PGHOST", JOBFEED_TEST_PGHOST, 0) == 0; }();

// Connects as the role the test server gives the tests; the tests' SQL holds texts in UTF-8,
// as the database stores them.
PGconn* Connect(const std::string& database, std::string* error) {
  const char* keys[] = {"dbname", "user", "password", "client_encoding", nullptr};
  const char* values[] = {database.c_str(), "jobfeed", "secret", "UTF8", nullptr};
  PGconn* c = PQconnectdbParams(keys, values, 0);
  if (PQstatus(c) == CONNECTION_OK) return c;
  const char* host = std::getenv("PGHOST");
  *error =
      std::string("no connection to the test server in ") + (host ? host : "?") +
      " (ctest starts it; by hand: scripts/pg-server test-server FOLDER, and PGHOST=FOLDER): " +
      PQerrorMessage(c);
  PQfinish(c);
  return nullptr;
}

std::string ExecOn(PGconn* c, const std::string& sql, bool* client_error = nullptr) {
  PGresult* r = PQexec(c, sql.c_str());
  const ExecStatusType st = PQresultStatus(r);
  std::string why = st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK ? "" : PQresultErrorMessage(r);
  if (client_error != nullptr) {
    *client_error = !why.empty() && PQresultErrorField(r, PG_DIAG_SQLSTATE) == nullptr;
  }
  PQclear(r);
  return why;
}

class PostgresTestDb final : public TestDb {
 public:
  explicit PostgresTestDb(PGconn* c) : c_(c) {
    PQsetNoticeProcessor(
        c_, [](void*, const char*) {}, nullptr);
  }
  ~PostgresTestDb() override { PQfinish(c_); }

  std::string Exec(const std::string& sql) override {
    bool client_error = false;
    std::string why = ExecOn(c_, sql, &client_error);
    if (client_error && Reconnected()) why = ExecOn(c_, sql);
    return why;
  }

  std::vector<std::string> Query(const std::string& sql, std::string* error) override {
    std::vector<std::string> rows;
    PGresult* r = PQexec(c_, sql.c_str());
    if (PQresultStatus(r) != PGRES_TUPLES_OK &&
        PQresultErrorField(r, PG_DIAG_SQLSTATE) == nullptr && Reconnected()) {
      PQclear(r);
      r = PQexec(c_, sql.c_str());
    }
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
      if (error != nullptr) *error = PQresultErrorMessage(r);
      PQclear(r);
      return rows;
    }
    if (error != nullptr) error->clear();
    for (int row = 0; row < PQntuples(r); ++row) {
      std::string line;
      for (int col = 0; col < PQnfields(r); ++col) {
        if (col > 0) line += '|';
        const std::string v = PQgetvalue(r, row, col);
        if (PQftype(r, col) == 16) {  // boolean: as SQLite shows a truth value
          line += PQgetisnull(r, row, col) ? "" : v == "t" ? "1" : "0";
        } else {
          line += v;
        }
      }
      rows.push_back(line);
    }
    PQclear(r);
    return rows;
  }

 private:
  // A server stopped and started again by a test broke the connection (libpq's own error, with
  // no SQLSTATE): it is made again.
  bool Reconnected() {
    PQreset(c_);
    return PQstatus(c_) == CONNECTION_OK;
  }
  PGconn* c_;
};

// The connection that creates and drops the sites' databases, kept for the process.
PGconn* Admin(std::string* error) {
  static PGconn* admin = nullptr;
  static std::string host;  // the server it reaches: a test may start one of its own
  const char* now = std::getenv("PGHOST");
  if (admin != nullptr && (PQstatus(admin) != CONNECTION_OK || host != (now ? now : ""))) {
    PQfinish(admin);
    admin = nullptr;
  }
  host = now ? now : "";
  if (admin == nullptr) {
    admin = Connect("postgres", error);
    if (admin != nullptr)
      PQsetNoticeProcessor(
          admin, [](void*, const char*) {}, nullptr);
  }
  return admin;
}

std::string AdminExec(const std::string& sql) {
  std::string error;
  PGconn* admin = Admin(&error);
  if (admin == nullptr) return error;
  return ExecOn(admin, sql);
}

}  // namespace

std::string PostgresDatabase(const std::string& path) {
  std::string stem = path.substr(path.find_last_of("/\\") + 1);
  stem = stem.substr(0, stem.find('.'));
  // The test's process, also in a child it forks: the database is the site's, not the child's.
  static const pid_t process = ::getpid();
  std::string name = "jf_" + std::to_string(process) + "_";
  for (char c : stem) name += std::isalnum(static_cast<unsigned char>(c)) ? std::tolower(c) : '_';
  return name;
}

std::string CreatePostgresDatabase(const std::string& name) {
  DropPostgresDatabase(name);
  std::string why = AdminExec("CREATE DATABASE " + name + " TEMPLATE " + kPostgresTemplate);
  if (why.empty()) {
    // The tests' helpers come before pg_catalog, so their clock stands in for the server's;
    // the tests' own SQL names the KvlSystem tables without their schema.
    why = AdminExec("ALTER DATABASE " + name +
                    " SET search_path = public, kvlsystem, jf_test, pg_catalog");
  }
  return why;
}

void DropPostgresDatabase(const std::string& name) {
  AdminExec("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

std::unique_ptr<TestDb> OpenPostgresTestDb(const std::string& name, std::string* error) {
  PGconn* c = Connect(name, error);
  if (c == nullptr) return nullptr;
  return std::make_unique<PostgresTestDb>(c);
}

}  // namespace jf::test
