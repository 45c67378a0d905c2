// jobfeed-admin resend-order and journal, run as an operator runs them: the real binary in the
// working directory of a site, connecting through the site's login file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/OrderRows.h"

namespace jf {
namespace {

using V = std::vector<std::string>;

class AdminOrdersSite : public test::OrderRowsTest {
 protected:
  int Admin(const V& args, std::string* out) {
    out->clear();
    return test::RunCommand(JOBFEED_ADMIN_BIN, args, out);
  }
  V Marks() {
    return Query(
        "select AppApp||':'||ifnull(AppDwn,'-')||':'||ifnull(AppDna,'-') from Kvl504App order by "
        "1");
  }
};

using AdminOrders = test::OnEveryBackend<AdminOrdersSite>;

TEST_P(AdminOrders, ResendOrderMarksEveryPositionAndTheNextRunSendsThem) {
  AddTerminal(3, "10.0.0.3", "4001", "100", "199");
  InsertFull("Kvl501Apk", {{"ApkApk", "'4711'"}, {"ApkFbe", "'150'"}});
  for (const char* p : {"10", "20"}) {
    InsertFull("Kvl504App", {{"AppApk", "'4711'"},
                             {"AppApp", "'" + std::string(p) + "'"},
                             {"AppFbe", "'150'"},
                             {"AppDwn", "NULL"}});
  }
  std::string out;
  ASSERT_EQ(Admin({"resend-order", "4711", "REQ1"}, &out), 0) << out;
  EXPECT_EQ(out,
            "marked\t10\t-\tDna\tREQ1\tAEN\nmarked\t20\t-\tDna\tREQ1\tAEN\n"
            "order 4711: 2 marked for REQ1, 0 kept, 0 left for other requesters\n");
  EXPECT_EQ(Marks(), (V{"10:REQ1:AEN", "20:REQ1:AEN"}));

  // The run names position 10 only; position 20 goes out because it was marked.
  ASSERT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  const std::string lines = test::ReadBytes(buffer_file(3));
  EXPECT_EQ(lines.size(), 3u * 552) << lines;
  EXPECT_NE(lines.find("APP"), std::string::npos);
  EXPECT_NE(lines.find("4711        20   "), std::string::npos) << lines;
  EXPECT_EQ(Scalar("select count(*) from Kvl504App where AppDwn is not null"), "0");
  EXPECT_EQ(Scalar("select count(*) from Kvl540Dnl"), "0");  // no journal unless asked for
}

TEST_P(AdminOrders, ResendOrderRefusesWhatItCannotDoAndChangesNothingThen) {
  for (const char* p : {"10", "20"}) {
    InsertFull("Kvl504App", {{"AppApk", "'4711'"}, {"AppApp", "'" + std::string(p) + "'"}});
  }
  struct Case {
    V args;
    int exit;
    const char* says;
    V marks;
  };
  const V untouched = {"10:Dwn:Dna", "20:Dwn:Dna"};
  const Case cases[] = {
      {{"4711", "REQ1", "LOE"}, 2, "add --yes", untouched},
      {{"4711", "REQ1", "NEW"}, 2, "KIND is NEU, AEN, STA or LOE", untouched},
      {{"4711", "REQUESTR9"}, 2, "REQUESTER has 1 to 8 characters", untouched},
      {{"4711000000000", "REQ1"}, 2, "ORDER has 1 to 12 characters", untouched},
      {{"4711"}, 2, "ORDER and REQUESTER are needed", untouched},
      {{"4799", "REQ1"}, 1, "order 4799 has no positions", untouched},
      {{"4711", "REQ1", "--position", "30"}, 1, "order 4711 has no position 30", untouched},
      {{"4711", "REQ2", "--take", "--position"}, 2, "--position needs", untouched},
      {{"4711", "REQ2", "LOE", "--yes", "--take"},
       0,
       "2 marked for REQ2",
       {"10:REQ2:LOE", "20:REQ2:LOE"}},
  };
  for (const Case& c : cases) {
    V args = {"resend-order"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::string out;
    EXPECT_EQ(Admin(args, &out), c.exit) << c.says << "\n" << out;
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
    EXPECT_EQ(Marks(), c.marks) << c.says;
  }
}

// Each rule over one order whose positions stand as a site's do: unmarked, pending first send
// and withdrawal, due for another requester, a change already due. Only marker and kind move.
TEST_P(AdminOrders, ResendOrderLosesNothingPending) {
  InsertFull("Kvl501Apk", {{"ApkApk", "'4711'"}, {"ApkDwn", "NULL"}, {"ApkDna", "NULL"}});
  const char* rows[][3] = {{"10", "NULL", "NULL"},
                           {"20", "'REQ1'", "'NEU'"},
                           {"30", "'REQ1'", "'LOE'"},
                           {"40", "'OTHER'", "'NEU'"},
                           {"50", "'REQ1'", "'STA'"}};
  for (auto& r : rows) {
    InsertFull("Kvl504App", {{"AppApk", "'4711'"},
                             {"AppApp", std::string("'") + r[0] + "'"},
                             {"AppDwn", r[1]},
                             {"AppDna", r[2]},
                             {"AppBz1", "'\xC5\x81\xC3\xB3\x64\xC5\xBA \xE2\x98\x83'"}});
  }
  const V before = {"10:-:-", "20:REQ1:NEU", "30:REQ1:LOE", "40:OTHER:NEU", "50:REQ1:STA"};
  const V untouched = Query("select AppApp||AppBz1||AppDat||AppErf from Kvl504App order by 1");
  struct Case {
    V args;
    int exit;
    V says;  // lines of the output, each found in it
    V marks;
  };
  const Case cases[] = {
      {{"REQ1", "--dry-run"},
       1,
       {"would-mark\t10\t-\t-\tREQ1\tAEN\n", "kept\t20\tREQ1\tNEU\tREQ1\tNEU\n",
        "kept\t30\tREQ1\tLOE\tREQ1\tLOE\n", "left\t40\tOTHER\tNEU\tOTHER\tNEU\n",
        "would-mark\t50\tREQ1\tSTA\tREQ1\tAEN\n", "dry run, nothing changed"},
       before},
      {{"req1"}, 2, {"differs only in letter case from REQ1"}, before},
      {{"REQ1"},
       1,
       {"marked\t10\t", "marked\t50\t", "2 marked for REQ1, 2 kept, 1 left"},
       {"10:REQ1:AEN", "20:REQ1:NEU", "30:REQ1:LOE", "40:OTHER:NEU", "50:REQ1:AEN"}},
      {{"REQ1", "--take", "--position", "40", "--with-header"},
       0,
       {"marked\theader\t-\t-\tREQ1\tAEN\n", "marked\t40\tOTHER\tNEU\tREQ1\tNEU\n"},
       {"10:REQ1:AEN", "20:REQ1:NEU", "30:REQ1:LOE", "40:REQ1:NEU", "50:REQ1:AEN"}},
      {{"REQ1", "LOE", "--yes", "--position", "20"},
       0,
       {"marked\t20\tREQ1\tNEU\tREQ1\tLOE\n"},
       {"10:REQ1:AEN", "20:REQ1:LOE", "30:REQ1:LOE", "40:REQ1:NEU", "50:REQ1:AEN"}},
      {{"req1", "--new-requester", "--position", "10"},
       1,
       {"left\t10\tREQ1\tAEN\tREQ1\tAEN\n"},
       {"10:REQ1:AEN", "20:REQ1:LOE", "30:REQ1:LOE", "40:REQ1:NEU", "50:REQ1:AEN"}},
  };
  for (const Case& c : cases) {
    V args = {"resend-order", "4711"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::string out;
    EXPECT_EQ(Admin(args, &out), c.exit) << c.args[0] << "\n" << out;
    for (const std::string& line : c.says) EXPECT_NE(out.find(line), std::string::npos) << out;
    EXPECT_EQ(Marks(), c.marks) << out;
  }
  EXPECT_EQ(Scalar("select ApkDwn||':'||ApkDna from Kvl501Apk"), "REQ1:AEN");
  EXPECT_EQ(Query("select AppApp||AppBz1||AppDat||AppErf from Kvl504App order by 1"), untouched);
}

// With JOBFEED_JOURNAL=1 a run journals every line it writes and its figures; the journal lists
// the runs. A database without the journal table still gets its lines, and one message.
TEST_P(AdminOrders, JournalRecordsEveryLineARunWrites) {
  struct Journal {
    Journal() { ::setenv("JOBFEED_JOURNAL", "1", 1); }
    ~Journal() { ::unsetenv("JOBFEED_JOURNAL"); }
  } on;
  AddTerminal(3, "10.0.0.3", "4001", "100", "199");
  InsertFull(
      "Kvl501Apk",
      {{"ApkApk", "'4711'"}, {"ApkFbe", "'150'"}, {"ApkDwn", "'REQ1'"}, {"ApkDna", "'AEN'"}});
  for (const char* p : {"10", "20"}) {
    InsertFull("Kvl504App", {{"AppApk", "'4711'"},
                             {"AppApp", "'" + std::string(p) + "'"},
                             {"AppFbe", "'150'"},
                             {"AppDwn", "'REQ1'"},
                             {"AppDna", p[0] == '1' ? "'NEU'" : "'AEN'"}});
  }
  ASSERT_EQ(RunJobfeedBinary({"REQ1", "4799", "10", "BEGIN"}), 0);
  const std::string lines = test::ReadBytes(buffer_file(3));
  ASSERT_EQ(lines.size(), 3u * 552);
  EXPECT_EQ(Query("select DnlSkz||':'||trim(DnlApk)||':'||trim(ifnull(DnlApp,''))||':'||DnlFun||"
                  "':'||DnlErf from Kvl540Dnl order by 1"),
            (V{"APK:4711::AEN:REQ1", "APP:4711:10:NEU:REQ1", "APP:4711:20:AEN:REQ1"}));
  for (const std::string& payload : Query("select DnlDnl from Kvl540Dnl")) {
    const std::size_t at = lines.find(payload);
    EXPECT_TRUE(at != std::string::npos && at % 552 == 111) << payload;
  }
  EXPECT_EQ(Scalar("select DwnApk||':'||DwnApp||':'||DwnNeu||':'||DwnAen||':'||DwnLoe||':'||"
                   "DwnErf from Kvl542Dwn"),
            "1:2:1:2:0:REQ1");

  std::string out;
  ASSERT_EQ(Admin({"journal", "REQ1"}, &out), 0) << out;
  EXPECT_EQ(out.rfind("run\t", 0), 0u) << out;
  EXPECT_NE(out.find("\tAPK=1\tAPP=2\tNEU=1\tAEN=2\tLOE=0\n"), std::string::npos) << out;
  // Each instant the journal stamped, with its lines; together the run's three.
  int journalled = 0;
  for (std::size_t p = out.find("lines\t"); p != std::string::npos;
       p = out.find("lines\t", p + 1)) {
    journalled += std::stoi(out.substr(p + 22));
  }
  EXPECT_EQ(journalled, 3) << out;
  ASSERT_EQ(Admin({"journal", "REQ2"}, &out), 0);
  EXPECT_EQ(out, "no runs\n");

  Sql("drop table Kvl540Dnl");
  Sql("update Kvl504App set AppDwn='REQ1', AppDna='AEN' where AppApp='20'");
  ASSERT_EQ(RunJobfeedBinary({"REQ1", "4799", "10", "BEGIN"}), 0);
  EXPECT_EQ(test::ReadBytes(buffer_file(3)).size(), 4u * 552);
  EXPECT_EQ(Scalar("select count(*) from Kvl504App where AppDwn is not null"), "0");
  const auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function + "|" + m[0].code, "Dnl_PKeyIns|-942");
  EXPECT_EQ(Admin({"journal", "REQ1"}, &out), 1);
  EXPECT_NE(out.find("-942"), std::string::npos) << out;
}

TEST_P(AdminOrders, JournalListsTheLinesOfOneInstantFieldByField) {
  Sql("insert into Kvl540Dnl (DnlDta,DnlLfn,DnlVkz,DnlBer,DnlFun,DnlSkz,DnlApk,DnlApp,DnlDnl,"
      "DnlErf) values "
      "(julianday('2026-12-07 09:30:15'),2,'NEU','BDE','AEN','APP','4711','10',"
      "'4711        10   Drehen','REQ1'),"
      "(julianday('2026-12-07 09:30:15'),1,'NEU','BDE','AEN','APK','4711',NULL,'4711','REQ1'),"
      "(julianday('2026-12-07 09:30:16'),3,'NEU','BDE','AEN','APK','4712',NULL,'4712','REQ1')");
  std::string out;
  ASSERT_EQ(Admin({"journal", "REQ1", "20261207", "093015"}, &out), 0) << out;
  const std::size_t first = out.find(
      "line 1:\n  run date          [20261207]\n"
      "  run time          [093015]\n  DnlLfn            [1]\n");
  const std::size_t second = out.find("line 2:");
  EXPECT_NE(first, std::string::npos) << out;
  ASSERT_NE(second, std::string::npos) << out;
  EXPECT_LT(first, second);
  EXPECT_NE(out.find("  record type       [APP]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  AppApp            [10   ]\n  AppBz1            [Drehen]\n", second),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("4712"), std::string::npos);

  ASSERT_EQ(Admin({"journal", "REQ2", "20261207", "093015"}, &out), 0);
  EXPECT_EQ(out, "no lines\n");
  EXPECT_EQ(Admin({"journal", "REQ1", "2026127", "093015"}, &out), 2);
  EXPECT_NE(out.find("DATE is 8 digits"), std::string::npos) << out;
  std::filesystem::remove(top() / "files" / "quantelor.ini");
  EXPECT_EQ(Admin({"journal", "REQ1", "20261207", "093015"}, &out), 1);
  EXPECT_NE(out.find("there is no login file"), std::string::npos) << out;
}

JF_ON_EVERY_BACKEND(AdminOrders);

}  // namespace
}  // namespace jf
