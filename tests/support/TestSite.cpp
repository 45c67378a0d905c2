#include "support/TestSite.h"

#include <cstdio>
#include <fstream>
#include <random>

#include "db/schema/Schema.h"
#include "platform/Env.h"
#ifndef _WIN32
#include "support/PostgresSite.h"
#endif

namespace jf::test {

namespace fs = std::filesystem;

ScopedSite::ScopedSite() : previous_(fs::current_path()) {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (;;) {
    char name[32];
    std::snprintf(name, sizeof name, "jobfeed-test-%08x", static_cast<unsigned>(rd()));
    top_ = base / name;
    if (fs::create_directory(top_)) break;
  }
  root_ = top_ / "d1" / "d2" / "d3" / "work";
  fs::create_directories(root_);
  fs::current_path(root_);
}

ScopedSite::~ScopedSite() {
  std::error_code ec;
  fs::current_path(previous_, ec);
  fs::remove_all(top_, ec);
}

void SiteTest::SetUp() {
  site_ = std::make_unique<ScopedSite>();
}

void SiteTest::TearDown() {
  Env::Install(nullptr);
#ifndef _WIN32
  for (const std::string& name : databases_) DropPostgresDatabase(name);
#endif
  databases_.clear();
  site_.reset();
}

void SiteTest::CreateDatabase(const std::string& path) {
  if (backend() == BackendKind::kPostgres) {
#ifndef _WIN32
    const std::string name = PostgresDatabase(path);
    databases_.push_back(name);
    const std::string why = CreatePostgresDatabase(name);
    ASSERT_EQ(why, "") << "database " << name;
#endif
    return;
  }
  const char* err = nullptr;
  ASSERT_EQ(CreateSqliteDatabase(path.c_str(), &err), 0) << (err ? err : "");
}

std::unique_ptr<TestDb> SiteTest::OpenTestDb(const std::string& path) {
  std::string why;
  std::unique_ptr<TestDb> db;
#ifndef _WIN32
  if (backend() == BackendKind::kPostgres) db = OpenPostgresTestDb(PostgresDatabase(path), &why);
#endif
  if (backend() != BackendKind::kPostgres) db = OpenSqliteTestDb(path, &why);
  EXPECT_NE(db, nullptr) << why;
  return db;
}

void SiteTest::PinServerClock(FixedClockEnv& clock, const std::string& path) {
  if (backend() != BackendKind::kPostgres) return;
  LocalTime t;
  clock.Now(&t);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  const auto db = OpenTestDb(path);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->Exec(std::string("delete from jf_test.clock; insert into jf_test.clock values ('") +
                     stamp + "')"),
            "");
}

void SiteTest::DropDatabase(const std::string& path) {
#ifndef _WIN32
  if (backend() == BackendKind::kPostgres) DropPostgresDatabase(PostgresDatabase(path));
#endif
}

std::string ReadBytes(const fs::path& path) {
  // One read of the whole file: the harnesses read every send-buffer file after each run, and
  // a character at a time is most of their time under the sanitizers.
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace jf::test
