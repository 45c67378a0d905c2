// Shared test helpers: every test that touches files runs in a fresh temporary directory that is
// the working directory for the test, so the program's relative paths land there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/Backends.h"
#include "support/FixedClockEnv.h"
#include "support/TestDb.h"

namespace jf::test {

// Creates a fresh tree under the system temp folder and makes a directory four levels below its
// top the working directory, so that the program's paths that climb up ("..\Comm\Buff",
// "..\..\..\..\files\quantelor.ini") stay inside the tree. On destruction returns to the
// previous working directory and removes the tree.
class ScopedSite {
 public:
  ScopedSite();
  ~ScopedSite();
  ScopedSite(const ScopedSite&) = delete;
  ScopedSite& operator=(const ScopedSite&) = delete;

  // The working directory of the test.
  const std::filesystem::path& root() const { return root_; }
  // The top of the tree: root() is top()/d1/d2/d3/work.
  const std::filesystem::path& top() const { return top_; }

 private:
  std::filesystem::path top_;
  std::filesystem::path root_;
  std::filesystem::path previous_;
};

// Fixture: each test runs in its own ScopedSite, and the real Env is reinstalled afterwards
// whatever the test installed.
class SiteTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The backend the site's database is reached through (OnEveryBackend runs a test on each).
  virtual BackendKind backend() const { return BackendKind::kSqlite; }
  // The net service name of the database at path, for the test's backend.
  std::string NetService(const std::string& path) const { return NetServiceName(backend(), path); }
  // Makes the site's database at path (relative to the working directory) with the program's
  // tables: an SQLite file (also the fake Oracle client's), or a database of the PostgreSQL test
  // server, dropped again when the test ends. Fails the test when it cannot.
  void CreateDatabase(const std::string& path);
  // A connection of the test's own to that database; fails the test when there is none.
  std::unique_ptr<TestDb> OpenTestDb(const std::string& path);
  // Drops the PostgreSQL database of path now (an SQLite file is the site's to remove).
  void DropDatabase(const std::string& path);
  // The clock of the database at path (sysdate) reads clock's time from now on, as the
  // embedded database and the fake Oracle client read the program's clock. Call it again after
  // the clock is set anew.
  void PinServerClock(FixedClockEnv& clock, const std::string& path);

  const std::filesystem::path& root() const { return site_->root(); }
  const std::filesystem::path& top() const { return site_->top(); }

 private:
  std::unique_ptr<ScopedSite> site_;
  std::vector<std::string> databases_;  // PostgreSQL databases of the site
};

// The bytes of a file, or an empty string when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// Replaces a file with the given bytes, creating its folders.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace jf::test
