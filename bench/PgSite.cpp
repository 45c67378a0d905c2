#include "bench/PgSite.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "db/schema/Description.h"
#include "db/sql/Session.h"
#include "download/SndBuf.h"
#include "driver/MasterRun.h"
#include "driver/Run.h"
#include "login/Login.h"
#include "msg/Msg.h"

namespace jf::bench {

namespace {

PGconn* Connect(const std::string& name) {
  const char* keys[] = {"dbname", "user", "password", "client_encoding", nullptr};
  const char* values[] = {name.c_str(), "jobfeed", "secret", "UTF8", nullptr};
  PGconn* c = PQconnectdbParams(keys, values, 0);
  if (PQstatus(c) == CONNECTION_OK) {
    PQsetNoticeProcessor(
        c, [](void*, const char*) {}, nullptr);  // VACUUM's words on catalogs
    return c;
  }
  PQfinish(c);
  return nullptr;
}

bool Exec(PGconn* c, const char* sql) {
  PGresult* r = PQexec(c, sql);
  const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
  PQclear(r);
  return ok;
}

// A value as COPY's text format carries it.
void AppendCopyValue(const unsigned char* v, std::string* line) {
  if (v == nullptr) {
    *line += "\\N";
    return;
  }
  for (; *v != 0; ++v) {
    switch (*v) {
      case '\\':
        *line += "\\\\";
        break;
      case '\t':
        *line += "\\t";
        break;
      case '\n':
        *line += "\\n";
        break;
      case '\r':
        *line += "\\r";
        break;
      default:
        *line += static_cast<char>(*v);
    }
  }
}

// Copies one table: its columns as the schema description lists them, instants as the text
// SQLite's datetime() gives for its Julian days.
bool CopyTable(sqlite3* from, PGconn* to, const schema::Table& t, std::string* error) {
  std::string names, select;
  for (const schema::Column& c : t.columns) {
    const std::string name = c.name;
    names += (names.empty() ? "" : ",") + name;
    select += (select.empty() ? "" : ",") +
              (c.kind == schema::Kind::kInstant ? "datetime(" + name + ")" : name);
  }
  const std::string table = schema::QualifiedName(t);
  const std::string bare = table.substr(table.find('.') + 1);
  sqlite3_stmt* rows = nullptr;
  if (sqlite3_prepare_v2(from, ("select " + select + " from " + bare).c_str(), -1, &rows,
                         nullptr) != SQLITE_OK) {
    *error = std::string("cannot read ") + bare + ": " + sqlite3_errmsg(from);
    return false;
  }
  PGresult* r = PQexec(to, ("COPY " + table + " (" + names + ") FROM STDIN").c_str());
  bool ok = PQresultStatus(r) == PGRES_COPY_IN;
  PQclear(r);
  std::string line;
  while (ok && sqlite3_step(rows) == SQLITE_ROW) {
    line.clear();
    for (int i = 0; i < sqlite3_column_count(rows); ++i) {
      if (i > 0) line += '\t';
      AppendCopyValue(sqlite3_column_text(rows, i), &line);
    }
    line += '\n';
    ok = PQputCopyData(to, line.data(), static_cast<int>(line.size())) == 1;
  }
  sqlite3_finalize(rows);
  ok = PQputCopyEnd(to, ok ? nullptr : "the copy failed") == 1 && ok;
  r = PQgetResult(to);
  ok = ok && PQresultStatus(r) == PGRES_COMMAND_OK;
  if (!ok) *error = "cannot copy " + table + ": " + PQresultErrorMessage(r);
  PQclear(r);
  while ((r = PQgetResult(to)) != nullptr) PQclear(r);
  return ok;
}

}  // namespace

int StartPostgres(const std::string& script, const std::string& folder, std::string* error) {
  const std::string command =
      "'" + script + "' start '" + folder + "' --durable --watch " + std::to_string(::getpid());
  if (std::system(command.c_str()) != 0) {
    *error = "cannot start the PostgreSQL server: " + command;
    return 1;
  }
  ::setenv("PGHOST", folder.c_str(), 1);
  return 0;
}

int MoveSiteToPostgres(const std::string& script, const SiteFacts& f, const std::string& name,
                       std::string* error) {
  const std::string command = "'" + script + "' database \"$PGHOST\" " + name;
  if (std::system(command.c_str()) != 0) {
    *error = "cannot make the database: " + command;
    return 1;
  }
  sqlite3* from = nullptr;
  PGconn* to = Connect(name);
  bool ok =
      sqlite3_open_v2(f.database.c_str(), &from, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      to != nullptr && Exec(to, "BEGIN");
  if (!ok) *error = "cannot open the site's databases";
  for (const schema::Table& t : schema::Tables()) {
    if (ok) ok = CopyTable(from, to, t, error);
  }
  ok = ok && Exec(to, "COMMIT") && Exec(to, "VACUUM ANALYZE");
  sqlite3_close(from);
  PQfinish(to);
  if (!ok) return 1;
  const std::string site = std::filesystem::path(f.database).parent_path().string();
  return WriteLoginFile(site + "/files/quantelor.ini", "jobfeed", "bench", "postgresql:///" + name,
                        error);
}

std::vector<std::string> QueryPostgres(const std::string& name, const std::string& sql) {
  std::vector<std::string> out;
  PGconn* c = Connect(name);
  if (c == nullptr) return out;
  PGresult* r = PQexec(c, sql.c_str());
  for (int row = 0; PQresultStatus(r) == PGRES_TUPLES_OK && row < PQntuples(r); ++row) {
    std::string line;
    for (int col = 0; col < PQnfields(r); ++col) {
      line += (col > 0 ? "|" : "") + std::string(PQgetvalue(r, row, col));
    }
    out.push_back(line);
  }
  PQclear(r);
  PQfinish(c);
  return out;
}

double FloorCommitsPostgres(const std::string& name, int64_t count) {
  PGconn* c = Connect(name);
  if (c == nullptr) return -1;
  double s = -1;
  if (Exec(c,
           "DROP TABLE IF EXISTS jf_floor; CREATE TABLE jf_floor (k int PRIMARY KEY, v int);"
           "INSERT INTO jf_floor VALUES (1, 0)")) {
    PGresult* p = PQprepare(c, "floor", "UPDATE jf_floor SET v = v + 1 WHERE k = 1", 0, nullptr);
    const bool prepared = PQresultStatus(p) == PGRES_COMMAND_OK;
    PQclear(p);
    const auto start = std::chrono::steady_clock::now();
    bool ok = prepared;
    for (int64_t i = 0; ok && i < count; ++i) {
      PGresult* r = PQexecPrepared(c, "floor", 0, nullptr, nullptr, nullptr, 0);
      ok = PQresultStatus(r) == PGRES_COMMAND_OK;
      PQclear(r);
    }
    if (ok) s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Exec(c, "DROP TABLE jf_floor");
  }
  PQfinish(c);
  return s;
}

int RunCounted(const SiteFacts& f, bool master, const std::vector<std::string>& args,
               postgres::RoundTrips* trips) {
  const std::filesystem::path back = std::filesystem::current_path();
  std::filesystem::current_path(f.runFolder);
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  postgres::ResetTrips();
  const int argc = static_cast<int>(args.size());
  const int rc = master ? RunJobfeedMaster(argc, argv.data()) : RunJobfeed(argc, argv.data());
  *trips = postgres::Trips();
  SndBuf_CloseCache();
  sql::Disconnect();
  Msg_ResetForTest();
  std::filesystem::current_path(back);
  return rc;
}

}  // namespace jf::bench
