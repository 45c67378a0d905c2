// The Oracle end-to-end suite: a run of the real jobfeed against an Oracle database, the statuses
// the seam reports for Oracle's own errors, and check-db. With JOBFEED_ORACLE_CONNECT set
// ("user/password@netservice", each value at most 40 characters) it runs against that database
// through the client library on the library path (scripts/oracle-smoke); without it, against
// the fake client, which keeps the suite itself working. Every statement it runs is Oracle SQL;
// it touches only its own rows (keys starting with "ZZSMOKE", terminal 999001) and removes them
// again. Run it against a test schema holding db/schema/oracle.sql, never a production one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "db/OpenBackend.h"
#include "db/sql/Backend.h"
#include "db/sql/Session.h"
#include "support/OrderSite.h"

namespace jf {
namespace {

using sql::In;
using sql::Out;

constexpr char kSmokeOrder[] = "ZZSMOKE0001";
constexpr char kRequester[] = "ZZSMOKE";
constexpr int kTerminal = 999001;
constexpr char kArea[] = "~~SMOKE";  // sorts after every letter and digit: no other range holds it

class OracleSmoke : public test::OrderSiteTest {
 protected:
  test::BackendKind backend() const override { return test::BackendKind::kOracle; }

  void SetUp() override {
    OrderSiteTest::SetUp();
    sql::SetBackendWrapper(nullptr);  // its statements break the schema on purpose
    if (const char* c = std::getenv("JOBFEED_ORACLE_CONNECT"); c != nullptr && *c != '\0') {
      const std::string s(c);
      const std::size_t slash = s.find('/'), at = s.find('@', slash);
      ASSERT_TRUE(slash != std::string::npos && at != std::string::npos)
          << "JOBFEED_ORACLE_CONNECT must be user/password@netservice";
      user_ = s.substr(0, slash);
      password_ = s.substr(slash + 1, at - slash - 1);
      net_ = s.substr(at + 1);
      WriteLogin(user_, password_, net_);
    } else {
      user_ = "jobfeed";
      password_ = "secret";
      net_ = net_service();
    }
    std::string why;
    ASSERT_EQ(OpenBackend(user_, password_, net_, &db_, &why), 0) << why;
    RemoveOwnRows();
  }
  void TearDown() override {
    if (db_) RemoveOwnRows();
    db_.reset();
    OrderSiteTest::TearDown();
  }

  // Runs a statement on the suite's own session and commits it.
  int Run(std::string_view text, std::initializer_list<In> in) {
    std::unique_ptr<sql::BackendStmt> stmt;
    int rc = db_->Prepare(text, false, &stmt);
    if (rc == 0) rc = stmt->Execute(std::span<const In>(in.begin(), in.size()));
    if (stmt) stmt->Close();
    db_->Commit();
    return rc;
  }
  // The first row of a query, its columns as texts joined by "|"; "none" without a row.
  std::string Row(std::string_view text, std::initializer_list<In> in, int columns) {
    std::unique_ptr<sql::BackendStmt> stmt;
    if (int rc = db_->Prepare(text, true, &stmt); rc != 0) return "status " + std::to_string(rc);
    std::vector<Text<40>> cols(static_cast<std::size_t>(columns));
    std::vector<Out> out;
    for (Text<40>& c : cols) out.push_back(Out::Text(c));
    int rc = stmt->Execute(std::span<const In>(in.begin(), in.size()));
    if (rc == 0) rc = stmt->Fetch(out);
    stmt->Close();
    db_->Commit();
    if (rc == sql::kNotFound) return "none";
    if (rc != 0) return "status " + std::to_string(rc);
    std::string joined;
    for (std::size_t i = 0; i < cols.size(); ++i) {
      joined += (i > 0 ? "|" : "") + std::string(cols[i].view());
    }
    return joined;
  }
  void RemoveOwnRows() {
    Run("delete from Kvl504App where AppApk=:b0", {In::Text(kSmokeOrder)});
    Run("delete from Kvl501Apk where ApkApk=:b0", {In::Text(kSmokeOrder)});
    Run("delete from Kvl557Cfg where CfgDta=:b0", {In::I32(kTerminal)});
    Run("delete from Kvl557Cfg where CfgDta=:b0", {In::I32(kTerminal + 1)});
  }

  std::string user_, password_, net_;
  std::unique_ptr<sql::Backend> db_;
};

TEST_F(OracleSmoke, OrderRunSendsMarksAndCounts) {
  ASSERT_EQ(Run("insert into Kvl557Cfg (CfgDta,CfgIP,CfgPrt,CfgVn1,CfgBi1) values "
                "(:b0,:b1,:b2,:b3,:b4)",
                {In::I32(kTerminal), In::Text("10.9.9.9"), In::Text("4711"), In::Text(kArea),
                 In::Text(kArea)}),
            0);
  ASSERT_EQ(Run("insert into Kvl501Apk (ApkApk,ApkBz1,ApkSts,ApkAfo,ApkSme,ApkBgs,ApkFbe,ApkDwn,"
                "ApkDna) values (:b0,:b1,1,3,1250,TO_DATE(:b2,'yyyymmdd'),:b3,:b4,'AEN')",
                {In::Text(kSmokeOrder), In::Text("Rauchtest \xE4\xF6\xFC"), In::Text("20261207"),
                 In::Text(kArea), In::Text(kRequester)}),
            0);
  const char* const kinds[] = {"NEU", "LOE", "AEN"};
  for (int p = 0; p < 3; ++p) {
    ASSERT_EQ(Run("insert into Kvl504App (AppApk,AppApp,AppSts,AppSme,AppStr,AppFbe,AppDwn,AppDna,"
                  "AppBds) values (:b0,:b1,2,625,12.5,:b2,:b3,:b4,TO_DATE(:b5,'yyyymmddHH24MISS'))",
                  {In::Text(kSmokeOrder), In::Text(std::to_string(10 * (p + 1))), In::Text(kArea),
                   In::Text(kRequester), In::Text(kinds[p]), In::Text("20261207063000")}),
              0);
  }

  EXPECT_EQ(RunJobfeedBinary({kRequester, kSmokeOrder, "30", "BEGIN"}), 0);
  EXPECT_TRUE(Messages().empty()) << test::ReadBytes(msg_file());
  const std::string lines = test::ReadBytes(buffer_file(kTerminal));
  ASSERT_EQ(lines.size(), 4u * 552) << "one header and three positions";
  EXPECT_EQ(lines.substr(90, 3), "APK");
  EXPECT_EQ(lines.substr(111, 12), "ZZSMOKE0001 ");
  EXPECT_EQ(lines.substr(123, 30), "Rauchtest \xE4\xF6\xFC" + std::string(17, ' '))
      << "Latin-1 texts arrive as they were written";
  EXPECT_EQ(lines.substr(111 + 160, 11), "00001250000");
  EXPECT_EQ(lines.substr(111 + 174, 6), "261207");
  for (int i = 1; i < 4; ++i) EXPECT_EQ(lines.substr(i * 552 + 90, 3), "APP") << i;
  EXPECT_EQ(lines.substr(552 + 111 + 130, 6), "261207");

  EXPECT_EQ(Row("select ApkDwn ,ApkDna ,ApkAfo  from Kvl501Apk where ApkApk=:b0",
                {In::Text(kSmokeOrder)}, 3),
            "||3")
      << "unmarked; the count +1 for the new and -1 for the deleted position";
  EXPECT_EQ(Row("select AppDwn  from Kvl504App where AppApk=:b0 and AppApp=:b1",
                {In::Text(kSmokeOrder), In::Text("20")}, 1),
            "none");
  EXPECT_EQ(Row("select AppDwn ,AppDna  from Kvl504App where AppApk=:b0 and AppApp=:b1",
                {In::Text(kSmokeOrder), In::Text("10")}, 2),
            "|");
}

// The seam's statuses for Oracle's own errors, as the embedded backend reports them too.
TEST_F(OracleSmoke, StatusesOfOraclesErrors) {
  ASSERT_EQ(sql::Connect(user_ + "/" + password_ + "@" + net_, OpenBackend), 0)
      << sql::ConnectErrorText();
  const In t = In::I32(kTerminal), t2 = In::I32(kTerminal + 1);
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgKr1,CfgBez) values (:b0,70000,:b1)",
                         {t, In::Text("a text of thirty characters...")}),
            0);
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgKr1) values (:b0,1)", {t2}), 0);
  sql::Commit();
  EXPECT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta) values (:b0)", {t}), sql::kUniqueViolated);
  EXPECT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta) values (:b0)", {In::Text("")}),
            sql::kCannotInsertNull);
  EXPECT_EQ(
      sql::Execute("update Kvl557Cfg set CfgIP=:b0 where CfgDta=:b1", {In::Text("x"), In::I32(-7)}),
      sql::kNotFound);
  EXPECT_EQ(sql::Execute("update Kvl557Cfg set CfgNix=:b0 where CfgDta=:b1", {In::Text("x"), t}),
            sql::kInvalidIdentifier);
  EXPECT_EQ(sql::Execute("delete from Kvl999Xyz where CfgDta=:b0", {t}), sql::kNoTable);
  EXPECT_EQ(sql::Execute("update Kvl557Cfg set CfgDat=TO_DATE(:b0,'yyyymmdd') where CfgDta=:b1",
                         {In::Text("20261307"), t}),
            sql::kInvalidMonth);
  EXPECT_EQ(sql::Execute("update Kvl557Cfg set CfgDat=TO_DATE(:b0,'yyyymmdd') where CfgDta=:b1",
                         {In::Text("2026x207"), t}),
            sql::kDateFormat);
  int32_t n = 0;
  Text<10> bez;
  const Out small[] = {Out::I16(&n), Out::Text(bez)};
  EXPECT_EQ(sql::SelectInto("select CfgKr1 ,CfgBez into :b0,:b1  from Kvl557Cfg where CfgDta=:b2",
                            {t}, small),
            sql::kIntegerOverflow);
  const Out wide[] = {Out::I32(&n), Out::Text(bez)};
  EXPECT_EQ(sql::SelectInto("select CfgKr1 ,CfgBez into :b0,:b1  from Kvl557Cfg where CfgDta=:b2",
                            {t}, wide),
            0);
  EXPECT_EQ(n, 70000);
  EXPECT_EQ(bez.view(), "a text of ") << "cut to its field";
  const Out one[] = {Out::I32(&n)};
  EXPECT_EQ(sql::SelectInto("select CfgDta into :b0  from Kvl557Cfg where CfgDta>=:b1", {t}, one),
            sql::kTooManyRows);
  EXPECT_EQ(sql::WriteWithSavepoint("Smoke_Upd", "update Kvl557Cfg set CfgKr1=:b0 where CfgDta=:b1",
                                    {In::I32(5), In::I32(-7)}),
            sql::kNotFound);
  sql::Commit();
  sql::Disconnect();
}

TEST_F(OracleSmoke, CheckDbFindsTheProgramsTables) {
  std::string out;
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 0) << out;
}

}  // namespace
}  // namespace jf
