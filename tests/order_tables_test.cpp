// The order download cursors and the table access of the order header and order position tables,
// against a real database, through every backend.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "db/DbDnl.h"
#include "db/Dbstd.h"
#include "support/OrderRows.h"

namespace jf {
namespace {

class OrderTablesSite : public test::OrderRowsTest {
 protected:
  void SetUp() override {
    OrderRowsTest::SetUp();
    ConnectInProcess();
  }
  void Apk(const std::string& key, const Row& more = {}) {
    Row o = more;
    o["ApkApk"] = "'" + key + "'";
    InsertFull("Kvl501Apk", o);
  }
  void App(const std::string& apk, const std::string& app, const Row& more = {}) {
    Row o = more;
    o["AppApk"] = "'" + apk + "'";
    o["AppApp"] = "'" + app + "'";
    InsertFull("Kvl504App", o);
  }
  template <typename Fetch>
  static std::vector<std::string> Keys(Fetch fetch) {
    std::vector<std::string> keys;
    for (int i = 0; i < 20; ++i) {
      std::string key;
      if (fetch(&key) != 0) break;
      keys.push_back(key);
    }
    return keys;
  }
  static std::vector<std::string> ApkDnlKeys() {
    return Keys([](std::string* k) {
      ApkRecord r;
      int rc = Apk_FetchDnl(&r);
      *k = std::string(r.ApkApk.view()) + "/" + std::string(r.ApkFbe.view());
      return rc;
    });
  }
  static std::vector<std::string> CfgTerminals(const char* area) {
    EXPECT_EQ(Cfg_Open(area), 0);
    auto keys = Keys([](std::string* k) {
      CfgRecord r;
      int rc = Cfg_Fetch(&r);
      *k = std::to_string(r.CfgDta);
      return rc;
    });
    EXPECT_EQ(Cfg_Close(), 0);
    return keys;
  }
  static std::vector<std::string> AppRangeKeys(int kind) {
    return Keys([kind](std::string* k) {
      AppRecord r;
      int rc = kind == 0 ? App_FetchRangeSts(&r) : App_FetchRange(&r, kind);
      *k = std::string(r.AppApk.view()) + "/" + std::string(r.AppApp.view());
      return rc;
    });
  }
  // "yyyymmdd" as datetime() shows the midnight of that day.
  static std::string Midnight(const std::string& d) {
    return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + " 00:00:00";
  }
  using V = std::vector<std::string>;
};

using OrderTables = test::OnEveryBackend<OrderTablesSite>;

// --- Download cursors ---

TEST_P(OrderTables, DownloadCursorSelectsTheMarkerExactlyByArea) {
  Apk("A1", {{"ApkDwn", "'REQ1'"}, {"ApkFbe", "'F2'"}});
  Apk("A2", {{"ApkDwn", "'REQ1'"}, {"ApkFbe", "'F1'"}});
  Apk("A3", {{"ApkDwn", "'REQ10'"}, {"ApkFbe", "'F0'"}});
  Apk("A4", {{"ApkDwn", "NULL"}, {"ApkFbe", "'F0'"}});
  ASSERT_EQ(Apk_OpenDnl("REQ1"), 0);
  EXPECT_EQ(ApkDnlKeys(), (V{"A2/F1", "A1/F2"}));
  EXPECT_EQ(Apk_CloseDnl(), 0);
  // An empty requester is bound as NULL and never matches an unmarked row.
  ASSERT_EQ(Apk_OpenDnl(""), 0);
  EXPECT_EQ(ApkDnlKeys(), V{});
  EXPECT_EQ(Apk_CloseDnl(), 0);
}

TEST_P(OrderTables, DownloadFetchDeliversEveryHeaderColumnAndLeavesRecordAtTheEnd) {
  Apk("4711", {{"ApkDwn", "'REQ1'"}, {"ApkSts", "-1"}, {"ApkSis", "-32768"}});
  ASSERT_EQ(Apk_OpenDnl("REQ1"), 0);
  ApkRecord r;
  ASSERT_EQ(Apk_FetchDnl(&r), 0);
  EXPECT_EQ(r.ApkApk, "4711");
  EXPECT_EQ(r.ApkSts, -1);
  EXPECT_EQ(r.ApkSis, -32768);
  EXPECT_EQ(r.ApkBgs, InstantDate(10));
  EXPECT_EQ(r.ApkAfo, 12);
  EXPECT_EQ(r.ApkIme, 18.5);
  EXPECT_EQ(r.ApkBdiDate, InstantDate(20));
  EXPECT_EQ(r.ApkBdiTime, InstantTime(20));
  EXPECT_EQ(r.ApkEdiTime, InstantTime(21));
  EXPECT_EQ(r.ApkKnz, "K");
  EXPECT_EQ(r.ApkSsn, 28);
  EXPECT_EQ(r.ApkDna, "Dna");
  EXPECT_EQ(r.ApkDwn, "REQ1");
  EXPECT_EQ(r.ApkSta, 31);
  EXPECT_EQ(r.ApkDat, InstantDate(32) + InstantTime(32));
  EXPECT_EQ(r.ApkErf, "Erf");
  EXPECT_EQ(r.ApkAba, 34);
  const ApkRecord before = r;
  EXPECT_EQ(Apk_FetchDnl(&r), 1403);
  EXPECT_EQ(std::memcmp(&before, &r, sizeof r), 0);
  EXPECT_EQ(Apk_CloseDnl(), 0);
}

TEST_P(OrderTables, PositionDownloadFetchPutsTheTailColumnsInRecordOrder) {
  App("4711", "10", {{"AppDwn", "'REQ1'"}, {"AppSts", "-1"}});
  App("4711", "20", {{"AppDwn", "'REQ2'"}});
  ASSERT_EQ(App_OpenDnl("REQ1"), 0);
  AppRecord r;
  ASSERT_EQ(App_FetchDnl(&r), 0);
  EXPECT_EQ(r.AppApp, "10");
  EXPECT_EQ(r.AppSts, -1);
  EXPECT_EQ(r.AppRedDate, InstantDate(17));
  EXPECT_EQ(r.AppRedTime, InstantTime(17));
  EXPECT_EQ(r.AppIte, 30.5);
  EXPECT_EQ(r.AppKz4, "Kz4");
  EXPECT_EQ(r.AppKnz, "K");
  EXPECT_EQ(r.AppSsn, 47);
  EXPECT_EQ(r.AppDna, "Dna");
  EXPECT_EQ(r.AppDwn, "REQ1");
  EXPECT_EQ(r.AppSta, 50);
  EXPECT_EQ(r.AppDat, InstantDate(51) + InstantTime(51));
  EXPECT_EQ(r.AppErf, "Erf");
  EXPECT_EQ(App_FetchDnl(&r), 1403);
  EXPECT_EQ(App_CloseDnl(), 0);
}

TEST_P(OrderTables, TerminalRangesAreInclusiveLowestTerminalFirstOnlyFirstTwoRanges) {
  AddTerminal(5, "10.0.0.5", "3000", "F10", "F20");
  Sql("insert into Kvl557Cfg (CfgDta,CfgVn2,CfgBi2) values (3,'F15','F15')");
  Sql("insert into Kvl557Cfg (CfgDta,CfgVn3,CfgBi3,CfgVn5,CfgBi5) values (1,'F90','F99','X','Y')");
  EXPECT_EQ(CfgTerminals("F10"), V{"5"});
  EXPECT_EQ(CfgTerminals("F20"), V{"5"});
  EXPECT_EQ(CfgTerminals("F15"), (V{"3", "5"}));
  EXPECT_EQ(CfgTerminals("F95"), V{});
  EXPECT_EQ(CfgTerminals("X"), V{});
  ASSERT_EQ(Cfg_Open("F12"), 0);
  CfgRecord r;
  ASSERT_EQ(Cfg_Fetch(&r), 0);
  EXPECT_EQ(r.CfgIP, "10.0.0.5");
  EXPECT_EQ(r.CfgPrt, "3000");
  EXPECT_EQ(r.CfgBi1, "F20");
  EXPECT_EQ(Cfg_Close(), 0);
}

// --- Order header table ---

TEST_P(OrderTables, HeaderKeyReadMissKeepsOnlyTheKey) {
  ApkRecord r;
  r.ApkApk = "4712";
  r.ApkBz1 = "old";
  r.ApkSts = 3;
  r.ApkSme = 1.5;
  r.ApkDat = "20260101000000";
  EXPECT_EQ(Apk_PKeyRead(&r), 1403);
  ApkRecord expected;
  expected.ApkApk = "4712";
  EXPECT_EQ(std::memcmp(&expected, &r, sizeof r), 0);
}

TEST_P(OrderTables, HeaderKeyReadKeepsApkDat) {
  Apk("4711", {{"ApkSsn", "-2"}});
  ApkRecord r;
  r.ApkApk = "4711";
  r.ApkDat = "keep";
  ASSERT_EQ(Apk_PKeyRead(&r), 0);
  EXPECT_EQ(r.ApkDat, "keep");
  EXPECT_EQ(r.ApkSsn, -2);
  EXPECT_EQ(r.ApkDna, "Dna");
  EXPECT_EQ(r.ApkDwn, "Dwn");
  EXPECT_EQ(r.ApkAba, 34);
}

TEST_P(OrderTables, HeaderUpdateRewritesOnlyTheChangedColumnAndTheChangeTime) {
  Apk("4711");
  const Row before = ReadRow("Kvl501Apk", "ApkApk='4711'");
  ApkRecord r;
  r.ApkApk = "4711";
  ASSERT_EQ(Apk_PKeyRead(&r), 0);
  r.ApkSts = 65536 + 7;  // only the low 16 bits reach the column
  r.ApkDat = "19990101000000";
  ASSERT_EQ(Apk_PKeyUpd(&r), 0);
  const Row after = ReadRow("Kvl501Apk", "ApkApk='4711'");
  EXPECT_EQ(Differences(before, after), "ApkDat,ApkSts");
  EXPECT_EQ(after.at("ApkSts"), "7");
  std::tm t{};  // the change time is the database's clock, now
  ASSERT_EQ(std::sscanf(after.at("ApkDat").c_str(), "%d-%d-%d %d:%d:%d", &t.tm_year, &t.tm_mon,
                        &t.tm_mday, &t.tm_hour, &t.tm_min, &t.tm_sec),
            6);
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  t.tm_isdst = -1;
  EXPECT_LT(std::abs(std::difftime(std::mktime(&t), std::time(nullptr))), 60);
}

TEST_P(OrderTables, HeaderUpdateJoinsDateAndTimeAndStoresEmptyPairsAsNull) {
  Apk("4711");
  ApkRecord r;
  r.ApkApk = "4711";
  ASSERT_EQ(Apk_PKeyRead(&r), 0);
  r.ApkBdiDate.Clear();
  r.ApkBdiTime.Clear();
  r.ApkEdiDate = "20261207";
  r.ApkEdiTime.Clear();
  r.ApkBgs.Clear();
  ASSERT_EQ(Apk_PKeyUpd(&r), 0);
  EXPECT_EQ(Query("select ApkBdi is null, datetime(ApkEdi), ApkBgs is null from Kvl501Apk"),
            V{"1|2026-12-07 00:00:00|1"});
}

TEST_P(OrderTables, HeaderWritesOfMissingKeysAre1403AndChangeNothing) {
  Apk("4711");
  const Row before = ReadRow("Kvl501Apk", "1=1");
  ApkRecord r;
  r.ApkApk = "4711";
  ASSERT_EQ(Apk_PKeyRead(&r), 0);
  r.ApkApk = "4712";
  EXPECT_EQ(Apk_PKeyUpd(&r), 1403);
  EXPECT_EQ(Apk_PKeyDel("4712"), 1403);
  EXPECT_EQ(Scalar("select count(*) from Kvl501Apk"), "1");
  EXPECT_EQ(Differences(before, ReadRow("Kvl501Apk", "1=1")), "");
}

TEST_P(OrderTables, HeaderInsertLeavesInstantsEmptyAndDuplicateIsRolledBack) {
  ApkRecord r;
  r.ApkApk = "4711";
  r.ApkBdiDate = "20261207";
  r.ApkBdiTime = "101112";
  r.ApkBgs = "20261201";
  r.ApkSts = -1;
  ASSERT_EQ(Apk_PKeyIns(&r), 0);
  EXPECT_EQ(Query("select ApkBdi is null, datetime(ApkBgs), ApkSts, ApkDat is not null, ApkBz1 "
                  "is null from Kvl501Apk"),
            V{"1|2026-12-01 00:00:00|-1|1|1"});
  r.ApkSts = 5;
  EXPECT_EQ(Apk_PKeyIns(&r), -1);
  EXPECT_EQ(Scalar("select ApkSts from Kvl501Apk"), "-1");
  EXPECT_EQ(Apk_PKeyDel("4711"), 0);
  EXPECT_EQ(Scalar("select count(*) from Kvl501Apk"), "0");
}

TEST_P(OrderTables, HeaderRangeExcludesBoundsInBothDirections) {
  for (const char* k : {"A", "B", "C", "D"}) Apk(k, {{"ApkDwn", "'W'"}, {"ApkDna", "'N'"}});
  auto walk = [](int kind) {
    return Keys([kind](std::string* k) {
      ApkRecord r;
      int rc = Apk_FetchRange(&r, kind);
      *k = std::string(r.ApkApk.view()) + r.ApkDwn.c_str() + r.ApkDna.c_str();
      return rc;
    });
  };
  ASSERT_EQ(Apk_OpenRange("A", "D", 1), 0);
  ASSERT_EQ(Apk_OpenRange("A", "D", 2), 0);  // both kinds open at once
  EXPECT_EQ(walk(1), (V{"BWN", "CWN"}));
  EXPECT_EQ(walk(2), (V{"CWN", "BWN"}));
  ApkRecord r;
  r.ApkApk = "keep";
  r.ApkDat = "keep";
  EXPECT_EQ(Apk_FetchRange(&r, 1), 1403);
  EXPECT_EQ(r.ApkApk, "keep");
  EXPECT_EQ(Apk_CloseRange(1), 0);
  EXPECT_EQ(Apk_CloseRange(2), 0);
  ASSERT_EQ(Apk_OpenRange("A", "C", 1), 0);
  ASSERT_EQ(Apk_FetchRange(&r, 1), 0);
  EXPECT_EQ(r.ApkApk, "B");
  EXPECT_EQ(r.ApkDat, "keep");
  EXPECT_EQ(Apk_CloseRange(1), 0);

  EXPECT_EQ(Apk_OpenRange("A", "D", 3), kBadRangeKind);
  EXPECT_EQ(Apk_FetchRange(&r, 0), kBadRangeKind);
  EXPECT_EQ(Apk_CloseRange(3), kBadRangeKind);
  EXPECT_EQ(r.ApkApk, "B");
}

// --- Order position table ---

TEST_P(OrderTables, PositionKeyReadMissKeepsOnlyTheKey) {
  App("4711", "10");
  AppRecord r;
  r.AppApk = "4711";
  r.AppApp = "20";
  r.AppSts = 4;
  r.AppDat = "20260101000000";
  r.AppErf = "x";
  EXPECT_EQ(App_PKeyRead(&r), 1403);
  AppRecord expected;
  expected.AppApk = "4711";
  expected.AppApp = "20";
  EXPECT_EQ(std::memcmp(&expected, &r, sizeof r), 0);
}

TEST_P(OrderTables, PositionUpdateRewritesOnlyTheChangedColumnAndTheChangeTime) {
  App("4711", "10");
  App("4711", "20");
  const Row before = ReadRow("Kvl504App", "AppApp='10'");
  const Row other = ReadRow("Kvl504App", "AppApp='20'");
  AppRecord r;
  r.AppApk = "4711";
  r.AppApp = "10";
  ASSERT_EQ(App_PKeyRead(&r), 0);
  EXPECT_EQ(r.AppDat, InstantDate(51) + InstantTime(51));
  r.AppSts = -3;
  ASSERT_EQ(App_PKeyUpd(&r), 0);
  const Row after = ReadRow("Kvl504App", "AppApp='10'");
  EXPECT_EQ(Differences(before, after), "AppDat,AppSts");
  EXPECT_EQ(after.at("AppSts"), "-3");
  EXPECT_EQ(Differences(other, ReadRow("Kvl504App", "AppApp='20'")), "");

  r.AppSbdDate.Clear();
  r.AppSbdTime.Clear();
  r.AppRadTime.Clear();
  ASSERT_EQ(App_PKeyUpd(&r), 0);
  EXPECT_EQ(Query("select AppSbd is null, datetime(AppRad) from Kvl504App where AppApp='10'"),
            V{"1|" + Midnight(InstantDate(16))});

  r.AppApp = "30";
  EXPECT_EQ(App_PKeyUpd(&r), 1403);
  EXPECT_EQ(App_PKeyDel(&r), 1403);
  EXPECT_EQ(Scalar("select count(*) from Kvl504App"), "2");
}

TEST_P(OrderTables, PositionInsertWritesInstantsAndDeleteRemovesOnlyItsKey) {
  AppRecord r;
  r.AppApk = "4711";
  r.AppApp = "10";
  r.AppBdiDate = "20261207";
  r.AppBdiTime = "101112";
  r.AppSsn = 70000;  // low 16 bits
  ASSERT_EQ(App_PKeyIns(&r), 0);
  r.AppApp = "20";
  ASSERT_EQ(App_PKeyIns(&r), 0);
  EXPECT_EQ(App_PKeyIns(&r), -1);
  EXPECT_EQ(Query("select datetime(AppBdi), AppSsn, AppDat is not null from Kvl504App where "
                  "AppApp='10'"),
            V{"2026-12-07 10:11:12|4464|1"});
  ASSERT_EQ(App_PKeyDel(&r), 0);
  EXPECT_EQ(Query("select AppApp from Kvl504App"), V{"10"});
}

TEST_P(OrderTables, PositionInsertOfAReadRowRestoresEveryColumnButTheChangeTime) {
  App("4711", "10");
  const Row full = ReadRow("Kvl504App", "1=1");
  AppRecord r;
  r.AppApk = "4711";
  r.AppApp = "10";
  ASSERT_EQ(App_PKeyRead(&r), 0);
  ASSERT_EQ(App_PKeyDel(&r), 0);
  ASSERT_EQ(App_PKeyIns(&r), 0);
  EXPECT_EQ(Differences(full, ReadRow("Kvl504App", "1=1")), "AppDat");
}

TEST_P(OrderTables, PositionCountAndCursorByZf2) {
  App("1", "10", {{"AppZf2", "'Z'"}});
  App("2", "10", {{"AppZf2", "'Z'"}});
  int32_t count = -1;
  EXPECT_EQ(App_CountZf2("Z", &count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(App_CountZf2("none", &count), 0);
  EXPECT_EQ(count, 0);
  ASSERT_EQ(App_OpenZf2("Z"), 0);
  AppRecord r;
  ASSERT_EQ(App_FetchZf2(&r), 0);
  ASSERT_EQ(App_FetchZf2(&r), 0);
  const AppRecord last = r;
  EXPECT_EQ(App_FetchZf2(&r), 1403);
  EXPECT_EQ(std::memcmp(&last, &r, sizeof r), 0);
  EXPECT_EQ(App_CloseZf2(), 0);
}

TEST_P(OrderTables, PositionRangesAsTheirConditionsStand) {
  for (const char* p : {"05", "10", "20", "30", "40"}) App("100", p);
  Sql("update Kvl504App set AppSts=9 where AppApp='20'");
  App("050", "10");
  App("200", "10");
  App("200", "20");
  App("300", "10");

  // Kind 1: the lower position key plays no part, every greater order qualifies.
  ASSERT_EQ(App_OpenRange("100", "10", "100", "30", 1), 0);
  EXPECT_EQ(AppRangeKeys(1), (V{"100/05", "100/10", "100/20", "200/10", "200/20", "300/10"}));
  // At the end the record holds the key of the last row delivered and nothing else.
  AppRecord r;
  r.AppSts = 5;
  EXPECT_EQ(App_FetchRange(&r, 1), 1403);
  EXPECT_EQ(r.AppApk, "300");
  EXPECT_EQ(r.AppApp, "10");
  EXPECT_EQ(r.AppSts, 0);
  EXPECT_TRUE(r.AppBz1.empty());
  EXPECT_EQ(App_CloseRange(1), 0);

  // Kind 2: only the order key, exclusive, positions descending.
  ASSERT_EQ(App_OpenRange("100", "", "300", "", 2), 0);
  EXPECT_EQ(AppRangeKeys(2), (V{"200/20", "200/10"}));
  EXPECT_EQ(App_CloseRange(2), 0);

  // Skipping a status: both composite bounds inclusive.
  ASSERT_EQ(App_OpenRangeSts("100", "10", "100", "30", 9), 0);
  EXPECT_EQ(AppRangeKeys(0), (V{"100/10", "100/30"}));
  EXPECT_EQ(App_CloseRangeSts(), 0);
  ASSERT_EQ(App_OpenRangeSts("050", "10", "200", "10", 0), 0);
  EXPECT_EQ(AppRangeKeys(0),
            (V{"050/10", "100/05", "100/10", "100/20", "100/30", "100/40", "200/10"}));
  EXPECT_EQ(App_CloseRangeSts(), 0);

  EXPECT_EQ(App_OpenRange("100", "10", "100", "30", 3), kBadRangeKind);
  EXPECT_EQ(App_FetchRange(&r, 3), kBadRangeKind);
  EXPECT_EQ(App_CloseRange(0), kBadRangeKind);
}

JF_ON_EVERY_BACKEND(OrderTables);

}  // namespace
}  // namespace jf
