// Preparation of an order for download: marking the header and the position for the requester,
// the action keywords, the rows that are left alone, over-long keys; and one run end to end.
#include "driver/Prepare.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "msg/Msg.h"
#include "support/OrderRows.h"

namespace jf {
namespace {

class PrepareSite : public test::OrderRowsTest {
 protected:
  void SetUp() override {
    OrderRowsTest::SetUp();
    Msg_Init(kMsgData | kMsgSystem | kMsgError, ".\\Msg\\Jobfeed.txt");
    ConnectInProcess();
  }
  void Header(const std::string& key, int sts) {
    InsertFull("Kvl501Apk", {{"ApkApk", "'" + key + "'"},
                             {"ApkSts", std::to_string(sts)},
                             {"ApkDwn", "NULL"},
                             {"ApkDna", "'NEU'"}});
  }
  void Position(const std::string& apk, const std::string& app, int sts) {
    InsertFull("Kvl504App", {{"AppApk", "'" + apk + "'"},
                             {"AppApp", "'" + app + "'"},
                             {"AppSts", std::to_string(sts)},
                             {"AppSis", "1"},
                             {"AppDwn", "NULL"},
                             {"AppDna", "'NEU'"}});
  }
  // Download kind, marker, previous and current status of the position.
  std::string PositionState(const std::string& app = "10") {
    return Scalar(
        "select AppDna||'/'||ifnull(AppDwn,'-')||'/'||AppSis||'/'||AppSts from "
        "Kvl504App where AppApp='" +
        app + "'");
  }
  const Text<8> req_{"REQ1"};
};

using Prepare = test::OnEveryBackend<PrepareSite>;

TEST_P(Prepare, HeaderIsMarkedUnlessLockedOrClosed) {
  Header("A0", 0);
  Header("A7", 7);
  Header("A9", 9);
  const Row locked = ReadRow("Kvl501Apk", "ApkApk='A7'");
  const Row closed = ReadRow("Kvl501Apk", "ApkApk='A9'");
  EXPECT_EQ(PrepareOrderHeader("A0", req_), 0);
  EXPECT_EQ(PrepareOrderHeader("A7", req_), 0);
  EXPECT_EQ(PrepareOrderHeader("A9", req_), 0);
  EXPECT_EQ(Query("select ApkDna, ApkDwn, ApkSts from Kvl501Apk where ApkApk='A0'"),
            std::vector<std::string>{"AEN|REQ1|0"});
  EXPECT_EQ(Differences(locked, ReadRow("Kvl501Apk", "ApkApk='A7'")), "");
  EXPECT_EQ(Differences(closed, ReadRow("Kvl501Apk", "ApkApk='A9'")), "");
  EXPECT_EQ(PrepareOrderHeader("none", req_), 1403);
  EXPECT_TRUE(Messages().empty());
}

TEST_P(Prepare, ActionKeywordsDecideTheStatus) {
  struct Case {
    const char* argument;  // cut to five characters as the run does
    const char* state;     // AppDna/AppDwn/AppSis/AppSts after the preparation, from 1/3
  } cases[] = {
      {"SPERR", "STA/REQ1/3/7"},   {"SPERRX", "STA/REQ1/3/7"}, {"FREI*", "STA/REQ1/1/10"},
      {"FREI*!", "STA/REQ1/1/10"}, {"BEGIN", "AEN/REQ1/3/10"}, {"BEGINNEN", "AEN/REQ1/3/10"},
      {"FREI", "AEN/REQ1/1/3"},    {"sperr", "AEN/REQ1/1/3"},  {"Begin", "AEN/REQ1/1/3"},
      {"", "AEN/REQ1/1/3"},        {"SPER", "AEN/REQ1/1/3"},
  };
  for (const Case& c : cases) {
    Sql("delete from Kvl504App");
    Position("4711", "10", 3);
    EXPECT_EQ(PreparePosition("4711", "10", req_, Text<5>(c.argument)), 0) << c.argument;
    EXPECT_EQ(PositionState(), c.state) << c.argument;
  }
}

TEST_P(Prepare, OnlyStatusNineKeepsAPositionOut) {
  Position("4711", "10", 9);
  Position("4711", "20", 7);
  const Row closed = ReadRow("Kvl504App", "AppApp='10'");
  EXPECT_EQ(PreparePosition("4711", "10", req_, Text<5>("BEGIN")), 0);
  EXPECT_EQ(Differences(closed, ReadRow("Kvl504App", "AppApp='10'")), "");
  EXPECT_EQ(PreparePosition("4711", "20", req_, Text<5>("BEGIN")), 0);
  EXPECT_EQ(PositionState("20"), "AEN/REQ1/7/10");
  EXPECT_EQ(PreparePosition("4711", "30", req_, Text<5>("BEGIN")), 1403);
  EXPECT_TRUE(Messages().empty());
}

TEST_P(Prepare, FailedUpdatesAreLoggedWithTheirStatus) {
  Header("4711", 0);
  Position("4711", "10", 3);
  for (const std::string table : {"Kvl501Apk", "Kvl504App"}) {
    Sql("create trigger No" + table + " before update on " + table +
        (backend() == test::BackendKind::kPostgres
             ? " for each row execute function jf_test.refuse()"
             : " begin select raise(abort, 'no'); end"));
  }
  const int header = PrepareOrderHeader("4711", req_);
  const int position = PreparePosition("4711", "10", req_, Text<5>("SPERR"));
  EXPECT_LT(header, 0);
  EXPECT_LT(position, 0);
  const auto m = Messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].function, "Auk_To_Apk");
  EXPECT_EQ(m[0].message, "Fehelr bei Apk_PKeyDel");
  EXPECT_EQ(m[0].code, std::to_string(header));
  EXPECT_EQ(m[1].function, "App_Sel");
  EXPECT_EQ(m[1].message, "Fehelr bei App_PKeyDel");
  EXPECT_EQ(m[1].code, std::to_string(position));
}

TEST_P(Prepare, OverLongKeysAreRefusedNotCut) {
  // A cut key would name these rows, which belong to another order.
  Header("123456789012", 0);
  Position("123456789012", "12345", 3);
  const Row header = ReadRow("Kvl501Apk", "1=1");
  const Row position = ReadRow("Kvl504App", "1=1");
  EXPECT_EQ(PrepareOrderHeader("1234567890123", req_), kKeyTooLong);
  EXPECT_EQ(PreparePosition("1234567890123", "12345", req_, Text<5>("SPERR")), kKeyTooLong);
  EXPECT_EQ(PreparePosition("123456789012", "123456", req_, Text<5>("SPERR")), kKeyTooLong);
  EXPECT_EQ(Differences(header, ReadRow("Kvl501Apk", "1=1")), "");
  EXPECT_EQ(Differences(position, ReadRow("Kvl504App", "1=1")), "");
  const auto m = Messages();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0].function, "Auk_To_Apk");
  EXPECT_EQ(m[0].message, "Auftragsnummer zu lang (max. 12 Zeichen)");
  EXPECT_EQ(m[1].function, "App_Sel");
  EXPECT_EQ(m[1].message, "Auftragsnummer zu lang (max. 12 Zeichen)");
  EXPECT_EQ(m[2].function, "App_Sel");
  EXPECT_EQ(m[2].message, "Positionsnummer zu lang (max. 5 Zeichen)");
  for (const auto& e : m) EXPECT_EQ(e.code, std::to_string(kKeyTooLong));
  // Keys of exactly the column widths are taken.
  EXPECT_EQ(PrepareOrderHeader("123456789012", req_), 0);
  EXPECT_EQ(PreparePosition("123456789012", "12345", req_, Text<5>("SPERR")), 0);
}

TEST_P(Prepare, RunMarksHeaderAndPositionWithTheCutRequester) {
  // No terminal serves the area, so the downloads cannot send and the marks stay visible.
  Header("4711", 0);
  Position("4711", "10", 3);
  EXPECT_EQ(RunJobfeedBinary({"REQUESTER9", "4711", "10", "BEGIN"}), 0);
  EXPECT_EQ(Query("select ApkDna, ApkDwn from Kvl501Apk"),
            std::vector<std::string>{"AEN|REQUESTE"});
  EXPECT_EQ(PositionState(), "AEN/REQUESTE/3/10");
  for (const auto& e : Messages()) {
    EXPECT_NE(e.function, "Auk_To_Apk");
    EXPECT_NE(e.function, "App_Sel");
  }
}

JF_ON_EVERY_BACKEND(Prepare);

}  // namespace
}  // namespace jf
