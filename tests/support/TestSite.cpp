#include "support/TestSite.h"

#include <cstdio>
#include <fstream>
#include <random>

#include "platform/Env.h"

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
  site_.reset();
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace jf::test
