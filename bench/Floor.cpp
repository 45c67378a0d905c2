#include "bench/Floor.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace jf::bench {

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

double FloorAppends(const std::string& folder, int64_t count) {
  const std::string path = folder + "/floor.buf";
  std::remove(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_DSYNC | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  char line[kLineBytes];
  std::memset(line, ' ', sizeof line);
  line[0] = '$';
  line[kLineBytes - 3] = '*';
  line[kLineBytes - 2] = '\r';
  line[kLineBytes - 1] = '\n';
  const auto start = std::chrono::steady_clock::now();
  for (int64_t i = 0; i < count; ++i) {
    if (::write(fd, line, sizeof line) != static_cast<ssize_t>(sizeof line)) {
      ::close(fd);
      return -1;
    }
  }
  const double s = Seconds(start);
  ::close(fd);
  std::remove(path.c_str());
  return s;
}

double FloorGroupedAppends(const std::string& folder, int64_t count, int64_t perFlush, int files) {
  std::vector<int> fds;
  auto path = [&](std::size_t i) { return folder + "/floor" + std::to_string(i) + ".buf"; };
  for (std::size_t i = 0; i < static_cast<std::size_t>(std::max(files, 1)); ++i) {
    std::remove(path(i).c_str());
    const int fd = ::open(path(i).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) fds.push_back(fd);
  }
  char line[kLineBytes];
  std::memset(line, ' ', sizeof line);
  line[kLineBytes - 2] = '\r';
  line[kLineBytes - 1] = '\n';
  double s = -1;
  if (fds.size() == static_cast<std::size_t>(std::max(files, 1))) {
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    for (int64_t i = 0; ok && i < count; ++i) {
      const int fd = fds[static_cast<std::size_t>(i) % fds.size()];
      ok = ::write(fd, line, sizeof line) == static_cast<ssize_t>(sizeof line);
      if (ok && ((i + 1) % std::max<int64_t>(perFlush, 1) == 0 || i + 1 == count)) {
        for (int f : fds) ok = ok && ::fdatasync(f) == 0;
      }
    }
    if (ok) s = Seconds(start);
  }
  for (std::size_t i = 0; i < fds.size(); ++i) {
    ::close(fds[i]);
    std::remove(path(i).c_str());
  }
  return s;
}

double FloorCommits(const std::string& folder, int64_t count) {
  const std::string path = folder + "/floor.db";
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return -1;
  }
  double s = -1;
  sqlite3_stmt* upd = nullptr;
  if (sqlite3_exec(db,
                   "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                   "CREATE TABLE t (k INTEGER PRIMARY KEY, v INTEGER);"
                   "INSERT INTO t VALUES (1, 0);",
                   nullptr, nullptr, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "UPDATE t SET v = v + 1 WHERE k = 1", -1, &upd, nullptr) ==
          SQLITE_OK) {
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    // Each step outside a transaction is a transaction of its own: one durable commit.
    for (int64_t i = 0; ok && i < count; ++i) {
      ok = sqlite3_step(upd) == SQLITE_DONE;
      sqlite3_reset(upd);
    }
    if (ok) s = Seconds(start);
  }
  sqlite3_finalize(upd);
  sqlite3_close(db);
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  return s;
}

double FloorInterleaved(const std::string& folder, int64_t appends, int64_t commits) {
  const std::string buf = folder + "/floor.buf";
  const std::string path = folder + "/floor.db";
  std::remove(buf.c_str());
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  const int fd = ::open(buf.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_DSYNC | O_CLOEXEC, 0644);
  sqlite3* db = nullptr;
  sqlite3_stmt* upd = nullptr;
  double s = -1;
  if (fd >= 0 && sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
      sqlite3_exec(db,
                   "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;"
                   "CREATE TABLE t (k INTEGER PRIMARY KEY, v INTEGER);"
                   "INSERT INTO t VALUES (1, 0);",
                   nullptr, nullptr, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "UPDATE t SET v = v + 1 WHERE k = 1", -1, &upd, nullptr) ==
          SQLITE_OK) {
    char line[kLineBytes];
    std::memset(line, ' ', sizeof line);
    line[kLineBytes - 2] = '\r';
    line[kLineBytes - 1] = '\n';
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    // One line, then one commit, as a run alternates them.
    for (int64_t i = 0; ok && (i < appends || i < commits); ++i) {
      if (i < appends) ok = ::write(fd, line, sizeof line) == static_cast<ssize_t>(sizeof line);
      if (ok && i < commits) {
        ok = sqlite3_step(upd) == SQLITE_DONE;
        sqlite3_reset(upd);
      }
    }
    if (ok) s = Seconds(start);
  }
  sqlite3_finalize(upd);
  sqlite3_close(db);
  if (fd >= 0) ::close(fd);
  std::remove(buf.c_str());
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  return s;
}

}  // namespace jf::bench
