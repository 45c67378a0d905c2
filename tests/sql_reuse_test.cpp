// What the statement seam keeps from one execution to the next (cached statements, the rows of
// a reopened cursor, parsed date formats, the prepared transaction statements) must never
// leak into the next execution's results.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "db/OpenBackend.h"
#include "db/sql/Session.h"
#include "support/TestSite.h"

namespace jf {
namespace {

using sql::In;
using sql::Out;

class SqlReuseSite : public test::SiteTest {
 protected:
  void SetUp() override {
    test::SiteTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(CreateDatabase("r.db"));
    ASSERT_EQ(sql::Connect("jobfeed/secret@" + NetService("r.db"), OpenBackend), 0);
  }
  void TearDown() override {
    sql::Disconnect();
    test::SiteTest::TearDown();
  }
};

// What holds for every backend; the rest is about the embedded one's own machinery.
using SqlReuseTest = test::OnEveryBackend<SqlReuseSite>;

TEST_P(SqlReuseTest, ReopenedCursorDeliversOnlyTheCurrentRows) {
  // No sort: the cursor reads its rows in full at open and keeps the storage for the next open.
  sql::Cursor cur("select CfgDta ,CfgIP  from Kvl557Cfg where CfgDta>=:b0 order by CfgDta");
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgIP) values (:b0,:b1)",
                           {In::I32(i), In::Text("10.0.0." + std::to_string(i))}),
              0);
  }
  int32_t dta = 0;
  Text<15> ip;
  const Out out[] = {Out::I32(&dta), Out::Text(ip)};
  ASSERT_EQ(cur.Open({In::I32(1)}), 0);
  int n = 0;
  while (cur.Fetch(out) == 0) ++n;
  EXPECT_EQ(n, 3);

  // Fewer rows, and a column that was text is NULL now: nothing of the first open shows.
  ASSERT_EQ(sql::Execute("delete from Kvl557Cfg where CfgDta>=:b0", {In::I32(2)}), 0);
  ASSERT_EQ(sql::Execute("update Kvl557Cfg set CfgIP=null where CfgDta=:b0", {In::I32(1)}), 0);
  ASSERT_EQ(cur.Open({In::I32(1)}), 0);
  ASSERT_EQ(cur.Fetch(out), 0);
  EXPECT_EQ(dta, 1);
  EXPECT_EQ(ip.view(), "");
  EXPECT_EQ(cur.Fetch(out), sql::kNotFound);
  EXPECT_EQ(cur.Close(), 0);

  // More rows than ever before.
  for (int i = 2; i <= 6; ++i) {
    ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgIP) values (:b0,:b1)",
                           {In::I32(i), In::Text("h" + std::to_string(i))}),
              0);
  }
  ASSERT_EQ(cur.Open({In::I32(4)}), 0);
  std::string seen;
  while (cur.Fetch(out) == 0) seen += std::to_string(dta) + "=" + std::string(ip.view()) + " ";
  EXPECT_EQ(seen, "4=h4 5=h5 6=h6 ");
}

TEST_F(SqlReuseSite, DateFormatsStayWithTheirColumnAndRow) {
  // 2026-12-07 06:30:15 and 1999-01-31 23:59:59 as Julian days of local time.
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgDat,CfgBz1) values (1,"
                         "julianday('2026-12-07 06:30:15'),'yyyymmdd')"),
            0);
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgDat,CfgBz1) values (2,"
                         "julianday('1999-01-31 23:59:59'),'HH24MISS')"),
            0);
  sql::Cursor cur(
      "select TO_CHAR(CfgDat,'yyyymmdd') ,TO_CHAR(CfgDat,'HH24MISS') ,TO_CHAR(CfgDat,CfgBz1) "
      ",TO_CHAR(CfgDat,'yymmddHH24MISS')  from Kvl557Cfg where CfgDta>:b0 order by CfgDta");
  Text<14> a, b, c, d;
  const Out out[] = {Out::Text(a), Out::Text(b), Out::Text(c), Out::Text(d)};
  for (int pass = 0; pass < 2; ++pass) {  // the second pass runs with the formats kept
    ASSERT_EQ(cur.Open({In::I32(0)}), 0);
    ASSERT_EQ(cur.Fetch(out), 0);
    EXPECT_EQ(a.view(), "20261207");
    EXPECT_EQ(b.view(), "063015");
    EXPECT_EQ(c.view(), "20261207") << "a format from a column is read per row";
    EXPECT_EQ(d.view(), "261207063015");
    ASSERT_EQ(cur.Fetch(out), 0);
    EXPECT_EQ(a.view(), "19990131");
    EXPECT_EQ(b.view(), "235959");
    EXPECT_EQ(c.view(), "235959");
    EXPECT_EQ(d.view(), "990131235959");
    EXPECT_EQ(cur.Fetch(out), sql::kNotFound);
  }
  Text<14> back;
  const Out one[] = {Out::Text(back)};
  EXPECT_EQ(sql::SelectInto("select TO_CHAR(TO_DATE(:b0,'yyyymmddHH24MISS'),'yyyymmddHH24MISS')"
                            " into :b1  from Kvl557Cfg where CfgDta=1",
                            {In::Text("20270102030405")}, one),
            0);
  EXPECT_EQ(back.view(), "20270102030405");
}

TEST_P(SqlReuseTest, ManyCommitsAndRollbacksInTurn) {
  // Writes commit one by one, a failed one rolls back to its savepoint only; another
  // connection sees exactly the committed rows.
  for (int i = 1; i <= 20; ++i) {
    ASSERT_EQ(sql::WriteWithSavepoint("Cfg_Ins", "insert into Kvl557Cfg (CfgDta) values (:b0)",
                                      {In::I32(i)}),
              0);
    EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Ins", "insert into Kvl557Cfg (CfgDta) values (:b0)",
                                      {In::I32(i)}),
              sql::kUniqueViolated);
  }
  sql::Execute("insert into Kvl557Cfg (CfgDta) values (:b0)", {In::I32(99)});
  sql::Rollback();
  sql::Execute("insert into Kvl557Cfg (CfgDta) values (:b0)", {In::I32(98)});
  sql::Commit();
  EXPECT_EQ(sql::Sqlcode(), 0);

  std::string why;
  EXPECT_EQ(OpenTestDb("r.db")->Query("select count(*), sum(CfgDta) from Kvl557Cfg", &why),
            std::vector<std::string>{"21|" + std::to_string(210 + 98)})
      << why;
}

TEST_F(SqlReuseSite, SortedCursorHoldsNoSnapshotWhileTheWalkCommits) {
  for (int i = 1; i <= 30; ++i) {
    ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgVn1,CfgBz1) values (:b0,:b1,:b2)",
                           {In::I32(i), In::Text("A"), In::Text(std::to_string(100 - i))}),
              0);
  }
  sql::Commit();
  // Sorted by a column without an index: the rows come out of a sorter.
  sql::Cursor cur("select CfgDta  from Kvl557Cfg where CfgVn1=:b0 order by CfgBz1");
  ASSERT_EQ(cur.Open({In::Text("A")}), 0);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open_v2("r.db", &other, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "select count(*) from Kvl557Cfg", nullptr, nullptr, nullptr),
            SQLITE_OK);  // reads the header: the connection knows the file is in WAL mode
  int32_t dta = 0;
  const Out out[] = {Out::I32(&dta)};
  int expected = 30;
  while (cur.Fetch(out) == 0) {
    EXPECT_EQ(dta, expected--);
    ASSERT_EQ(
        sql::WriteWithSavepoint("X", "update Kvl557Cfg set CfgVn1=null,CfgBz1=:b0 where CfgDta=:b1",
                                {In::Text("0"), In::I32(dta)}),
        0);
    if (dta == 15) {
      // Half-way: every committed frame can be copied back and the WAL cut to nothing, which a
      // cursor holding its read snapshot would refuse (SQLITE_BUSY).
      int log = -1, done = -1;
      EXPECT_EQ(sqlite3_wal_checkpoint_v2(other, "main", SQLITE_CHECKPOINT_PASSIVE, &log, &done),
                SQLITE_OK);
      EXPECT_EQ(done, log);
    }
  }
  EXPECT_EQ(expected, 0) << "rows changed by the walk still come in the order of the open";
  EXPECT_EQ(cur.Close(), 0);
  sqlite3_close(other);
}

JF_ON_EVERY_BACKEND(SqlReuseTest);

}  // namespace
}  // namespace jf
