// Benchmark sites on PostgreSQL: a throwaway server of the benchmark's own with durable commits
// (scripts/pg-server --durable: fsync and synchronous commits on), a generated site's rows
// copied into a database of it, the floor of its commits on the same server, and the round
// trips of a run counted in-process.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bench/Site.h"
#include "db/postgres/PostgresBackend.h"

namespace jf::bench {

// Starts the server in folder with the script; it stops when this process ends. Points PGHOST
// at it. Returns 0, or non-zero with *error telling why.
int StartPostgres(const std::string& script, const std::string& folder, std::string* error);

// Makes database name afresh with the program's tables, copies every row of the site's SQLite
// database into it and points the site's login file at it. Returns 0, or non-zero with *error.
int MoveSiteToPostgres(const std::string& script, const SiteFacts& f, const std::string& name,
                       std::string* error);

// The rows of query results in database name, each row its columns joined by "|".
std::vector<std::string> QueryPostgres(const std::string& name, const std::string& sql);

// Runs count durable commits of a one-row UPDATE in database name, one round trip each (the
// statement commits by itself). Returns the seconds taken, or a negative number on failure.
double FloorCommitsPostgres(const std::string& name, int64_t count);

// Runs the program in-process in the site's run folder with args (argv[0] first) and returns its
// exit status; *trips receives the round trips it made.
int RunCounted(const SiteFacts& f, bool master, const std::vector<std::string>& args,
               postgres::RoundTrips* trips);

}  // namespace jf::bench
