// The OS seam for real, on POSIX and on Windows: Windows error numbers, sharing, write-through
// appends, renames, the local clock.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

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
  ASSERT_EQ(env()->OpenAppend(".\\Comm\\Buff\\x.buf", ShareMode::kExclusive,
                              Durability::kWriteThrough, &f, &existed),
            0);
  EXPECT_FALSE(existed);
  uint64_t end = 99;
  ASSERT_EQ(f->SeekToEnd(&end), 0);
  EXPECT_EQ(end, 0u);
  std::size_t n = 0;
  ASSERT_EQ(f->Write("hello", &n), 0);
  EXPECT_EQ(n, 5u);
  ASSERT_EQ(f->Close(), 0);
  EXPECT_NE(f->Close(), 0) << "a closed handle cannot be closed again";

  ASSERT_EQ(env()->OpenAppend("Comm/Buff/x.buf", ShareMode::kExclusive, Durability::kOnSync, &f,
                              &existed),
            0);
  EXPECT_TRUE(existed);
  ASSERT_EQ(f->SeekToEnd(&end), 0);
  EXPECT_EQ(end, 5u);
  ASSERT_EQ(f->Write("world", &n), 0);
  ASSERT_EQ(f->Sync(), 0);
  ASSERT_EQ(f->Truncate(7), 0);
  ASSERT_EQ(f->Close(), 0);
  EXPECT_EQ(test::ReadBytes("Comm/Buff/x.buf"), "hellowo");
}

TEST_F(PlatformTest, WindowsErrorNumbers) {
  std::unique_ptr<WritableFile> a, b;
  bool existed = false;
  EXPECT_EQ(env()->OpenAppend("missing\\dir\\f", ShareMode::kExclusive, Durability::kWriteThrough,
                              &a, &existed),
            kErrPathNotFound);
  ASSERT_EQ(env()->OpenAppend("f", ShareMode::kExclusive, Durability::kWriteThrough, &a, &existed),
            0);
  // A file held exclusively, or for shared reading, keeps every other writer out.
  EXPECT_EQ(env()->OpenAppend("f", ShareMode::kExclusive, Durability::kWriteThrough, &b, &existed),
            kErrSharingViolation);
  EXPECT_EQ(env()->OpenAppend("f", ShareMode::kShareRead, Durability::kWriteThrough, &b, &existed),
            kErrSharingViolation);
  a->Close();
  EXPECT_EQ(env()->OpenAppend("f", ShareMode::kShareRead, Durability::kWriteThrough, &b, &existed),
            0);
  b->Close();

  test::WriteBytes("g", "x");
  EXPECT_EQ(env()->RenameFile("f", "g"), kErrAlreadyExists) << "a rename never replaces";
  EXPECT_EQ(env()->OpenAppend("g", ShareMode::kNewPrivate, Durability::kWriteThrough, &b, &existed),
            kErrAlreadyExists)
      << "a file made new is never one that was there";
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

TEST_F(PlatformTest, ReadersOfHeldFiles) {
  std::unique_ptr<WritableFile> log, buf;
  bool existed = false;
  std::string seen;
  // The message file admits readers while it is written, and every byte written is in the file
  // at once (write-through, nothing held back in the program).
  ASSERT_EQ(env()->OpenAppend("log.txt", ShareMode::kShareRead, Durability::kWriteThrough, &log,
                              &existed),
            0);
  ASSERT_EQ(log->Write("entry", nullptr), 0);
  EXPECT_EQ(env()->ReadFile("log.txt", &seen), 0);
  EXPECT_EQ(seen, "entry");
  // A send-buffer file is held against readers too; only Windows can enforce that.
  ASSERT_EQ(
      env()->OpenAppend("x.buf", ShareMode::kExclusive, Durability::kWriteThrough, &buf, &existed),
      0);
  ASSERT_EQ(buf->Write("line", nullptr), 0);
#ifdef _WIN32
  EXPECT_EQ(env()->ReadFile("x.buf", &seen), kErrSharingViolation);
#endif
  // Its own handle reads it, and writes on at its end.
  EXPECT_EQ(buf->ReadAt(1, 100, &seen), 0);
  EXPECT_EQ(seen, "ine");
  ASSERT_EQ(buf->Write("s", nullptr), 0);
  ASSERT_EQ(buf->Close(), 0);
  ASSERT_EQ(log->Close(), 0);
  EXPECT_EQ(env()->ReadFile("x.buf", &seen), 0);
  EXPECT_EQ(seen, "lines");
}

TEST_F(PlatformTest, RotationWaitsForAReaderOnWindows) {
  test::WriteBytes("log.txt", "x");
  {
    // A log viewer holding the file: Windows neither renames nor deletes it meanwhile, and says
    // so with the sharing violation the message log waits out. POSIX renames under the reader.
    std::ifstream viewer("log.txt", std::ios::binary);
    ASSERT_TRUE(viewer.is_open());
#ifdef _WIN32
    EXPECT_EQ(env()->RenameFile("log.txt", "log.old"), kErrSharingViolation);
    EXPECT_EQ(env()->DeleteFile("log.txt"), kErrSharingViolation);
#endif
  }
  EXPECT_EQ(env()->RenameFile("log.txt", "log.old"), 0);
  EXPECT_EQ(test::ReadBytes("log.old"), "x");
}

TEST_F(PlatformTest, LocalClockAgreesWithTheCLibrary) {
  const std::time_t before = std::time(nullptr);
  LocalTime now;
  ASSERT_TRUE(env()->Now(&now));
  const std::time_t after = std::time(nullptr);
  std::tm tm{};
  tm.tm_year = now.year - 1900;
  tm.tm_mon = now.month - 1;
  tm.tm_mday = now.day;
  tm.tm_hour = now.hour;
  tm.tm_min = now.minute;
  tm.tm_sec = now.second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  // time() may run a clock tick behind the precise clock the layer reads, so the two may name
  // neighbouring seconds.
  EXPECT_GE(t, before - 1);
  EXPECT_LE(t, after + 1);
  const std::tm back = *std::localtime(&t);
  EXPECT_EQ(now.second, back.tm_sec);  // the fields name a real instant of local time
  EXPECT_EQ(now.weekday, back.tm_wday);
  EXPECT_EQ(now.yearday, back.tm_yday);
  EXPECT_GE(now.millis, 0);
  EXPECT_LE(now.millis, 999);
}

TEST_F(PlatformTest, FaultEnvFailsTheChosenCallOnly) {
  FaultEnv fault(Env::Default());
  fault.FailNth(FaultEnv::kWrite, 2, kErrDiskFull, "buf", 3);
  std::unique_ptr<WritableFile> f;
  bool existed = false;
  ASSERT_EQ(fault.OpenAppend("a.buf", ShareMode::kExclusive, Durability::kOnSync, &f, &existed), 0);
  uint64_t end = 0;
  ASSERT_EQ(f->SeekToEnd(&end), 0);
  std::size_t n = 0;
  EXPECT_EQ(f->Write("12345", &n), 0);
  EXPECT_EQ(f->Write("67890", &n), kErrDiskFull);
  EXPECT_EQ(n, 3u) << "a short write reports what reached the file";
  EXPECT_EQ(f->Sync(), 0);
  EXPECT_EQ(f->Write("abc", &n), 0);
  // A refused flush loses what was written since the last one.
  fault.FailNth(FaultEnv::kSync, 1, kErrIoDevice);
  EXPECT_EQ(f->Sync(), kErrIoDevice);
  f->Close();
  EXPECT_EQ(test::ReadBytes("a.buf"), "12345678");
  EXPECT_EQ(fault.Calls(FaultEnv::kWrite), 3);
  fault.FailAlways(FaultEnv::kClock, 0);
  LocalTime t;
  EXPECT_FALSE(fault.Now(&t));
}

}  // namespace
}  // namespace jf
