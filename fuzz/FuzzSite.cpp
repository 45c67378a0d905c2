#include "FuzzSite.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>

#include "db/schema/Schema.h"
#include "login/Login.h"

namespace jf::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path g_top;

void RemoveSite() {
  std::error_code ec;
  if (!g_top.empty()) fs::remove_all(g_top, ec);
}

}  // namespace

const fs::path& SiteWorkDir() {
  static const fs::path work = [] {
    std::random_device rd;
    for (;;) {
      char name[40];
      std::snprintf(name, sizeof name, "jobfeed-fuzz-%08x", static_cast<unsigned>(rd()));
      g_top = fs::temp_directory_path() / name;
      if (fs::create_directory(g_top)) break;
    }
    std::atexit(RemoveSite);
    const fs::path w = g_top / "d1" / "d2" / "d3" / "work";
    fs::create_directories(w / "Msg");
    fs::create_directories(w / ".." / "Comm" / "Buff");
    fs::create_directories(g_top / "files");
    const char* err = nullptr;
    Check(CreateSqliteDatabase((g_top / "jobfeed.db").string().c_str(), &err) == 0,
          "cannot create the site's database");
    std::string error;
    Check(WriteLoginFile((g_top / "files" / "quantelor.ini").string(), "jobfeed", "secret",
                         "sqlite:../../../../jobfeed.db", &error) == 0,
          "cannot write the site's login file");
    fs::current_path(w);
    return w;
  }();
  return work;
}

std::vector<std::string> SplitAtZero(const uint8_t* data, std::size_t size) {
  std::vector<std::string> out(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      out.emplace_back();
    } else {
      out.back().push_back(static_cast<char>(data[i]));
    }
  }
  return out;
}

void Check(bool cond, const char* what) {
  if (cond) return;
  std::fprintf(stderr, "broken promise: %s\n", what);
  std::abort();
}

}  // namespace jf::fuzz
