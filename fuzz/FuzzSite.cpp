#include "FuzzSite.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <system_error>

#include "db/schema/Description.h"
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

namespace {

sqlite3* SiteDatabase() {
  static sqlite3* db = [] {
    sqlite3* h = nullptr;
    Check(sqlite3_open_v2((g_top / "jobfeed.db").string().c_str(), &h, SQLITE_OPEN_READWRITE,
                          nullptr) == SQLITE_OK,
          "cannot open the site's database");
    sqlite3_busy_timeout(h, 10000);
    return h;
  }();
  return db;
}

void Exec(const std::string& sql) {
  Check(sqlite3_exec(SiteDatabase(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK,
        "cannot prepare the site's rows");
}

}  // namespace

const std::string* Values::Next() {
  if (pieces_.empty()) return nullptr;
  const std::string* p = &pieces_[next_ % pieces_.size()];
  ++next_;
  return p;
}

void PlantRow(const char* table, const std::map<std::string, std::string>& fixed, Values* values) {
  const schema::Table* t = nullptr;
  for (const schema::Table& candidate : schema::Tables()) {
    if (std::string_view(candidate.name) == table) t = &candidate;
  }
  Check(t != nullptr, "no such table");
  std::string cols, vals;
  for (const schema::Column& c : t->columns) {
    cols += (cols.empty() ? "" : ",") + std::string(c.name);
    const auto f = fixed.find(c.name);
    vals += (vals.empty() ? "" : ",") + (f != fixed.end() ? f->second : std::string("?"));
  }
  Exec(std::string("delete from ") + table);
  sqlite3_stmt* st = nullptr;
  const std::string sql =
      std::string("insert into ") + table + " (" + cols + ") values (" + vals + ")";
  Check(sqlite3_prepare_v2(SiteDatabase(), sql.c_str(), -1, &st, nullptr) == SQLITE_OK,
        "cannot prepare a row");
  const int params = sqlite3_bind_parameter_count(st);
  for (int i = 1; i <= params; ++i) {
    const std::string* p = values->Next();
    if (p == nullptr || p->empty() || (*p)[0] == 'n') continue;  // NULL
    const std::string rest = p->substr(1);
    if ((*p)[0] == 'i' || (*p)[0] == 'r') {
      unsigned char bytes[8] = {};
      std::memcpy(bytes, rest.data(), std::min<std::size_t>(rest.size(), sizeof bytes));
      if ((*p)[0] == 'i') {
        int64_t v;
        std::memcpy(&v, bytes, sizeof v);
        sqlite3_bind_int64(st, i, v);
      } else {
        double v;
        std::memcpy(&v, bytes, sizeof v);
        sqlite3_bind_double(st, i, v);
      }
    } else if ((*p)[0] == 'b') {
      sqlite3_bind_blob(st, i, rest.data(), static_cast<int>(rest.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_text(st, i, p->data(), static_cast<int>(p->size()), SQLITE_TRANSIENT);
    }
  }
  // A value the table refuses (a NULL key, two rows of one key) leaves the table empty.
  sqlite3_step(st);
  sqlite3_finalize(st);
}

void PlantDownloadRows(Values* values) {
  PlantRow("Kvl557Cfg", {{"CfgDta", "1"}, {"CfgVn1", "'A'"}, {"CfgBi1", "'A'"}}, values);
  PlantRow("Kvl501Apk",
           {{"ApkApk", "'4711'"}, {"ApkDwn", "'FUZZ'"}, {"ApkFbe", "'A'"}, {"ApkSts", "1"}},
           values);
  PlantRow("Kvl504App",
           {{"AppApk", "'4711'"}, {"AppApp", "'10'"}, {"AppDwn", "'FUZZ'"}, {"AppFbe", "'A'"}},
           values);
  PlantRow("Kvl530Apg", {{"ApgApg", "'G'"}, {"ApgDwn", "'FUZZ'"}, {"ApgFbe", "'A'"}}, values);
  PlantRow("Kvl537Ksg",
           {{"KsgApg", "'G'"}, {"KsgGvo", "julianday('2000-01-01')"}, {"KsgGbi", "NULL"}}, values);
  PlantRow("Kvl531Apl",
           {{"AplApl", "'W'"}, {"AplApg", "'G'"}, {"AplDwn", "'FUZZ'"}, {"AplFbe", "'A'"}}, values);
  PlantRow("Kvl521Ubg", {{"UbgUbg", "'U'"}, {"UbgDwn", "'FUZZ'"}, {"UbgFbe", "'A'"}}, values);
  PlantRow("Kvl510Prv", {{"PrvPnr", "'P'"}, {"PrvDwn", "'FUZZ'"}, {"PrvFbe", "'A'"}}, values);
  PlantRow("Kvl559Fbe", {{"FbeFbe", "'A'"}, {"FbeTyp", "1"}}, values);
  PlantRow("o1003Kststelle", {}, values);
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
