#include "support/OrderSite.h"

#include <cstring>

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
  ASSERT_NO_FATAL_FAILURE(CreateDatabase(db_path().string()));
  WriteLogin("jobfeed", "secret");
  db_ = OpenTestDb(db_path().string());
  ASSERT_NE(db_, nullptr);
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
  db_.reset();
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
  ASSERT_NE(db_, nullptr);
  const std::string why = db_->Exec(sql);
  ASSERT_EQ(why, "") << sql;
}

std::vector<std::string> OrderSiteTest::Query(const std::string& sql) {
  if (db_ == nullptr) {
    ADD_FAILURE() << "no connection of the test's own";
    return {};
  }
  std::string why;
  std::vector<std::string> rows = db_->Query(sql, &why);
  if (!why.empty()) ADD_FAILURE() << why << "\n" << sql;
  return rows;
}

std::string OrderSiteTest::Scalar(const std::string& sql) {
  auto rows = Query(sql);
  if (rows.empty()) return {};
  return rows[0].substr(0, rows[0].find('|'));
}

void OrderSiteTest::RemoveDatabase() {
  db_.reset();
  fs::remove(db_path());
  DropDatabase(db_path().string());
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

std::vector<OrderSiteTest::Entry> OrderSiteTest::Messages(bool with_details) {
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
    // A detail entry belongs to the failure entry before it, which the tests count.
    if (!with_details && field(pos, "MsgArt_____: ") == "DMSG ") {
      ++pos;
      continue;
    }
    out.push_back(
        {field(pos, "Funktion___: "), field(pos, "Message____: "), field(pos, "ErrorCode__: ")});
    ++pos;
  }
  return out;
}

std::string WithoutClock(std::string text) {
  auto blank = [&](std::size_t at, std::size_t n) {
    for (std::size_t i = at; i < at + n && i < text.size(); ++i) {
      if (text[i] >= '0' && text[i] <= '9') text[i] = '#';
    }
  };
  if (!text.empty() && text[0] == '$') {
    for (std::size_t line = 0; line < text.size(); line += 552) {
      blank(line + 21, 14);  // when the line was written
      blank(line + 93, 12);  // the run's date and time
    }
  }
  for (const char* label : {"System-Date: ", "System-Time: "}) {
    for (std::size_t p = text.find(label); p != std::string::npos; p = text.find(label, p + 1)) {
      blank(p + std::strlen(label), 8);
    }
  }
  return text;
}

}  // namespace jf::test
