// The further lookups of the table access module and the calendar arithmetic built on them,
// against a real database file, with "today" fixed at 7 December 2026.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "db/Dbstd.h"
#include "db/OpenBackend.h"
#include "db/sql/FaultBackend.h"
#include "db/sql/Session.h"
#include "driver/CalendarDays.h"
#include "support/FixedClockEnv.h"
#include "support/OrderSite.h"
#include "support/StatementCheck.h"

namespace jf {
namespace {

using sql::FaultBackend;
using V = std::vector<std::string>;

class LookupTablesSite : public test::OrderSiteTest {
 protected:
  void SetUp() override {
    OrderSiteTest::SetUp();
    Env::Install(&clock_);
    PinServerClock(clock_);
    std::unique_ptr<sql::Backend> real;
    ASSERT_EQ(OpenBackend("jobfeed", "secret", net_service(), &real), 0);
    auto fb = std::make_unique<FaultBackend>(std::move(real));
    db_ = fb.get();
    test::WatchStatements(fb.get());
    sql::Attach(std::move(fb));
  }
  void TearDown() override {
    Env::Install(nullptr);
    OrderSiteTest::TearDown();
  }
  // A DATE value of a yyyymmdd text for SQL ("NULL" for the empty text).
  static std::string D(const std::string& d) {
    if (d.empty()) return "NULL";
    return "julianday('" + d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + "')";
  }
  // Walks a cursor to its end: each row as the text key() makes of it.
  template <class R, class Fetch, class Key>
  static V Walk(Fetch fetch, Key key) {
    V rows;
    R r;
    while (rows.size() < 20 && fetch(&r) == 0) rows.push_back(key(r));
    return rows;
  }

  test::FixedClockEnv clock_{Env::Default(), LocalTime{2026, 12, 7, 10, 0, 0}};
  FaultBackend* db_ = nullptr;
};

using LookupTables = test::OnEveryBackend<LookupTablesSite>;

TEST_P(LookupTables, FunctionAssignmentsLeaveNothingStaleOnAMiss) {
  Sql("insert into Kvl553Fzu values ('F01','0','M01','Bez','Txt',1,2,3,4,'Z1','Z2','Z3',-2,"
      "NULL,'Erf')");
  Sql("insert into Kvl553Fzu values ('F01','1','M02','Old','',5,6,7,8,'','','',0,NULL,'')");
  FzuRecord r;
  r.FzuFcd = "F01";
  ASSERT_EQ(Fzu_PKeyRead(&r), 0);  // the current generation only
  EXPECT_EQ(r.FzuMld, "M01");
  EXPECT_EQ(r.FzuBez, "Bez");
  EXPECT_EQ(r.FzuGen, 4);
  EXPECT_EQ(r.FzuZf3, "Z3");
  EXPECT_EQ(r.FzuSta, -2);
  EXPECT_EQ(r.FzuErf, "Erf");

  r.FzuMld = "M02";
  ASSERT_EQ(Fzu_MldRead(&r), 0);
  EXPECT_EQ(r.FzuFcd, "F01");
  EXPECT_EQ(r.FzuBez, "Old");
  EXPECT_EQ(r.FzuArt, 5);

  // A miss keeps the key asked for in its own field and empties every selected field; the field
  // no lookup selects keeps its value.
  r.FzuDat = "20260101120000";
  r.FzuMld = "M99";
  EXPECT_EQ(Fzu_MldRead(&r), 1403);
  EXPECT_EQ(r.FzuMld, "M99");
  EXPECT_EQ(r.FzuFcd, "");
  EXPECT_EQ(r.FzuBez, "");
  EXPECT_EQ(r.FzuArt, 0);
  EXPECT_EQ(r.FzuDat, "20260101120000");
  ASSERT_EQ(Fzu_PKeyRead(&(r = FzuRecord{}, r.FzuFcd = "F01", r)), 0);
  r.FzuFcd = "F09";
  EXPECT_EQ(Fzu_PKeyRead(&r), 1403);
  EXPECT_EQ(r.FzuFcd, "F09");
  EXPECT_EQ(r.FzuMld, "");
  EXPECT_EQ(r.FzuGen, 0);
}

TEST_P(LookupTables, ShiftModelsOfAGroupOnADay) {
  Sql("insert into Kvl133Bak values (" + D("20261207") + ",2026,12,7,50,1,341)");
  Sql("insert into Kvl133Kal values ('K1'," + D("20261207") + ",'W')");
  Sql("insert into Kvl533Emo values ('LATE','W','Late',840,1320,1,'P1'),"
      "('EARLY','W','Early',360,840,1,'P1'),('EARLY','H','Holiday',0,0,2,'P1')");
  // Valid on the day: open-ended, and ending that very day; not: starting later, ended before,
  // another kind.
  auto aem = [&](int kng, const char* emo, const char* gvo, const char* gbi) {
    Sql("insert into Kvl532Aem (AemApg,AemKng,AemEmo,AemGvo,AemGbi,AemKal) values ('G1'," +
        std::to_string(kng) + ",'" + emo + "'," + D(gvo) + "," + D(gbi) + ",'K1')");
  };
  aem(1, "EARLY", "20260101", "");
  aem(1, "LATE", "20250101", "20261207");
  aem(1, "EARLY", "20261208", "");
  aem(1, "LATE", "20250101", "20261206");
  aem(2, "EARLY", "20260101", "");
  int32_t n = -1;
  ASSERT_EQ(Aem_Count("G1", &n), 0);
  EXPECT_EQ(n, 1);

  AemRecord key;
  key.AemApg = "G1";
  key.AemKng = 1;
  key.KalDtm = "20261207";
  ASSERT_EQ(Aem_Open(&key), 0);
  AemRecord r;
  ASSERT_EQ(Aem_Fetch(&r), 0);
  EXPECT_EQ(r.AemEmo, "EARLY");
  EXPECT_EQ(r.AemGvo, "20260101");
  EXPECT_EQ(r.KalBtp, "W");
  EXPECT_EQ(r.KalDtm, "20261207");
  EXPECT_EQ(r.BakJhr, 2026);
  EXPECT_EQ(r.BakTag, 7) << "the day of the month, not the year";
  EXPECT_EQ(r.BakJtg, 341);
  ASSERT_EQ(Aem_Fetch(&r), 0);
  EXPECT_EQ(r.AemEmo, "LATE");
  EXPECT_EQ(Aem_Fetch(&r), 1403);
  EXPECT_EQ(r.AemEmo, "LATE") << "the end leaves the last row";
  EXPECT_EQ(Aem_Close(), 0);
}

TEST_P(LookupTables, BreakMinutesOfAShift) {
  Sql("insert into Kvl533Emo values ('S1','W','',360,840,1,'P1'),('S2','W','B',900,960,1,'X'),"
      "('S2','W','A',300,360,1,'X')");
  Sql("insert into Kvl536Pmz values ('P1','B1'," + D("20260101") + "," + D("20261231") +
      "),('P1','B2'," + D("20260101") + "," + D("20261231") + "),('P1','B3'," + D("20250101") +
      "," + D("20251231") + ")");
  Sql("insert into Kvl535Pms values ('B1',600,615,1,0,1,1),('B2',1430,20,2,0,2,2),"
      "('B3',100,200,3,0,3,3)");
  struct {
    const char *emo, *date;
    int32_t minutes;
  } const kCases[] = {
      {"S1", "20261207", 45},  // 15 within the day, 30 across midnight
      {"S1", "20270101", 0},   // no break model valid that day
      {"S1", "20250601", 100},
      {"S9", "20261207", 0},
  };
  for (const auto& c : kCases) {
    EmoRecord r;
    r.EmoEmo = c.emo;
    r.EmoTtp = "W";
    r.PmsPse = -1;
    EXPECT_EQ(Pms_PauseSum(&r, c.date), 0) << c.emo << " " << c.date;
    EXPECT_EQ(r.PmsPse, c.minutes) << c.emo << " " << c.date;
  }
  // Either sum failing gives its status and no minutes, never the other sum alone.
  for (const char* which : {"(PmsEnd-PmsBeg)", "((PmsEnd+1440)-PmsBeg)"}) {
    db_->FailNth(FaultBackend::kExecute, which, 1, -1114);
    EmoRecord r;
    r.EmoEmo = "S1";
    r.EmoTtp = "W";
    EXPECT_EQ(Pms_PauseSum(&r, "20261207"), -1114) << which;
    EXPECT_EQ(r.PmsPse, 0) << which;
  }

  ASSERT_EQ(Pms_Open("S1", "W", "20261207"), 0);
  V breaks = Walk<EmoRecord>(Pms_Fetch, [](const EmoRecord& r) {
    return std::string(r.PmsNum.view()) + ":" + std::to_string(r.PmsBeg) + "-" +
           std::to_string(r.PmsEnd);
  });
  std::sort(breaks.begin(), breaks.end());  // one shift: its breaks come in no set order
  EXPECT_EQ(breaks, (V{"B1:600-615", "B2:1430-20"}));
  EXPECT_EQ(Pms_Close(), 0);
  ASSERT_EQ(Emo_Open("S2", "W"), 0);
  EXPECT_EQ(
      Walk<EmoRecord>(Emo_Fetch, [](const EmoRecord& r) { return std::string(r.EmoTxt.view()); }),
      (V{"A", "B"}));
  EXPECT_EQ(Emo_Close(), 0);
}

TEST_P(LookupTables, BaseCalendarOffsetsAndCounts) {
  for (const char* d : {"20240227", "20240228", "20240229", "20240301", "20240302"}) {
    Sql(std::string("insert into Kvl133Bak values (") + D(d) + ",2024,0," +
        std::string(d).substr(6) + ",9,0,0)");
  }
  struct {
    const char* from;
    int32_t days;
    int rc;
    const char* found;
  } const kReads[] = {
      {"20240228", 1, 0, "20240229"},     {"20240229", 1, 0, "20240301"},
      {"20240302", -4, 0, "20240227"},    {"20240301", 0, 0, "20240301"},
      {"20240228", 10, 1403, "20240228"},  // not in the calendar: the record stays
      {"20240230", 0, -1839, "20240230"},  // no such day
  };
  for (const auto& c : kReads) {
    BakRecord r;
    r.BakDate1 = c.from;
    r.BakDays = c.days;
    EXPECT_EQ(Bak_Read(&r), c.rc) << c.from << " + " << c.days;
    EXPECT_EQ(r.BakDate1, c.found) << c.from << " + " << c.days;
    if (c.rc == 0) {
      EXPECT_EQ(r.BakTag, std::stoi(std::string(c.found).substr(6)));
    }
  }
  struct {
    const char *from, *to;
    int32_t days;
  } const kCounts[] = {{"20240228", "20240228", 0},
                       {"20240228", "20240229", 1},
                       {"20240227", "20240302", 4},
                       {"20240302", "20240227", 0}};
  for (const auto& c : kCounts) {
    BakRecord r;
    r.BakDate1 = c.from;
    r.BakDate2 = c.to;
    EXPECT_EQ(Bak_Count(&r), 0);
    EXPECT_EQ(r.BakDays, c.days) << c.from << ".." << c.to;
    Text<8> to(c.to);
    EXPECT_EQ(CalendarDays(1, 0, c.from, &to), c.days);
  }

  // Time differences count the calendar days between the dates.
  struct {
    const char *d1, *t1, *d2, *t2;
    long long seconds;
  } const kDiffs[] = {{"20240229", "230000", "20240301", "010000", 7200},
                      {"20240301", "010000", "20240229", "230000", -7200},
                      {"20240228", "120000", "20240228", "113000", -1800},
                      {"20240227", "000000", "20240302", "000001", 4 * 86400 + 1}};
  for (const auto& c : kDiffs) {
    int64_t s = 0;
    EXPECT_EQ(TimeDiff(c.d1, c.t1, c.d2, c.t2, &s), 0);
    EXPECT_EQ(s, c.seconds) << c.d1 << c.t1 << " .. " << c.d2 << c.t2;
  }

  Text<8> out;
  EXPECT_EQ(CalendarDays(2, 2, "20240228", &out), 0);
  EXPECT_EQ(out, "20240301");
  EXPECT_EQ(CalendarDays(2, 9, "20240228", &out), 1403);
  EXPECT_EQ(out, "20240228") << "the day asked from when the calendar lacks the day";
  EXPECT_EQ(CalendarDays(3, 1, "20240228", &out), 0);

  // A failing calendar is a negative status, never a number of days.
  db_->FailAlways(FaultBackend::kExecute, "Kvl133Bak", -942);
  out = "20240302";
  EXPECT_EQ(CalendarDays(1, 0, "20240228", &out), -942);
  int64_t s = 1;
  EXPECT_EQ(TimeDiff("20240228", "000000", "20240229", "000000", &s), -942);
  EXPECT_EQ(s, 0);
}

TEST_P(LookupTables, PresetsAndTheCostCentreStartingToday) {
  Sql("insert into Kvl555Vrg values ('AREA','FLD','value')");
  VrgRecord v;
  v.VrgBer = "AREA";
  v.VrgFld = "FLD";
  ASSERT_EQ(Vrg_PKeyRead(&v), 0);
  EXPECT_EQ(v.VrgWrt, "value");
  v.VrgFld = "XX";
  EXPECT_EQ(Vrg_PKeyRead(&v), 1403);
  EXPECT_EQ(v.VrgWrt, "value") << "left alone on a miss";

  Sql("insert into Kvl329Ztg values ('P1'," + D("20261207") + ",'K-TODAY'),('P2'," + D("20261206") +
      ",'K-OLD')");
  Text<10> kst("none");
  ASSERT_EQ(Ztg_KstRead("P1", &kst), 0);
  EXPECT_EQ(kst, "K-TODAY");
  EXPECT_EQ(Ztg_KstRead("P2", &kst), 1403) << "only an assignment that starts today";
}

TEST_P(LookupTables, BadgesPersonsAndEmployments) {
  Sql("insert into Kvl300Pnr values ('P1','Name 1','Street 1','City 1'),"
      "('P2','Name 2','Street 2','City 2')");
  Sql("insert into Kvl301Asw values ('B1'," + D("20260101") + "," + D("20261207") +
      ",'P1','ABCDEFGHIJKLMNOP',julianday('2026-01-01 08:30:00')),('B1'," + D("20261208") +
      ",NULL,'P2','',NULL),('B2'," + D("20250101") + ",NULL,'P2','',NULL),('B3'," + D("20261201") +
      "," + D("20261231") + ",'P1','',NULL),('B3'," + D("20261205") + ",NULL,'P2','',NULL)");
  struct {
    const char *badge, *date;
    int rc;
    const char* pnr;
  } const kHolders[] = {
      {"B1", "20261207", 0, "P1"},     // its last day
      {"B1", "20261208", 0, "P2"},     // the next holder's first day
      {"B1", "20251231", 1403, "-"},   // before any
      {"B2", "20991231", 0, "P2"},     // open-ended
      {"B3", "20261206", -2112, "-"},  // two assignments cover the day
  };
  for (const auto& c : kHolders) {
    Text<8> pnr("-");
    EXPECT_EQ(Asw_PnrValid(c.badge, c.date, &pnr), c.rc) << c.badge << " " << c.date;
    EXPECT_EQ(pnr, c.pnr) << c.badge << " " << c.date;
  }

  AswRecord a;
  a.AswNum = "B1";
  a.AswGvo = "20260101";
  ASSERT_EQ(Asw_PnrRead(&a), 0);
  EXPECT_EQ(a.AswPnr, "P1");
  EXPECT_EQ(a.AswGbi, "20261207");
  EXPECT_EQ(a.AswErf, "ABCDEFGHIJKL") << "cut to the field";
  EXPECT_EQ(a.AswDat, "20260101083000");
  EXPECT_EQ(a.PnrOrt, "City 1");

  // The cursors see assignments up to today (B1's next holder starts tomorrow), newest first.
  auto key = [](const AswRecord& r) {
    return std::string(r.AswPnr.view()) + "/" + std::string(r.AswNum.view()) + "/" +
           std::string(r.AswGvo.view());
  };
  ASSERT_EQ(Asw_OpenNum("B1"), 0);
  EXPECT_EQ(Walk<AswRecord>(Asw_FetchNum, key), (V{"P1//20260101"}));
  EXPECT_EQ(Asw_CloseNum(), 0);
  ASSERT_EQ(Asw_OpenPnr("P2"), 0);
  EXPECT_EQ(Walk<AswRecord>(Asw_FetchPnr, key), (V{"/B3/20261205", "/B2/20250101"}));
  EXPECT_EQ(Asw_ClosePnr(), 0);
  ASSERT_EQ(Asw_OpenAll(), 0);
  EXPECT_EQ(Walk<AswRecord>(Asw_FetchAll, key),
            (V{"P1/B3/20261201", "P1/B1/20260101", "P2/B3/20261205", "P2/B2/20250101"}));
  EXPECT_EQ(Asw_CloseAll(), 0);

  Text<50> nam, str, ort;
  ASSERT_EQ(Pnr_PKeyRead("P2", &nam, &str, &ort), 0);
  EXPECT_EQ(std::string(nam.view()) + "|" + std::string(str.view()) + "|" + std::string(ort.view()),
            "Name 2|Street 2|City 2");
  EXPECT_EQ(Pnr_PKeyRead("P2x", &nam, &str, &ort), 1403) << "a longer key is not cut";
  EXPECT_EQ(nam, "Name 2");

  Sql("insert into Kvl310Bsv values ('E1'," + D("20261207") + ",NULL),('E2'," + D("20261208") +
      ",NULL),('E3'," + D("20200101") + "," + D("20261206") + "),('E4'," + D("20200101") + "," +
      D("20261207") + "),('E5'," + D("20200101") + ",NULL),('E5'," + D("20250101") + ",NULL)");
  struct {
    const char* pnr;
    int rc;
  } const kEmployed[] = {{"E1", 0}, {"E2", 1403},  {"E3", 1403},
                         {"E4", 0}, {"E5", -2112}, {"E9", 1403}};
  for (const auto& c : kEmployed) EXPECT_EQ(Bsv_Check(c.pnr), c.rc) << c.pnr;
}

TEST_P(LookupTables, NumberCountersInsideTheirWindow) {
  Sql("insert into Kvl591Nzp (NzpAkz,NzpGvn,NzpGbi,NzpAak,NzpMrk,NzpAan,NzpAus) values (1," +
      D("20261206") + "," + D("20261208") + ",11,12,100,'A1'),(2," + D("20261207") + "," +
      D("20271231") + ",0,0,0,''),(3," + D("20260101") + "," + D("20261207") + ",0,0,0,'')");
  struct {
    int32_t akz;
    int rc;
  } const kReads[] = {{1, 0}, {2, 1403}, {3, 1403}};  // the window's own days do not count
  for (const auto& c : kReads) {
    NzpRecord r;
    r.NzpAkz = c.akz;
    EXPECT_EQ(Nzp_PKeyRead(&r), c.rc) << c.akz;
    if (c.rc != 0) {
      EXPECT_EQ(r.NzpGvn, "") << "left alone";
    }
  }
  NzpRecord r;
  r.NzpAkz = 1;
  ASSERT_EQ(Nzp_PKeyRead(&r), 0);
  EXPECT_EQ(r.NzpGvn, "20261206");
  EXPECT_EQ(r.NzpGbi, "20261208");
  EXPECT_EQ(r.NzpAak, 11);
  EXPECT_EQ(r.NzpMrk, 12);
  EXPECT_EQ(r.NzpAus, "A1");

  r.NzpAan = 101;
  r.NzpNfh = 7;
  r.NzpAus = "A2";
  ASSERT_EQ(Nzp_PKeyUpd(&r), 0);
  EXPECT_EQ(Query("select NzpAan,NzpNfh,NzpAus,datetime(NzpAdt) from Kvl591Nzp where NzpAkz=1"),
            V{"101|7|A2|2026-12-07 10:00:00"});
  r.NzpGvn = "20261205";  // no such counter: nothing written, its savepoint undone
  EXPECT_EQ(Nzp_PKeyUpd(&r), 1403);
  EXPECT_EQ(db_->Executions("rollback  to Nzp_PKeyUpd_Sp"), 1);
  EXPECT_EQ(Scalar("select count(*) from Kvl591Nzp where NzpAan=101"), "1");
}

JF_ON_EVERY_BACKEND(LookupTables);

}  // namespace
}  // namespace jf
