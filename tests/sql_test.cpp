// The statement seam over both backends: status codes, NULL semantics, values that do not fit
// their fields, the write-with-savepoint pattern; the embedded backend's date semantics.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/OpenBackend.h"
#include "db/dialect/Dialect.h"
#include "db/sql/Session.h"
#include "support/FakeClient.h"
#include "support/FixedClockEnv.h"
#include "support/TestSite.h"

namespace jf {
namespace {

using sql::In;
using sql::Out;

class SqlSite : public test::SiteTest {
 protected:
  void SetUp() override {
    test::SiteTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(CreateDatabase("t.db"));
    ASSERT_EQ(sql::Connect("jobfeed/secret@" + NetService("t.db"), OpenBackend), 0);
  }
  void TearDown() override {
    sql::Disconnect();
    if (backend() == test::BackendKind::kOracle) test::FakeClient::Get().RealClock();
    test::SiteTest::TearDown();
  }
  // The program's clock and the database's (sysdate) read clock.
  void PinClock(test::FixedClockEnv& clock) {
    Env::Install(&clock);
    if (backend() == test::BackendKind::kOracle) test::FakeClient::Get().FollowClock();
    PinServerClock(clock, "t.db");
  }
  int InsertCfg(int dta, const char* vn1, const char* bi1) {
    return sql::Execute("insert into Kvl557Cfg (CfgDta,CfgVn1,CfgBi1) values (:b0,:b1,:b2)",
                        {In::I32(dta), In::Text(vn1), In::Text(vn1 ? bi1 : "")});
  }
};

using SqlTest = test::OnEveryBackend<SqlSite>;

TEST_P(SqlTest, StatusCodes) {
  EXPECT_EQ(InsertCfg(1, "A", "B"), 0);
  EXPECT_EQ(InsertCfg(1, "A", "B"), sql::kUniqueViolated);
  EXPECT_EQ(sql::Sqlcode(), sql::kUniqueViolated);
  EXPECT_EQ(
      sql::Execute("update Kvl557Cfg set CfgIP=:b0 where CfgDta=:b1", {In::Text("x"), In::I32(99)}),
      sql::kNotFound);
  EXPECT_EQ(sql::Execute("delete from Kvl557Cfg where CfgDta=:b0", {In::I32(99)}), sql::kNotFound);
  EXPECT_EQ(sql::Execute("delete from Kvl999Xyz where CfgDta=:b0", {In::I32(1)}), sql::kNoTable);
  EXPECT_EQ(sql::Execute("update Kvl557Cfg set CfgNix=:b0", {In::I32(1)}), sql::kInvalidIdentifier);
  EXPECT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta) values (:b0)", {In::Text("")}),
            sql::kCannotInsertNull);
  // One input per placeholder occurrence.
  EXPECT_EQ(sql::Execute("delete from Kvl557Cfg where CfgDta=:b0 or CfgDta=:b0", {In::I32(1)}),
            sql::kNotAllBound);

  int32_t n = -1;
  Out out[] = {Out::I32(&n)};
  In none[] = {In::I32(7)};
  EXPECT_EQ(sql::SelectInto("select CfgDta into :b0  from Kvl557Cfg where CfgDta=:b1", none, out),
            sql::kNotFound);
  EXPECT_EQ(n, -1) << "a failed single-row select leaves the output alone";
  EXPECT_EQ(InsertCfg(2, "C", "D"), 0);
  In all[] = {In::I32(0)};
  EXPECT_EQ(sql::SelectInto("select CfgDta into :b0:b1  from Kvl557Cfg where CfgDta>:b2", all, out),
            sql::kTooManyRows);
  EXPECT_EQ(n, -1);
  In one[] = {In::I32(1)};
  EXPECT_EQ(sql::SelectInto("select CfgDta into :b0:b1  from Kvl557Cfg where CfgDta>:b2", one, out),
            0);
  EXPECT_EQ(n, 2);
}

TEST_P(SqlTest, NotConnectedAndMissingDatabase) {
  sql::Disconnect();
  EXPECT_EQ(InsertCfg(1, "A", "B"), sql::kNotLoggedOn);
  // A server that does not have the database says so; a file or net service name that leads
  // nowhere is a name that cannot be used.
  EXPECT_EQ(
      sql::Connect("jobfeed/secret@" + NetService("missing.db"), OpenBackend),
      backend() == test::BackendKind::kPostgres ? sql::kServiceUnknown : sql::kConnectIdentifier);
  EXPECT_FALSE(std::filesystem::exists("missing.db")) << "a missing database is never created";
  EXPECT_FALSE(sql::ConnectErrorText().empty());
  test::WriteBytes("junk.db", std::string(4096, 'x'));
  EXPECT_NE(sql::Connect("jobfeed/secret@" + NetService("junk.db"), OpenBackend), 0);
}

TEST_P(SqlTest, NullsAndEmptyTexts) {
  // An empty text is stored as NULL, so an empty marker never equals anything.
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgIP,CfgKr1) values (:b0,:b1,null)",
                         {In::I32(5), In::Text("")}),
            0);
  int32_t cnt = -1;
  Out c[] = {Out::I32(&cnt)};
  In e[] = {In::Text("")};
  ASSERT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg where CfgIP is null", {}, c),
            0);
  EXPECT_EQ(cnt, 1);
  ASSERT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg where CfgIP=:b1", e, c), 0);
  EXPECT_EQ(cnt, 0);

  Text<15> ip("garbage");
  int32_t kr1 = 77;
  double d = 3.5;
  Out outs[] = {Out::Text(ip), Out::I32(&kr1), Out::Dbl(&d)};
  In k[] = {In::I32(5)};
  ASSERT_EQ(sql::SelectInto("select CfgIP,CfgKr1,CfgDat into :b0 from Kvl557Cfg where CfgDta=:b1",
                            k, outs),
            0);
  EXPECT_EQ(ip.view(), "");
  EXPECT_EQ(kr1, 0);
  EXPECT_EQ(d, 0.0);

  // A NULL after a value in the same column of a cursor: the value does not linger. The
  // indicators tell NULL (-1) and a text cut to its field (its full length).
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgIP,CfgKr1) values (:b0,:b1,:b2)",
                         {In::I32(4), In::Text("10.0.0.12345678"), In::I32(9)}),
            0);
  sql::Cursor cur("select CfgIP ,CfgKr1  from Kvl557Cfg where CfgDta<:b0 order by CfgDta");
  Text<10> cut;
  int16_t ind[2] = {};
  Out row[] = {Out::Text(cut), Out::I32(&kr1)};
  row[0].ind = &ind[0];
  row[1].ind = &ind[1];
  ASSERT_EQ(cur.Open({In::I32(10)}), 0);
  ASSERT_EQ(cur.Fetch(row), 0);
  EXPECT_EQ(cut.view(), "10.0.0.123");
  EXPECT_EQ(kr1, 9);
  EXPECT_EQ(ind[0], 15);
  EXPECT_EQ(ind[1], 0);
  ASSERT_EQ(cur.Fetch(row), 0);
  EXPECT_EQ(cut.view(), "");
  EXPECT_EQ(kr1, 0);
  EXPECT_EQ(ind[0], -1);
  EXPECT_EQ(ind[1], -1);
  EXPECT_EQ(cur.Close(), 0);
}

TEST_P(SqlTest, SixteenBitAndLongTexts) {
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgKr1,CfgBz1) values (:b0,:b1,:b2)",
                         {In::I32(1), In::I16(70000), In::Text("123456789012345678901")}),
            0);
  int32_t kr1 = 0;
  Text<15> ip;
  Out outs[] = {Out::I16(&kr1), Out::Text(ip)};
  In k[] = {In::I32(1)};
  ASSERT_EQ(
      sql::SelectInto("select CfgKr1,CfgBz1 into :b0 from Kvl557Cfg where CfgDta=:b1", k, outs), 0);
  EXPECT_EQ(kr1, static_cast<int16_t>(70000)) << "low 16 bits written, widened with sign";
  EXPECT_EQ(ip.view(), "123456789012345") << "cut to the field";
  ASSERT_EQ(sql::Execute("update Kvl557Cfg set CfgKr1=:b0", {In::I16(-1)}), 0);
  ASSERT_EQ(
      sql::SelectInto("select CfgKr1,CfgBz1 into :b0 from Kvl557Cfg where CfgDta=:b1", k, outs), 0);
  EXPECT_EQ(kr1, -1);

  // A value beyond its field's width fails the row, as Oracle's client does, and changes no
  // field; the same value fits a 32-bit field.
  ASSERT_EQ(sql::Execute("update Kvl557Cfg set CfgKr1=:b0", {In::I32(70000)}), 0);
  EXPECT_EQ(
      sql::SelectInto("select CfgKr1,CfgBz1 into :b0 from Kvl557Cfg where CfgDta=:b1", k, outs),
      sql::kIntegerOverflow);
  EXPECT_EQ(kr1, -1);
  sql::Cursor cur("select CfgKr1,CfgBz1  from Kvl557Cfg where CfgDta=:b0");
  ASSERT_EQ(cur.Open(k), 0);
  EXPECT_EQ(cur.Fetch(outs), sql::kIntegerOverflow);
  EXPECT_EQ(ip.view(), "123456789012345");
  EXPECT_EQ(cur.Close(), 0);
  const Out wide[] = {Out::I32(&kr1), Out::Text(ip)};
  ASSERT_EQ(
      sql::SelectInto("select CfgKr1,CfgBz1 into :b0 from Kvl557Cfg where CfgDta=:b1", k, wide), 0);
  EXPECT_EQ(kr1, 70000);
  ASSERT_EQ(sql::Execute("update Kvl557Cfg set CfgKr1=:b0", {In::Dbl(3e9)}), 0);
  const Out big[] = {Out::I32(&kr1)};
  EXPECT_EQ(sql::SelectInto("select CfgKr1 into :b0 from Kvl557Cfg where CfgDta=:b1", k, big),
            sql::kIntegerOverflow);
}

// Texts are stored as UTF-8, what any other tool writes and reads, and arrive in the program's
// code page, Windows-1252, cut to their field between characters. Bytes that are not UTF-8 (an
// earlier version's Latin-1) arrive as stored; characters the code page lacks as "?".
TEST_P(SqlTest, TextsAreUtf8InTheDatabaseAndWindows1252InTheProgram) {
  const std::pair<const char*, std::string_view> cases[] = {
      {"536368C3B66E4D61C39F", "Sch\xF6nMa\xDF"},
      {"E282AC20E2809EC398E2809C", "\x80 \x84\xD8\x93"},
      {"C281C29D", "\x81\x9D"},          // undefined in the code page: as Windows has them
      {"5363684DF6DF", "SchM\xF6\xDF"},  // Latin-1 bytes
      {"C480F09F9880", "??"},
      {"C0AFEDA0803AC3", "\xC0\xAF\xED\xA0\x80:\xC3"},  // overlong, surrogate, cut short
      {"3132333435363738393031323334C3A4", "12345678901234\xE4"},
      {"313233343536373839303132333435C3A4", "123456789012345"},  // 16 characters: cut
  };
  Text<15> ip;
  int16_t ind = 0;
  Out out[] = {Out::Text(ip)};
  out[0].ind = &ind;
  auto read = [&](const char* column, int n) {
    return sql::SelectInto(
        std::string("select ") + column + " into :b0 from Kvl557Cfg where CfgDta=:b1", {In::I32(n)},
        out);
  };
  const bool server = backend() == test::BackendKind::kPostgres;
  int n = 0;
  for (const auto& [stored, arrives] : cases) {
    ++n;
    // A server keeps only valid UTF-8 (no Latin-1 bytes, no broken sequences), and no more
    // than a column's width: the over-long text goes to a wider column there.
    if (server && (n == 4 || n == 6)) continue;
    const std::string value =
        server ? "convert_from(decode('" + std::string(stored) + "','hex'),'UTF8')"
               : "cast(x'" + std::string(stored) + "' as text)";
    const char* column = server && n == 8 ? "CfgBz1" : "CfgIP";
    ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta," + std::string(column) + ") values (" +
                           std::to_string(n) + "," + value + ")"),
              0);
    ASSERT_EQ(read(column, n), 0);
    EXPECT_EQ(ip.view(), arrives) << stored;
    EXPECT_EQ(ind, n == 8 ? 16 : 0) << stored;
  }
  // Every byte goes in and comes back as it was; the database holds its character in UTF-8.
  for (int b = 1; b < 256; b += 15) {
    std::string text;
    for (int k = b; k < b + 15 && k < 256; ++k) text += static_cast<char>(k);
    const In in[] = {In::I32(1000 + b), In::Text(text)};
    ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgIP) values (:b0,:b1)", in), 0);
    ASSERT_EQ(read("CfgIP", 1000 + b), 0);
    EXPECT_EQ(ip.view(), text);
  }
  ASSERT_EQ(read("hex(substr(CfgIP,8,2))", 1121), 0);
  EXPECT_EQ(ip.view(), "E282ACC281") << "0x80, 0x81";
}

TEST_P(SqlTest, DatesRoundTripAndSysdate) {
  test::FixedClockEnv clock(Env::Default(), LocalTime{2026, 12, 7, 15, 30, 5});
  PinClock(clock);
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgDat) values "
                         "(:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))",
                         {In::I32(1), In::Text("20240229235958")}),
            0);
  ASSERT_EQ(
      sql::Execute("insert into Kvl557Cfg (CfgDta,CfgDat) values (:b0,sysdate)", {In::I32(2)}), 0);
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta,CfgDat) values "
                         "(:b0,TO_DATE(:b1,'yyyymmddHH24MISS'))",
                         {In::I32(3), In::Text("20261207")}),
            0)
      << "a date without its time part is midnight";
  Text<14> ts;
  Text<8> day;
  Out outs[] = {Out::Text(ts), Out::Text(day)};
  auto read = [&](int dta) {
    In k[] = {In::I32(dta)};
    return sql::SelectInto(
        "select TO_CHAR(CfgDat,'yyyymmddHH24MISS') ,TO_CHAR(trunc(CfgDat),'yyyymmdd') into :b0 "
        " from Kvl557Cfg where CfgDta=:b1",
        k, outs);
  };
  ASSERT_EQ(read(1), 0);
  EXPECT_EQ(ts.view(), "20240229235958");
  EXPECT_EQ(day.view(), "20240229");
  ASSERT_EQ(read(2), 0);
  EXPECT_EQ(ts.view(), "20261207153005");
  ASSERT_EQ(read(3), 0);
  EXPECT_EQ(ts.view(), "20261207000000");

  // Stored as an instant the database's own date functions read (SQLite: its Julian day).
  Text<20> iso;
  Out o[] = {Out::Text(iso)};
  ASSERT_EQ(
      sql::SelectInto("select datetime(CfgDat) into :b0 from Kvl557Cfg where CfgDta=2", {}, o), 0);
  EXPECT_EQ(iso.view(), "2026-12-07 15:30:05");

  auto bad = [](const char* text) {
    return sql::Execute("update Kvl557Cfg set CfgDat=TO_DATE(:b0,'yyyymmddHH24MISS')",
                        {In::Text(text)});
  };
  EXPECT_EQ(bad("20261307000000"), sql::kInvalidMonth);
  EXPECT_EQ(bad("2026x207000000"), sql::kDateFormat);
  EXPECT_EQ(bad("20260230000000"), sql::kDateForMonth) << "refused, not rolled over";
  EXPECT_EQ(bad("20230229000000"), sql::kDateForMonth);
  EXPECT_EQ(bad("20260232000000"), sql::kDayOfMonth);
  EXPECT_EQ(bad("00001207000000"), sql::kYearRange);
  EXPECT_EQ(bad("20260228250000"), sql::kHour);
  EXPECT_EQ(bad(""), 0) << "an empty date text stores NULL";
  Env::Install(nullptr);
}

// A DATE column of the embedded database holds any REAL: a day number beyond the calendar reads
// as a status, never as an overflow in the date arithmetic.
TEST_P(SqlTest, DayNumbersBeyondTheCalendarReadAsAStatus) {
  if (backend() == test::BackendKind::kPostgres) GTEST_SKIP() << "a server's dates are dates";
  Text<8> day;
  Out o[] = {Out::Text(day)};
  auto read = [&](double jd) {
    if (int rc = sql::Execute("update Kvl557Cfg set CfgDat=:b0", {In::Dbl(jd)}); rc != 0) return rc;
    return sql::SelectInto("select TO_CHAR(CfgDat,'yyyymmdd') into :b0  from Kvl557Cfg", {}, o);
  };
  ASSERT_EQ(InsertCfg(1, nullptr, nullptr), 0);
  EXPECT_EQ(read(2147483648.0), sql::kYearRange);
  EXPECT_EQ(read(1e300), sql::kYearRange);
  EXPECT_EQ(read(-0.5), sql::kYearRange);
  ASSERT_EQ(read(5373484.49), 0);
  EXPECT_EQ(day.view(), "99991231");
}

TEST_P(SqlTest, DayArithmeticAggregatesAndSysdateInEitherCase) {
  test::FixedClockEnv clock(Env::Default(), LocalTime{2024, 2, 28, 15, 30, 5});
  PinClock(clock);
  for (int i = 1; i <= 3; ++i) ASSERT_EQ(InsertCfg(i, "A", "B"), 0);
  // A date plus a bound number of days, over a leap day and back across a year end.
  Text<8> day;
  Out d[] = {Out::Text(day)};
  struct {
    const char* from;
    int32_t days;
    const char* to;
  } const kDays[] = {{"20240228", 1, "20240229"},
                     {"20240228", 2, "20240301"},
                     {"20240101", -1, "20231231"},
                     {"20240301", 0, "20240301"}};
  for (const auto& c : kDays) {
    ASSERT_EQ(sql::SelectInto("select TO_CHAR((TO_DATE(:b0,'yyyymmdd')+:b1),'yyyymmdd') into :b2 "
                              " from Kvl557Cfg where CfgDta=1",
                              {In::Text(c.from), In::I32(c.days)}, d),
              0);
    EXPECT_EQ(day, c.to) << c.from << " + " << c.days;
  }
  // SYSDATE and sysdate are the same clock; trunc gives the day.
  ASSERT_EQ(sql::SelectInto("select TO_CHAR(trunc(SYSDATE),'yyyymmdd') into :b0  from Kvl557Cfg "
                            "where (CfgDta=1 and trunc(sysdate)=TO_DATE(:b1,'yyyymmdd'))",
                            {In::Text("20240228")}, d),
            0);
  EXPECT_EQ(day, "20240228");
  // count(*) and sum() into host variables; a sum over no rows is NULL and reads as 0.
  int32_t n = -1;
  Out o[] = {Out::I32(&n)};
  struct {
    const char* text;
    int32_t value;
  } const kAggregates[] = {
      {"select count(*)  into :b0  from Kvl557Cfg where CfgDta>:b1", 2},
      {"select sum(CfgDta) into :b0:b1  from Kvl557Cfg where CfgDta>:b2", 5},
      {"select count(*)  into :b0  from Kvl557Cfg where CfgDta>:b1+10", 0},
      {"select sum(CfgDta) into :b0:b1  from Kvl557Cfg where CfgDta>:b2+10", 0},
  };
  for (const auto& c : kAggregates) {
    n = -1;
    EXPECT_EQ(sql::SelectInto(c.text, {In::I32(1)}, o), 0) << c.text;
    EXPECT_EQ(n, c.value) << c.text;
  }
  Env::Install(nullptr);
}

TEST_P(SqlTest, FailedWriteRollsBackToItsSavepointOnly) {
  ASSERT_EQ(sql::WriteWithSavepoint("Cfg_Ins", "insert into Kvl557Cfg (CfgDta) values (:b0)",
                                    {In::I32(1)}),
            0);
  // An uncommitted change made before the failing write stays; the failing write leaves nothing.
  ASSERT_EQ(sql::Execute("insert into Kvl557Cfg (CfgDta) values (:b0)", {In::I32(2)}), 0);
  EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Upd", "update Kvl557Cfg set CfgIP=:b0 where CfgDta=:b1",
                                    {In::Text("x"), In::I32(42)}),
            sql::kNotFound);
  sql::Rollback();
  int32_t n = -1;
  Out c[] = {Out::I32(&n)};
  ASSERT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg", {}, c), 0);
  EXPECT_EQ(n, 1) << "the committed write survives the rollback, the open one does not";

  // A committed write is durable: a second connection sees it.
  sql::Disconnect();
  ASSERT_EQ(sql::Connect("jobfeed/secret@" + NetService("t.db"), OpenBackend), 0);
  ASSERT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg", {}, c), 0);
  EXPECT_EQ(n, 1);
}

TEST_P(SqlTest, FailedWriteLeavesNoLockBehind) {
  // A write that fails outside a unit is rolled back to its savepoint; no transaction of it may
  // stay open and keep other processes from writing until the run's end.
  EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Upd", "update Kvl557Cfg set CfgIP=:b0 where CfgDta=:b1",
                                    {In::Text("x"), In::I32(42)}),
            sql::kNotFound);
  EXPECT_EQ(OpenTestDb("t.db")->Exec(backend() == test::BackendKind::kPostgres
                                         ? "BEGIN; SET LOCAL lock_timeout = 500; LOCK TABLE "
                                           "Kvl557Cfg; COMMIT"
                                         : "BEGIN IMMEDIATE; COMMIT;"),
            "");
  // Inside a unit the savepoint of the failed write is nested and the unit's transaction stays.
  ASSERT_EQ(sql::BeginUnit("U"), 0);
  EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Upd", "update Kvl557Cfg set CfgIP=:b0 where CfgDta=:b1",
                                    {In::Text("x"), In::I32(42)}),
            sql::kNotFound);
  EXPECT_EQ(InsertCfg(7, "A", "B"), 0);
  EXPECT_EQ(sql::EndUnit(true), 0);
  int32_t n = -1;
  Out c[] = {Out::I32(&n)};
  ASSERT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg", {}, c), 0);
  EXPECT_EQ(n, 1);

  // A unit whose one write commits it with itself: a failing write leaves the unit to be undone,
  // one that goes in is committed by the time EndUnit returns, one that touches no row ends the
  // unit holding nothing. No transaction stays open behind any of them.
  const char kInsert[] = "insert into Kvl557Cfg (CfgDta) values (:b0)";
  const char kUpdate[] = "update Kvl557Cfg set CfgIP=:b0 where CfgDta=:b1";
  for (int dta : {7, 8}) {
    ASSERT_EQ(sql::BeginUnit("M"), 0);
    ASSERT_EQ(
        sql::SelectInto("select CfgDta into :b0 from Kvl557Cfg where CfgDta=:b1 for update wait 30",
                        {In::I32(7)}, c),
        0);
    sql::EndUnitWithNextWrite();
    EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Ins", kInsert, {In::I32(dta)}),
              dta == 7 ? sql::kUniqueViolated : 0);
    EXPECT_EQ(sql::EndUnit(dta != 7), 0);
  }
  ASSERT_EQ(sql::BeginUnit("M"), 0);
  sql::EndUnitWithNextWrite();
  EXPECT_EQ(sql::WriteWithSavepoint("Cfg_Upd", kUpdate, {In::Text("x"), In::I32(42)}),
            sql::kNotFound);
  EXPECT_EQ(sql::EndUnit(false), 0);
  EXPECT_EQ(OpenTestDb("t.db")->Exec(backend() == test::BackendKind::kPostgres
                                         ? "BEGIN; SET LOCAL lock_timeout = 500; LOCK TABLE "
                                           "Kvl557Cfg; COMMIT"
                                         : "BEGIN IMMEDIATE; COMMIT;"),
            "");
  ASSERT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg", {}, c), 0);
  EXPECT_EQ(n, 2);
}

// Units of one name in a group: an undone one takes only its own writes along, the first one
// (which opened the transaction) included, and the group's end commits the kept ones at once.
TEST_P(SqlTest, UnitsOfAGroupAreUndoneAloneAndCommittedTogether) {
  for (int dta : {1, 2, 3, 4}) {
    ASSERT_EQ(sql::BeginGroupUnit("G"), 0);
    ASSERT_EQ(InsertCfg(dta, "A", "B"), 0);
    ASSERT_EQ(sql::EndUnit(dta % 3 != 1), 0);  // 1 and 4 undone
  }
  ASSERT_EQ(sql::EndGroup(true), 0);
  int32_t n = -1;
  Out c[] = {Out::I32(&n)};
  ASSERT_EQ(sql::SelectInto("select sum(CfgDta) into :b0 from Kvl557Cfg", {}, c), 0);
  EXPECT_EQ(n, 5);
  // Committed: another connection may write again.
  EXPECT_EQ(OpenTestDb("t.db")->Exec(backend() == test::BackendKind::kPostgres
                                         ? "BEGIN; SET LOCAL lock_timeout = 500; LOCK TABLE "
                                           "Kvl557Cfg; COMMIT"
                                         : "BEGIN IMMEDIATE; COMMIT;"),
            "");
}

// A batch of a group: its reads deliver their rows when it runs (on Oracle its locking reads by
// their keys, one read twice), and the first statement that fails undoes the whole batch, what
// ran before it included, and no later one runs.
TEST_P(SqlTest, BatchDeliversItsReadsInOrderAndAFailureUndoesItWhole) {
  ASSERT_EQ(sql::BeginGroupUnit("G"), 0);
  ASSERT_EQ(InsertCfg(1, "A", "B"), 0);
  ASSERT_EQ(sql::EndUnit(true), 0);
  char vn1[2][21] = {"-", "-"};
  ASSERT_EQ(sql::BeginBatch(true), 0);
  for (int dta : {1, 9, 1}) {
    sql::BatchTag(dta == 1 ? 0 : 1);
    Out o[] = {Out::Text(vn1[dta == 1 ? 0 : 1], sizeof vn1[0])};
    const int rc =
        sql::SelectInto("select CfgVn1 into :b0 from Kvl557Cfg where CfgDta=:b1 for update nowait",
                        {In::I32(dta)}, o);
    EXPECT_EQ(rc, sql::BatchQueues() ? sql::kQueued : dta == 1 ? 0 : sql::kNotFound);
  }
  sql::BatchTag(2);
  EXPECT_EQ(InsertCfg(2, "C", "D"), 0);
  EXPECT_EQ(sql::EndBatch(true), 0);
  EXPECT_EQ(sql::BatchStatus(0), 0);
  EXPECT_EQ(sql::BatchStatus(1), sql::kNotFound);
  EXPECT_STREQ(vn1[0], "A");
  EXPECT_STREQ(vn1[1], "-") << "a read that found nothing leaves its outputs alone";

  // Where reads are not queued, a read runs with the writes queued before it and sees them.
  ASSERT_EQ(sql::BeginBatch(false), 0);
  sql::BatchTag(0);
  EXPECT_EQ(InsertCfg(3, "E", "F"), 0);
  int32_t seen = -1;
  Out count[] = {Out::I32(&seen)};
  EXPECT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg", {}, count), 0);
  EXPECT_EQ(seen, 3);
  for (int dta : {1, 4}) {
    sql::BatchTag(dta);
    InsertCfg(dta, "E", "F");  // 1 is there already
  }
  EXPECT_EQ(sql::SelectInto("select count(*) into :b0 from Kvl557Cfg", {}, count),
            sql::kUniqueViolated)
      << "a failed batch runs nothing more";
  EXPECT_EQ(sql::EndBatch(true), sql::kUniqueViolated);
  EXPECT_EQ(sql::BatchFailedTag(), 1);
  ASSERT_EQ(sql::EndGroup(true), 0);
  int32_t n = -1;
  Out c[] = {Out::I32(&n)};
  ASSERT_EQ(sql::SelectInto("select sum(CfgDta) into :b0 from Kvl557Cfg", {}, c), 0);
  EXPECT_EQ(n, 3) << "the group keeps what came before the failed batch, nothing of the batch";
}

// A batch's writes, on Oracle array executes of one text that may change places with the
// writes of other rows between them: each statement's status as if they had run one by one
// (a write that touched nothing is 1403), the first failure in the batch's order fails it, and
// a write that moves its row onto another's key keeps its place.
TEST_P(SqlTest, BatchWritesTellEachStatusAndTheFirstFailure) {
  for (int dta = 1; dta <= 5; ++dta) ASSERT_EQ(InsertCfg(dta, "A", "B"), 0);
  sql::Commit();
  constexpr char kVn1[] = "update Kvl557Cfg  set CfgVn1=:b0 where CfgDta=:b1";
  constexpr char kBi1[] = "update Kvl557Cfg  set CfgBi1=:b0 where CfgDta=:b1";
  constexpr char kMove[] = "update Kvl557Cfg  set CfgDta=:b0 where CfgDta=:b1";
  ASSERT_EQ(sql::BeginGroupUnit("G"), 0);
  ASSERT_EQ(sql::BeginBatch(false), 0);
  const auto write = [](int tag, const char* text, In a, int dta) {
    sql::BatchTag(tag);
    return sql::Execute(text, {a, In::I32(dta)});
  };
  write(0, kVn1, In::Text("X"), 1);
  write(1, kVn1, In::Text("X"), 7);  // no such row
  write(2, kBi1, In::Text("Y"), 2);
  write(3, kVn1, In::Text("X"), 3);
  write(4, kMove, In::I32(6), 4);  // 4 becomes 6: the next write of 6 must find it
  write(5, kVn1, In::Text("Z"), 6);
  write(6, kMove, In::I32(5), 2);  // 5 is there
  write(7, kVn1, In::Text("X"), 1);
  EXPECT_EQ(sql::RunBatch(), sql::kUniqueViolated);
  EXPECT_EQ(sql::BatchFailedTag(), 6);
  const int expected[] = {0, sql::kNotFound, 0, 0, 0, 0};
  for (int tag = 0; tag < 6; ++tag) EXPECT_EQ(sql::BatchStatus(tag), expected[tag]) << tag;
  EXPECT_EQ(sql::EndBatch(true), sql::kUniqueViolated);
  ASSERT_EQ(sql::EndGroup(true), 0);
  char vn1[21] = "";
  Out o[] = {Out::Text(vn1, sizeof vn1)};
  EXPECT_EQ(
      sql::SelectInto("select CfgVn1 into :b0 from Kvl557Cfg where CfgDta=:b1", {In::I32(4)}, o),
      0);
  EXPECT_STREQ(vn1, "A") << "the failed batch is undone whole";
}

// A group ends before its transaction holds more units than the database wants in one. On
// PostgreSQL a subtransaction that wrote keeps its id until the transaction ends, released or
// not, and the server caches 64 of them a session; here each unit makes two (its own savepoint
// and its write's), and room for a unit's eight is kept.
TEST_P(SqlTest, GroupEndsBeforeItsUnitsOutgrowTheDatabase) {
  int units = 0;
  while (units < 100 && !sql::GroupFull()) {
    ASSERT_EQ(sql::BeginGroupUnit("G"), 0);
    ASSERT_EQ(sql::WriteWithSavepoint(
                  "Cfg_Ins", "insert into Kvl557Cfg (CfgDta,CfgVn1,CfgBi1) values (:b0,:b1,:b2)",
                  {In::I32(++units), In::Text("A"), In::Text("B")}),
              0);
    ASSERT_EQ(sql::EndUnit(true), 0);
  }
  EXPECT_EQ(units, backend() == test::BackendKind::kPostgres ? (64 - 8) / 2 + 1 : 100);
  ASSERT_EQ(sql::EndGroup(true), 0);
  EXPECT_FALSE(sql::GroupFull());
}

TEST_P(SqlTest, CursorSurvivesWritesToItsTableAndCommits) {
  for (int i = 1; i <= 50; ++i) ASSERT_EQ(InsertCfg(i, "A", "B"), 0);
  sql::Commit();
  sql::Cursor cur("select CfgDta  from Kvl557Cfg where CfgVn1=:b0 order by CfgVn1,CfgDta desc");
  int32_t dta = 0;
  Out out[] = {Out::I32(&dta)};
  EXPECT_EQ(cur.Fetch(out), sql::kNotConnectedFetch);
  ASSERT_EQ(cur.Open({In::Text("A")}), 0);
  int seen = 0;
  int expected = 50;
  while (cur.Fetch(out) == 0) {
    EXPECT_EQ(dta, expected--);
    ++seen;
    // Unmark and delete rows while walking, committing each, as the downloads do.
    ASSERT_EQ(sql::WriteWithSavepoint("X", "update Kvl557Cfg set CfgVn1=null where CfgDta=:b0",
                                      {In::I32(dta)}),
              0);
    if (dta % 2 == 0) {
      ASSERT_EQ(
          sql::WriteWithSavepoint("Y", "delete from Kvl557Cfg where CfgDta=:b0", {In::I32(dta)}),
          0);
    }
  }
  EXPECT_EQ(seen, 50);
  EXPECT_EQ(cur.Fetch(out), sql::kNotFound) << "the end stays the end";
  EXPECT_EQ(cur.Close(), 0);
}

TEST(SqlText, IntoClauseAndTranslation) {
  EXPECT_EQ(sql::RemoveIntoClause("select KsgApg ,KsgKst into :b0:b1,:b2:b3  from Kvl537Ksg where "
                                  "(KsgApg=:b0)"),
            "select KsgApg ,KsgKst from Kvl537Ksg where (KsgApg=:b0)");
  EXPECT_EQ(sql::RemoveIntoClause("select 'into' from T"), "select 'into' from T");
  const auto sqlite = dialect::Translate(
      "select a from KvlSystem.Kvl301Asw where (x=:b0 and y<=trunc(SYSDATE) and z=':b1' and "
      "w=:b0)",
      dialect::Target::kSqlite);
  EXPECT_EQ(sqlite.text,
            "select a from Kvl301Asw where (x=?1 and y<=trunc(sysdate()) and z=':b1' and w=?2)");
  EXPECT_EQ(sqlite.params, 2);
  // Most of the PostgreSQL rules run in the tests above; these are the ones they do not reach.
  const auto pg = dialect::Translate(
      "select a from KvlSystem.Kvl301Asw where (x=nvl(:b0,'') and w=':b1''s' and d=TO_DATE(c,"
      "'yyyymmdd')-1) for update wait 30",
      dialect::Target::kPostgres);
  EXPECT_EQ(pg.text,
            "select a from KvlSystem.Kvl301Asw where (x=coalesce($1,NULL) and w=':b1''s' and "
            "d=to_timestamp(c,'yyyymmdd')::timestamp-1*interval '1 day') for update");
  EXPECT_EQ(pg.date_formats, std::vector<std::string>{""});
  // A group's later rows must not wait: the locking read fails at once on a held row.
  for (const auto target : {dialect::Target::kSqlite, dialect::Target::kPostgres}) {
    const auto t = dialect::Translate("select a from T where k=:b0 for update nowait", target);
    EXPECT_EQ(t.text, target == dialect::Target::kPostgres
                          ? "select a from T where k=$1 for update nowait"
                          : "select a from T where k=?1");
    EXPECT_TRUE(t.locks);
  }
}

JF_ON_EVERY_BACKEND(SqlTest);

}  // namespace
}  // namespace jf
