#include "support/OrderSite.h"

#include "db/DbDb.h"
#include "db/schema/Schema.h"
#include "db/sql/Session.h"
#include "login/Login.h"
#include "msg/Msg.h"
#include "support/FakeClient.h"
#include "support/Process.h"
#include "support/StatementCheck.h"

namespace jf::test {

namespace fs = std::filesystem;

void OrderSiteTest::SetUp() {
  SiteTest::SetUp();
  fs::create_directories(root() / "Msg");
  fs::create_directories(buffer_dir());
  fs::create_directories(top() / "files");
  const char* err = nullptr;
  ASSERT_EQ(CreateSqliteDatabase(db_path().string().c_str(), &err), 0) << (err ? err : "");
  WriteLogin("jobfeed", "secret");
  ASSERT_EQ(sqlite3_open(db_path().string().c_str(), &db_), SQLITE_OK);
  sqlite3_busy_timeout(db_, 5000);
  Msg_ResetForTest();
  sql::SetBackendWrapper(CheckStatements);
  // In-process, the fake client's server clock is the test's clock, pinned or not.
  if (backend() == BackendKind::kOracle) FakeClient::Get().FollowClock();
}

void OrderSiteTest::TearDown() {
  sql::Disconnect();
  sql::SetBackendWrapper(nullptr);
  EXPECT_EQ(TakeStatementProblems(), "") << "statements that do not fit the schema description";
  if (backend() == BackendKind::kOracle) FakeClient::Get().RealClock();
  Msg_ResetForTest();
  sqlite3_close(db_);
  db_ = nullptr;
  SiteTest::TearDown();
}

void OrderSiteTest::WriteLogin(const std::string& user, const std::string& password,
                               const std::string& net) {
  std::string error;
  ASSERT_EQ(WriteLoginFile((top() / "files" / "quantelor.ini").string(), user, password,
                           net.empty() ? net_service() : net, &error),
            0)
      << error;
}

fs::path OrderSiteTest::buffer_file(int terminal) const {
  return buffer_dir() / ("SndDnl" + std::to_string(terminal) + ".buf");
}

void OrderSiteTest::Sql(const std::string& sql) {
  char* err = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
  ASSERT_EQ(rc, SQLITE_OK) << (err ? err : "") << "\n" << sql;
  sqlite3_free(err);
}

std::vector<std::string> OrderSiteTest::Query(const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db_) << "\n" << sql;
    return rows;
  }
  while (sqlite3_step(st) == SQLITE_ROW) {
    std::string row;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      if (i > 0) row += '|';
      const unsigned char* t = sqlite3_column_text(st, i);
      if (t != nullptr) row += reinterpret_cast<const char*>(t);
    }
    rows.push_back(row);
  }
  sqlite3_finalize(st);
  return rows;
}

std::string OrderSiteTest::Scalar(const std::string& sql) {
  auto rows = Query(sql);
  if (rows.empty()) return {};
  return rows[0].substr(0, rows[0].find('|'));
}

void OrderSiteTest::RemoveDatabase() {
  sqlite3_close(db_);
  db_ = nullptr;
  fs::remove(db_path());
}

void OrderSiteTest::AddTerminal(int dta, const std::string& ip, const std::string& port,
                                const std::string& from, const std::string& to) {
  Sql("insert into Kvl557Cfg (CfgDta,CfgIP,CfgPrt,CfgVn1,CfgBi1) values (" + std::to_string(dta) +
      ",'" + ip + "','" + port + "','" + from + "','" + to + "')");
}

void OrderSiteTest::ConnectInProcess() {
  ASSERT_EQ(bdConnect(), 0);
}

int RunCommand(const std::string& program, const std::vector<std::string>& args,
               std::string* output) {
  std::string out, err;
  const int code = RunProcess(program, args, &out, &err);
  if (output != nullptr) *output = out + err;
  return code;
}

int OrderSiteTest::RunJobfeedBinary(const std::vector<std::string>& args) {
  return RunCommand(JOBFEED_BIN, args);
}

std::vector<OrderSiteTest::Entry> OrderSiteTest::Messages() {
  std::vector<Entry> out;
  const std::string text = ReadBytes(msg_file());
  auto field = [&](std::size_t from, const char* label) {
    std::size_t p = text.find(label, from);
    if (p == std::string::npos) return std::string();
    p += std::string(label).size();
    std::size_t e = text.find("\r\n", p);
    return text.substr(p, e - p);
  };
  std::size_t pos = 0;
  while ((pos = text.find('\xFE', pos)) != std::string::npos) {
    out.push_back(
        {field(pos, "Funktion___: "), field(pos, "Message____: "), field(pos, "ErrorCode__: ")});
    ++pos;
  }
  return out;
}

}  // namespace jf::test
