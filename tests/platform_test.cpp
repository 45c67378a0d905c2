// The POSIX side of the OS seam: Windows error numbers, sharing, write-through appends.
#include <gtest/gtest.h>

#include "platform/Env.h"
#include "platform/FaultEnv.h"
#include "support/TestSite.h"

namespace jf {
namespace {

class PlatformTest : public test::SiteTest {};

TEST_F(PlatformTest, BackslashPathsAndAppends) {
  std::filesystem::create_directories("Comm/Buff");
  std::unique_ptr<WritableFile> f;
  bool existed = true;
  ASSERT_EQ(env()->OpenAppend(".\\Comm\\Buff\\x.buf", ShareMode::kExclusive, &f, &existed), 0);
  EXPECT_FALSE(existed);
  uint64_t end = 99;
  ASSERT_EQ(f->SeekToEnd(&end), 0);
  EXPECT_EQ(end, 0u);
  std::size_t n = 0;
  ASSERT_EQ(f->Write("hello", &n), 0);
  EXPECT_EQ(n, 5u);
  ASSERT_EQ(f->Close(), 0);
  EXPECT_NE(f->Close(), 0) << "a closed handle cannot be closed again";

  ASSERT_EQ(env()->OpenAppend("Comm/Buff/x.buf", ShareMode::kExclusive, &f, &existed), 0);
  EXPECT_TRUE(existed);
  ASSERT_EQ(f->SeekToEnd(&end), 0);
  EXPECT_EQ(end, 5u);
  ASSERT_EQ(f->Write("world", &n), 0);
  ASSERT_EQ(f->Truncate(7), 0);
  ASSERT_EQ(f->Close(), 0);
  EXPECT_EQ(test::ReadBytes("Comm/Buff/x.buf"), "hellowo");
}

TEST_F(PlatformTest, WindowsErrorNumbers) {
  std::unique_ptr<WritableFile> a, b;
  bool existed = false;
  EXPECT_EQ(env()->OpenAppend("missing\\dir\\f", ShareMode::kExclusive, &a, &existed),
            kErrFileNotFound);
  ASSERT_EQ(env()->OpenAppend("f", ShareMode::kExclusive, &a, &existed), 0);
  // A file held exclusively, or for shared reading, keeps every other writer out.
  EXPECT_EQ(env()->OpenAppend("f", ShareMode::kExclusive, &b, &existed), kErrSharingViolation);
  EXPECT_EQ(env()->OpenAppend("f", ShareMode::kShareRead, &b, &existed), kErrSharingViolation);
  a->Close();
  EXPECT_EQ(env()->OpenAppend("f", ShareMode::kShareRead, &b, &existed), 0);
  b->Close();

  test::WriteBytes("g", "x");
  EXPECT_EQ(env()->RenameFile("f", "g"), kErrAlreadyExists) << "a rename never replaces";
  EXPECT_EQ(env()->RenameFile("nope", "h"), kErrFileNotFound);
  EXPECT_EQ(env()->DeleteFile("nope"), kErrFileNotFound);
  EXPECT_EQ(env()->RenameFile("f", "h"), 0);
  EXPECT_FALSE(env()->FileExists("f"));
  EXPECT_TRUE(env()->FileExists("h"));
  std::string s;
  EXPECT_EQ(env()->ReadFile("g", &s), 0);
  EXPECT_EQ(s, "x");
  EXPECT_EQ(env()->ReadFile("nope", &s), kErrFileNotFound);
}

TEST_F(PlatformTest, FaultEnvFailsTheChosenCallOnly) {
  FaultEnv fault(Env::Default());
  fault.FailNth(FaultEnv::kWrite, 2, kErrDiskFull, "buf", 3);
  std::unique_ptr<WritableFile> f;
  bool existed = false;
  ASSERT_EQ(fault.OpenAppend("a.buf", ShareMode::kExclusive, &f, &existed), 0);
  std::size_t n = 0;
  EXPECT_EQ(f->Write("12345", &n), 0);
  EXPECT_EQ(f->Write("67890", &n), kErrDiskFull);
  EXPECT_EQ(n, 3u) << "a short write reports what reached the file";
  EXPECT_EQ(f->Write("abc", &n), 0);
  f->Close();
  EXPECT_EQ(test::ReadBytes("a.buf"), "12345678abc");
  EXPECT_EQ(fault.Calls(FaultEnv::kWrite), 3);
  fault.FailAlways(FaultEnv::kClock, 0);
  LocalTime t;
  EXPECT_FALSE(fault.Now(&t));
}

}  // namespace
}  // namespace jf
