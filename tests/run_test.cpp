// The program end to end in a temporary site: the real binary, its exit code, its message file.
#include "driver/Run.h"

#include <gtest/gtest.h>

#include <cstring>

#include "db/Login.h"
#include "driver/DateTime.h"
#include "support/FixedClockEnv.h"
#include "support/OrderSite.h"

namespace jf {
namespace {

namespace fs = std::filesystem;

class RunTest : public test::OrderSiteTest {};

TEST_F(RunTest, ConnectsCommitsAndEndsQuietly) {
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  EXPECT_TRUE(Messages().empty()) << test::ReadBytes(msg_file());
}

TEST_F(RunTest, MissingLoginFileIsOneMessageAndExitZero) {
  fs::remove(top() / "files" / "quantelor.ini");
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "bdConnect");
  EXPECT_EQ(m[0].message, "Fehlethafte Connect mit der DB ");
  EXPECT_NE(m[0].code, "0");
}

TEST_F(RunTest, MissingDatabaseIsOneMessageAndNoFileCreated) {
  fs::remove(db_path());
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "bdConnect");
  EXPECT_EQ(m[0].code, "-12154");
  EXPECT_FALSE(fs::exists(db_path()));
}

TEST_F(RunTest, MissingArgumentsFailWithoutTouchingTheDatabase) {
  fs::remove(db_path());  // any database access would show up as a connect message
  const int rc = RunJobfeedBinary({"REQ1", "4711", "10"});
  EXPECT_NE(rc, 0);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "main");
  EXPECT_NE(m[0].message.find("Argumente"), std::string::npos);
}

TEST_F(RunTest, ConnectStringOverItsLimitFailsTheConnect) {
  // Each value fits the login file, but together they exceed the 100 characters of the
  // connect string: the run must not log on with a cut string.
  std::string error;
  ASSERT_EQ(WriteLoginFile((top() / "files" / "quantelor.ini").string(), std::string(40, 'u'),
                           std::string(40, 'p'), "sqlite:../../../../jobfeed.db", &error),
            0)
      << error;
  EXPECT_EQ(RunJobfeedBinary({"REQ1", "4711", "10", "BEGIN"}), 0);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].message, "Fehlethafte Connect mit der DB ");
  EXPECT_EQ(m[0].code, "-1017");
}

TEST(DateTimeText, Styles) {
  test::FixedClockEnv clock(Env::Default(), LocalTime{2009, 3, 7, 5, 4, 3});
  Env::Install(&clock);
  char date[40];
  char time[9];
  struct Case {
    int style;
    const char* date;
    const char* time;
  } cases[] = {{1, "07032009", "050403"},
               {2, "07032009050403", ""},
               {3, "20090307", "050403"},
               {4, "20090307050403", ""},
               {0, "", ""},
               {5, "", ""}};
  for (const Case& c : cases) {
    std::memset(date, 'x', sizeof date);
    std::memset(time, 'x', sizeof time);
    EXPECT_EQ(DateTimeText(date, time, c.style), 0);
    EXPECT_STREQ(date, c.date) << c.style;
    EXPECT_STREQ(time, c.time) << c.style;
  }
  Env::Install(nullptr);
}

TEST(ExitCode, NonZeroStatusNeverBecomesZero) {
  EXPECT_EQ(ExitCodeFromStatus(0), 0);
  EXPECT_EQ(ExitCodeFromStatus(1403), 1403 & 0xff);
  EXPECT_EQ(ExitCodeFromStatus(-256), 255);
  EXPECT_EQ(ExitCodeFromStatus(256), 255);
  EXPECT_EQ(ExitCodeFromStatus(-1), 255);
  for (int s : {-12154, -942, -54, -1, 1403, 512, -2112}) EXPECT_NE(ExitCodeFromStatus(s), 0) << s;
}

}  // namespace
}  // namespace jf
