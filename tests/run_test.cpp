// The program end to end in a temporary site: the real binary, its exit code, its message file.
#include "driver/Run.h"

#include <gtest/gtest.h>

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
