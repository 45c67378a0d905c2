// jobfeed-master end to end in a temporary site: the real binary, its exit code, its lines, its
// message file and the rows afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/Run.h"
#include "support/Backends.h"
#include "support/OrderSite.h"

namespace jf {
namespace {

namespace fs = std::filesystem;

class MasterRunSite : public test::OrderSiteTest {
 protected:
  void SetUp() override {
    OrderSiteTest::SetUp();
    AddTerminal(3, "10.1.0.3", "4001", "100", "199");
    // One row of every kind marked for MEISTER1, one cost centre for one area of type 1.
    Sql("insert into Kvl559Fbe (FbeFbe,FbeTyp) values ('110',1)");
    Sql("insert into o1003Kststelle (KstNum) values ('K100')");
    Sql("insert into Kvl537Ksg (KsgApg,KsgGvo,KsgKst) values ('FRAES',julianday('2020-01-01'),"
        "'K100')");
    Sql("insert into Kvl530Apg (ApgApg,ApgBez,ApgFbe,ApgDna,ApgDwn) values "
        "('FRAES','Fraesen','110','NEU','MEISTER1')");
    Sql("insert into Kvl531Apl (AplApl,AplBez,AplApg,AplFbe,AplSts,AplDna,AplDwn) values "
        "('FR01','Fraese 1','FRAES','110',1,'NEU','MEISTER1')");
    Sql("insert into Kvl521Ubg (UbgUbg,UbgKnz,UbgBez,UbgFbe,UbgDna,UbgDwn) values "
        "('MM','1','Materialmangel','110','NEU','MEISTER1')");
    Sql("insert into Kvl510Prv (PrvPnr,PrvBer,PrvKst,PrvFbe,PrvAwn,PrvAwa,PrvDna,PrvDwn) values "
        "('4711',1,'K100','110','B0815',1,'NEU','MEISTER1')");
  }
  int RunMaster(const std::vector<std::string>& args, std::string* out = nullptr) {
    return test::RunCommand(JOBFEED_MASTER_BIN, args, out);
  }
  // Record types of terminal 3's lines, in order.
  std::string Types() {
    const std::string f = test::ReadBytes(buffer_file(3));
    std::string out;
    for (std::size_t p = 0; p + 552 <= f.size(); p += 552)
      out += (out.empty() ? "" : " ") + f.substr(p + 90, 3);
    return out;
  }
  std::string Marked() {
    return Scalar(
        "select cast((select count(*) from Kvl530Apg where ApgDwn='MEISTER1') as text) || "
        "cast((select count(*) from Kvl531Apl where AplDwn='MEISTER1') as text) || "
        "cast((select count(*) from Kvl521Ubg where UbgDwn='MEISTER1') as text) || "
        "cast((select count(*) from Kvl510Prv where PrvDwn='MEISTER1') as text)");
  }
};

using MasterRunTest = test::OnEveryBackend<MasterRunSite>;

TEST_P(MasterRunTest, SendsEveryKindInItsOrderAndUnmarksTheRows) {
  // The requester is cut to 8 characters, as in jobfeed.
  EXPECT_EQ(RunMaster({"MEISTER1-Halle2"}), 0);
  EXPECT_EQ(Types(), "MAG MAS UBG AWN PNR KST");
  EXPECT_EQ(test::ReadBytes(buffer_file(3)).size(), 6u * 552);
  EXPECT_EQ(Marked(), "0000");
  EXPECT_TRUE(Messages().empty()) << test::ReadBytes(msg_file());
  // Nothing is due any more; the cost centres go out again.
  EXPECT_EQ(RunMaster({"MEISTER1"}), 0);
  EXPECT_EQ(Types(), "MAG MAS UBG AWN PNR KST KST");
}

TEST_P(MasterRunTest, NamedKindsRunInTheirOrderOnceEach) {
  EXPECT_EQ(RunMaster({"MEISTER1", "KST", "MAG", "KST"}), 0);
  EXPECT_EQ(Types(), "MAG KST");
  EXPECT_EQ(Marked(), "0111");
}

TEST_P(MasterRunTest, FirstFailingDownloadGivesTheExitCodeAndTheOthersStillRun) {
  Sql("drop table Kvl521Ubg");
  Sql("drop table Kvl559Fbe");
  EXPECT_EQ(RunMaster({"MEISTER1"}), ProcessExitCode(-942));
  EXPECT_EQ(Types(), "MAG MAS AWN PNR");
  const auto m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].function + "|" + m[0].message + "|" + m[0].code,
            "Ubg_Dnl|fehlerhafte Ubg_OpenDnl|-942");
  EXPECT_EQ(m[1].function + "|" + m[1].message, "Ksg_Dnl|fehlerhafte Ksg_OpenDnl");
}

TEST_P(MasterRunTest, UsageErrorsAreLoggedAndTouchNothing) {
  RemoveDatabase();  // any database access would show up as a connect message
  struct Case {
    std::vector<std::string> args;
    const char* why;
  } cases[] = {{{}, "kein Anforderer"},
               {{""}, "kein Anforderer"},
               {{"MEISTER1", "MAG", "mas"}, "unbekannte Art mas"},
               {{"--version", "MAG"}, "unbekannte Option --version"}};
  for (const Case& c : cases) {
    fs::remove(msg_file());
    std::string out;
    EXPECT_EQ(RunMaster(c.args, &out), ProcessExitCode(kUsageStatus)) << c.why;
    EXPECT_NE(out.find(c.why), std::string::npos) << out;
    EXPECT_NE(out.find("usage: jobfeed-master REQUESTER [KIND...]"), std::string::npos) << out;
    const auto m = Messages();
    ASSERT_EQ(m.size(), 1u) << c.why;
    EXPECT_EQ(m[0].function, "main");
    EXPECT_EQ(
        m[0].message,
        std::string("Aufruf: jobfeed-master <Anforderer> [MAG|MAS|UBG|PNR|KST ...] - ") + c.why);
  }
  EXPECT_FALSE(fs::exists(db_path()));

  std::string out;
  fs::remove(msg_file());
  EXPECT_EQ(RunMaster({"--help"}, &out), 0);
  EXPECT_EQ(out.rfind("usage: jobfeed-master REQUESTER [KIND...]", 0), 0u) << out;
  EXPECT_FALSE(fs::exists(msg_file()));
}

// The connect and its failure as jobfeed has them.
TEST_P(MasterRunTest, FailedConnectIsOneMessageAndExitZero) {
  fs::remove(top() / "files" / "quantelor.ini");
  EXPECT_EQ(RunMaster({"MEISTER1"}), 0);
  const auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function + "|" + m[0].message, "bdConnect|Fehlethafte Connect mit der DB ");
  EXPECT_FALSE(fs::exists(buffer_file(3)));
}

JF_ON_EVERY_BACKEND(MasterRunTest);

}  // namespace
}  // namespace jf
