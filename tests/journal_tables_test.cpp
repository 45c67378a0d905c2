// The order source and operation tables, the re-marking of an order's positions, and the
// download journal with its statistics and update ranges, against a real database file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/DbDb.h"
#include "db/DbDnl.h"
#include "db/sql/Status.h"
#include "platform/Env.h"
#include "support/FixedClockEnv.h"
#include "support/OrderRows.h"

namespace jf {
namespace {

using V = std::vector<std::string>;

class JournalTablesSite : public test::OrderRowsTest {
 protected:
  void SetUp() override {
    OrderRowsTest::SetUp();
    Env::Install(&clock_);
    PinServerClock(clock_);
    ConnectInProcess();
  }
  void Auk(const std::string& key) { InsertFull("Kvl500Auk", {{"AukApk", "'" + key + "'"}}); }
  void Afo(const std::string& apk, const std::string& app) {
    InsertFull("Kvl503Afo", {{"AfoApk", "'" + apk + "'"}, {"AfoApp", "'" + app + "'"}});
  }
  // The keys a walk delivers, with each fetch's status checked by the caller through rc.
  template <class R, class Fetch>
  static V Walk(Fetch fetch) {
    V keys;
    R r;
    for (int i = 0; i < 20 && fetch(&r) == 0; ++i) keys.push_back(KeyOf(r));
    return keys;
  }
  static std::string KeyOf(const AukRecord& r) { return std::string(r.AukApk.view()); }
  static std::string KeyOf(const AfoRecord& r) {
    return std::string(r.AfoApk.view()) + "/" + std::string(r.AfoApp.view());
  }
  // Every field of a journal line, in record order.
  static std::string Fields(const DnlRecord& r) {
    std::string out;
    for (std::string_view f : {r.date.view(), r.time.view()}) out.append(f) += '|';
    out += std::to_string(r.DnlLfn);
    for (std::string_view f : {r.DnlVkz.view(), r.DnlBer.view(), r.DnlFun.view(), r.DnlSkz.view(),
                               r.DnlPnr.view(), r.DnlApk.view(), r.DnlApp.view(), r.DnlApl.view(),
                               r.DnlDnl.view(), r.DnlDat.view(), r.DnlErf.view()}) {
      (out += '|').append(f);
    }
    return out;
  }
  static V AfoKeys(int selector) {
    return Walk<AfoRecord>([selector](AfoRecord* r) { return Afo_FetchRange(r, selector); });
  }

  test::FixedClockEnv clock_{Env::Default(), LocalTime{2026, 12, 7, 9, 30, 15}};
};

using JournalTables = test::OnEveryBackend<JournalTablesSite>;

// --- Order sources and operations ---

TEST_P(JournalTables, SourceRangeExcludesItsBoundsAndFillsEachFieldFromItsColumn) {
  for (const char* k : {"A", "B", "C", "D"}) Auk(k);
  ASSERT_EQ(Auk_OpenRange("A", "D"), 0);
  AukRecord r;
  ASSERT_EQ(Auk_FetchRange(&r), 0);
  // InsertFull gives each text its column tag and each number its column position.
  const std::pair<std::string_view, const char*> texts[] = {
      {r.AukApk, "B"},   {r.AukBz1, "Bz1"}, {r.AukBz2, "Bz2"}, {r.AukTxt, "Txt"}, {r.AukKun, "Kun"},
      {r.AukKb1, "Kb1"}, {r.AukKb2, "Kb2"}, {r.AukBgs, "Bgs"}, {r.AukEns, "Ens"}, {r.AukTnr, "Tnr"},
      {r.AukTb1, "Tb1"}, {r.AukTb2, "Tb2"}, {r.AukMee, "Mee"}, {r.AukZf1, "Zf1"}, {r.AukZf2, "Zf2"},
      {r.AukZf3, "Zf3"}, {r.AukFbe, "Fbe"}, {r.AukKst, "Kst"}};
  for (auto [got, want] : texts) EXPECT_EQ(got, want);
  EXPECT_EQ(r.AukSts, 5);
  EXPECT_EQ(r.AukAfo, 8);
  EXPECT_EQ(r.AukSme, 12.5);
  ASSERT_EQ(Auk_FetchRange(&r), 0);
  EXPECT_EQ(r.AukApk, "C");
  const AukRecord last = r;
  EXPECT_EQ(Auk_FetchRange(&r), 1403);
  EXPECT_EQ(std::memcmp(&last, &r, sizeof r), 0);
  EXPECT_EQ(Auk_CloseRange(), 0);

  ASSERT_EQ(Auk_OpenRange("B", "B"), 0);
  EXPECT_EQ(Auk_FetchRange(&r), 1403);
  EXPECT_EQ(Auk_CloseRange(), 0);
}

TEST_P(JournalTables, SourceWalkDeletingEveryFetchedRowSeesEachRowOnce) {
  for (const char* k : {"1", "2", "3", "4", "5"}) Auk(k);
  ASSERT_EQ(Auk_OpenRange("0", "9"), 0);
  const V seen = Walk<AukRecord>([](AukRecord* r) {
    const int rc = Auk_FetchRange(r);
    if (rc == 0) {
      EXPECT_EQ(Auk_PKeyDel(r->AukApk.c_str()), 0);
    }
    return rc;
  });
  EXPECT_EQ(seen, (V{"1", "2", "3", "4", "5"}));
  EXPECT_EQ(Auk_CloseRange(), 0);
  EXPECT_EQ(Scalar("select count(*) from Kvl500Auk"), "0");
  EXPECT_EQ(Auk_PKeyDel("1"), 1403);
}

TEST_P(JournalTables, OperationCursorsByOrderKeyBothWaysFieldsByColumn) {
  Afo("100", "10");
  Afo("200", "10");
  Afo("300", "10");
  Afo("300", "20");
  Afo("400", "10");
  ASSERT_EQ(Afo_OpenRange("100", "400", 1), 0);
  ASSERT_EQ(Afo_OpenRange("100", "400", 2), 0);  // both open at once
  V asc = AfoKeys(1);
  V desc = AfoKeys(2);
  ASSERT_EQ(asc.size(), 3u);
  EXPECT_EQ(asc[0], "200/10");
  EXPECT_EQ(desc.back(), "200/10");
  std::sort(asc.begin(), asc.end());
  std::sort(desc.begin(), desc.end());
  EXPECT_EQ(asc, desc);
  EXPECT_EQ(Afo_CloseRange(1), 0);
  EXPECT_EQ(Afo_CloseRange(2), 0);

  ASSERT_EQ(Afo_OpenRange("100", "300", 2), 0);
  AfoRecord r;
  ASSERT_EQ(Afo_FetchRange(&r, 2), 0);
  const std::pair<std::string_view, const char*> texts[] = {
      {r.AfoApk, "200"}, {r.AfoApp, "10"},  {r.AfoVaf, "Vaf"}, {r.AfoNaf, "Naf"}, {r.AfoBz1, "Bz1"},
      {r.AfoBz2, "Bz2"}, {r.AfoTxt, "Txt"}, {r.AfoBgs, "Bgs"}, {r.AfoBgz, "Bgz"}, {r.AfoEns, "Ens"},
      {r.AfoEnz, "Enz"}, {r.AfoMee, "Mee"}, {r.AfoApg, "Apg"}, {r.AfoApl, "Apl"}, {r.AfoZf1, "Zf1"},
      {r.AfoZf2, "Zf2"}, {r.AfoZf3, "Zf3"}, {r.AfoKst, "Kst"}, {r.AfoFbe, "Fbe"}};
  for (auto [got, want] : texts) EXPECT_EQ(got, want);
  const std::pair<double, double> numbers[] = {{r.AfoSts, 8},    {r.AfoAgs, 13},
                                               {r.AfoSme, 14.5}, {r.AfoSta, 16.5},
                                               {r.AfoStr, 17.5}, {r.AfoSte, 18.5}};
  for (auto [got, want] : numbers) EXPECT_EQ(got, want);
  EXPECT_EQ(Afo_FetchRange(&r, 2), 1403);
  EXPECT_EQ(Afo_CloseRange(2), 0);

  EXPECT_EQ(Afo_PKeyDel(&r), 0);
  EXPECT_EQ(Afo_PKeyDel(&r), 1403);
  EXPECT_EQ(Query("select AfoApk||'/'||AfoApp from Kvl503Afo where AfoApk in ('200','300')"),
            (V{"300/10", "300/20"}));
}

// A selector that names no cursor, and a cursor that is not open, always get the same status,
// whatever status the last statement left: a fetch loop handed either one ends.
TEST_P(JournalTables, MisusedOperationCursorsGetOneFixedStatus) {
  Afo("200", "10");
  ASSERT_EQ(Auk_PKeyDel("none"), 1403);  // leaves 1403 behind
  AfoRecord r;
  DnlRecord d;
  EXPECT_EQ(Afo_OpenRange("1", "9", 0), sql::kBadSelector);
  EXPECT_EQ(Afo_OpenRange("1", "9", 3), sql::kBadSelector);
  EXPECT_EQ(Afo_FetchRange(&r, -1), sql::kBadSelector);
  EXPECT_EQ(Afo_CloseRange(3), sql::kBadSelector);
  EXPECT_EQ(Afo_FetchRange(&r, 1), sql::kNotConnectedFetch);
  EXPECT_EQ(Afo_CloseRange(2), sql::kNotConnectedFetch);
  EXPECT_EQ(Dnl_Fetch(&d), sql::kNotConnectedFetch);
}

TEST_P(JournalTables, AppDelMarksEveryPositionOfTheOrderAndNothingElse) {
  for (const char* p : {"10", "20", "30"}) {
    InsertFull("Kvl504App", {{"AppApk", "'4711'"}, {"AppApp", "'" + std::string(p) + "'"}});
  }
  InsertFull("Kvl504App", {{"AppApk", "'4712'"}, {"AppApp", "'10'"}});
  const Row before = ReadRow("Kvl504App", "AppApk='4711' and AppApp='20'");
  const Row other = ReadRow("Kvl504App", "AppApk='4712'");
  AppRecord r;
  r.AppApk = "4711";
  r.AppApp = "99";  // plays no part
  r.AppDwn = "REQ1";
  r.AppDna = "AEN";
  ASSERT_EQ(Apk_AppDel(&r), 0);
  EXPECT_EQ(Query("select AppDwn||AppDna from Kvl504App where AppApk='4711'"),
            (V{"REQ1AEN", "REQ1AEN", "REQ1AEN"}));
  const Row after = ReadRow("Kvl504App", "AppApk='4711' and AppApp='20'");
  EXPECT_EQ(Differences(before, after), "AppDna,AppDwn");  // AppDat is not stamped
  EXPECT_EQ(Differences(other, ReadRow("Kvl504App", "AppApk='4712'")), "");

  r.AppApk = "4713";
  EXPECT_EQ(Apk_AppDel(&r), 1403);
}

// --- Download statistics ---

TEST_P(JournalTables, StatisticsRowInsertedUpdatedTwiceAndDeletedByItsDownloadDate) {
  DwnRecord r;
  r.DwnDtaDate = "20261207";
  r.DwnDtaTime = "081500";
  r.DwnApk = 1;
  r.DwnLoe = -7;
  r.DwnZf3 = "z";
  r.DwnErf = "REQ1";
  ASSERT_EQ(Dwn_PKeyIns(&r), 0);
  EXPECT_EQ(Dwn_PKeyIns(&r), -1);
  // Each update moves DwnDat on; the row is still found by its download date.
  for (int minute : {31, 32}) {
    clock_.Set(LocalTime{2026, 12, 7, 9, minute, 0});
    PinServerClock(clock_);
    r.DwnApp = minute;
    ASSERT_EQ(Dwn_PKeyUpd(&r), 0) << minute;
  }
  EXPECT_EQ(Query("select datetime(DwnDta),DwnApk,DwnApp,DwnLoe,DwnZf1 is null,DwnZf3,"
                  "datetime(DwnDat),DwnErf from Kvl542Dwn"),
            V{"2026-12-07 08:15:00|1|32|-7|1|z|2026-12-07 09:32:00|REQ1"});
  DwnRecord other = r;
  other.DwnErf = "REQ2";
  EXPECT_EQ(Dwn_PKeyUpd(&other), 1403);
  EXPECT_EQ(Dwn_PKeyDel(&other), 1403);
  ASSERT_EQ(Dwn_PKeyDel(&r), 0);
  EXPECT_EQ(Scalar("select count(*) from Kvl542Dwn"), "0");

  // A date without its time is the midnight of that day.
  r.DwnDtaTime.Clear();
  ASSERT_EQ(Dwn_PKeyIns(&r), 0);
  EXPECT_EQ(Scalar("select datetime(DwnDta) from Kvl542Dwn"), "2026-12-07 00:00:00");
}

// --- Download journal ---

TEST_P(JournalTables, JournalKeepsTheWholePayloadAndFindsLinesByTheirInstant) {
  DnlRecord app;
  app.date = "20000101";  // not stored: the line takes the database's time
  app.time = "000000";
  app.DnlLfn = 2;
  app.DnlVkz = "NEU";
  app.DnlBer = "BDE  ";
  app.DnlFun = "AEN";
  app.DnlSkz = "APP";
  app.DnlPnr = "        ";
  app.DnlApk = "4711";
  app.DnlApp = "10";
  app.DnlApl = "          ";
  std::string payload(257, ' ');
  for (std::size_t i = 0; i < payload.size(); i += 7) payload[i] = static_cast<char>('A' + i % 26);
  payload.back() = 'X';
  app.DnlDnl = payload;
  app.DnlErf = "REQ1";
  ASSERT_EQ(Dnl_PKeyIns(&app), 0);
  DnlRecord apk = app;
  apk.DnlLfn = 1;
  apk.DnlSkz = "APK";
  apk.DnlDnl = "header";
  ASSERT_EQ(Dnl_PKeyIns(&apk), 0);
  Sql("insert into Kvl540Dnl (DnlDta,DnlLfn,DnlBer,DnlSkz,DnlErf) values "
      "(julianday('2026-12-07 09:30:15'),3,'0123456789','ZZZ','REQ1')");
  apk.DnlErf = "REQ2";
  ASSERT_EQ(Dnl_PKeyIns(&apk), 0);

  ASSERT_EQ(Dnl_Open("20261207", "093015", "REQ1"), 0);
  DnlRecord r;
  r.DnlDat = "keep";
  ASSERT_EQ(Dnl_Fetch(&r), 0);
  EXPECT_EQ(r.DnlSkz, "APK");
  ASSERT_EQ(Dnl_Fetch(&r), 0);
  EXPECT_EQ(r.DnlDnl.view(), payload);
  EXPECT_EQ(Fields(r), "20261207|093015|2|NEU|BDE  |AEN|APP|        |4711|10|          |" +
                           payload + "|keep|REQ1");
  ASSERT_EQ(Dnl_Fetch(&r), 0);
  EXPECT_EQ(r.DnlBer, "01234");  // a wider value is cut to the field
  const DnlRecord last = r;
  EXPECT_EQ(Dnl_Fetch(&r), 1403);
  EXPECT_EQ(std::memcmp(&last, &r, sizeof r), 0);
  EXPECT_EQ(Dnl_Close(), 0);

  ASSERT_EQ(Dnl_Open("20261207", "093016", "REQ1"), 0);
  EXPECT_EQ(Dnl_Fetch(&r), 1403);
  EXPECT_EQ(Dnl_Close(), 0);

  // A delete finds the line only by the instant the database gave it.
  EXPECT_EQ(Dnl_PKeyDel(&app), 1403);
  app.date = "20261207";
  app.time = "093015";
  ASSERT_EQ(Dnl_PKeyDel(&app), 0);
  EXPECT_EQ(Query("select DnlLfn||DnlErf from Kvl540Dnl order by 1"),
            (V{"1REQ1", "1REQ2", "3REQ1"}));
}

// --- Update ranges ---

TEST_P(JournalTables, UpdateRangesReadBeforeAndAfterTheirReset) {
  UpdRecord r;
  r.UpdAkv = "stale";
  r.UpdKsb = "stale";
  EXPECT_EQ(Upd_PKeyRead(&r), 1403);
  const UpdRecord empty;  // texts only: no padding
  EXPECT_EQ(std::memcmp(&empty, &r, sizeof r), 0);
  EXPECT_EQ(Upd_PKeyUpd(), 1403);

  InsertFull("Kvl543Upd", {{"UpdKey", "'UPD'"}});
  ASSERT_EQ(Upd_PKeyRead(&r), 0);
  EXPECT_EQ(r.UpdAkv, "Akv");
  EXPECT_EQ(r.UpdApb, "Apb");
  EXPECT_EQ(r.UpdKsb, "Ksb");

  ASSERT_EQ(Upd_PKeyUpd(), 0);
  ASSERT_EQ(Upd_PKeyRead(&r), 0);
  const std::pair<const char*, std::size_t> widths[] = {
      {r.UpdAkv.c_str(), 12}, {r.UpdAkb.c_str(), 12}, {r.UpdAav.c_str(), 12},
      {r.UpdAab.c_str(), 12}, {r.UpdApv.c_str(), 5},  {r.UpdApb.c_str(), 5},
      {r.UpdAlv.c_str(), 10}, {r.UpdAlb.c_str(), 10}, {r.UpdAgv.c_str(), 10},
      {r.UpdAgb.c_str(), 10}, {r.UpdUgv.c_str(), 5},  {r.UpdUgb.c_str(), 5},
      {r.UpdAuv.c_str(), 5},  {r.UpdAub.c_str(), 5},  {r.UpdPvv.c_str(), 8},
      {r.UpdPvb.c_str(), 8},  {r.UpdKsv.c_str(), 5},  {r.UpdKsb.c_str(), 5}};
  for (std::size_t i = 0; i < std::size(widths); ++i) {
    EXPECT_EQ(std::string(widths[i].first), std::string(widths[i].second, ' ')) << "field " << i;
  }
  EXPECT_EQ(Query("select datetime(UpdDat),UpdErf from Kvl543Upd"),
            V{"2026-12-07 09:30:15|Download"});
}

JF_ON_EVERY_BACKEND(JournalTables);

}  // namespace
}  // namespace jf
