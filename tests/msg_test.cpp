#include "msg/Msg.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <string>

#include "msg/MsgName.h"
#include "platform/FaultEnv.h"
#include "support/FixedClockEnv.h"
#include "support/TestSite.h"

namespace jf {
namespace {

namespace fs = std::filesystem;

constexpr char kLogName[] = ".\\Msg\\Jobfeed.txt";
const fs::path kLogPath = "Msg/Jobfeed.txt";
const fs::path kOldPath = "Msg/Jobfeed.old";

LocalTime At(int year, int month, int day, int hour, int minute, int second) {
  LocalTime t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  t.second = second;
  return t;
}

// One entry as the log writes it at 05.03.24 07:08:09, without the kind blocks.
std::string Entry(std::string_view tags, std::string_view text, std::string_view function,
                  std::string_view code) {
  std::string e = "\xFE\r\nSystem-Date: 05.03.24\r\nSystem-Time: 07:08:09\r\nMsgArt_____: ";
  e += tags;
  e += "\r\nMessage____: ";
  e += text;
  e += "\r\nFunktion___: ";
  e += function;
  e += "\r\nErrorCode__: ";
  e += code;
  e += "\r\n";
  return e;
}

// What reached standard error since testing::internal::CaptureStderr(). GoogleTest reads it
// back in text mode, which on Windows makes each CR LF a LF; the CR are dropped here on every
// platform, so the comparison is the same on both (the programs' own tests compare the bytes).
std::string Stderr() {
  std::string text = testing::internal::GetCapturedStderr();
  std::erase(text, '\r');
  return text;
}

// An expected text as Stderr() returns it.
std::string Captured(std::string text) {
  std::erase(text, '\r');
  return text;
}

class MsgTest : public test::SiteTest {
 protected:
  void SetUp() override {
    SiteTest::SetUp();
    clock_ = std::make_unique<test::FixedClockEnv>(Env::Default(), At(2024, 3, 5, 7, 8, 9));
    faults_ = std::make_unique<FaultEnv>(clock_.get());
    Env::Install(faults_.get());
    Msg_ResetForTest();
    fs::create_directory("Msg");
  }
  void TearDown() override {
    Msg_ResetForTest();
    SiteTest::TearDown();
  }

  static std::string Log() { return test::ReadBytes(kLogPath); }

  std::unique_ptr<test::FixedClockEnv> clock_;
  std::unique_ptr<FaultEnv> faults_;
};

TEST_F(MsgTest, EntryBytesAreExact) {
  Msg_Init(7, kLogName);
  testing::internal::CaptureStderr();
  Msg_Log(-942, "Apk_Dnl", "fehlerhafte Apk_OpenDnl", 4);
  clock_->Set(At(2009, 12, 31, 23, 59, 58));
  Msg_Log(1403, "ApkDnl", "Fehler beim Senden von ApkS\xE4tze", 4);
  EXPECT_EQ(Stderr(), "") << "a writable log keeps the console quiet";

  EXPECT_EQ(Log(),
            "\xFE\r\n"
            "System-Date: 05.03.24\r\n"
            "System-Time: 07:08:09\r\n"
            "MsgArt_____: FMSG \r\n"
            "Message____: fehlerhafte Apk_OpenDnl\r\n"
            "Funktion___: Apk_Dnl\r\n"
            "ErrorCode__: -942\r\n"
            "\xFE\r\n"
            "System-Date: 31.12.09\r\n"
            "System-Time: 23:59:58\r\n"
            "MsgArt_____: FMSG \r\n"
            "Message____: Fehler beim Senden von ApkS\xE4tze\r\n"
            "Funktion___: ApkDnl\r\n"
            "ErrorCode__: 1403\r\n");
  EXPECT_EQ(Msg_EntryCount(), 2);
  // One write per entry keeps an entry whole for readers.
  EXPECT_EQ(faults_->Calls(FaultEnv::kWrite), 2);
}

TEST_F(MsgTest, ErrorCodesAreSignedDecimal) {
  Msg_Init(7, kLogName);
  Msg_Log(-1, "f", "t", 4);
  Msg_Log(INT32_MIN, "f", "t", 4);
  Msg_Log(0, "f", "t", 4);
  EXPECT_EQ(Log(), Entry("FMSG ", "t", "f", "-1") + Entry("FMSG ", "t", "f", "-2147483648") +
                       Entry("FMSG ", "t", "f", "0"));
}

TEST_F(MsgTest, MaskFiltersButTagsShowEveryBitSet) {
  Msg_Log(-1, "f", "before init", 4);  // mask 0 until Msg_Init
  Msg_Init(7, kLogName);
  Msg_Log(1, "f", "warning", 8);
  Msg_Log(1, "f", "comment", 16);
  Msg_Log(1, "f", "none", 0);
  EXPECT_FALSE(fs::exists(kLogPath));

  Msg_Log(2, "f", "error and warning", 12);
  EXPECT_EQ(Log(), Entry("FMSG WMSG ", "error and warning", "f", "2"));

  // All bits: the data block (none given) and the empty lines follow, because bits 1 and 2 pass.
  fs::remove(kLogPath);
  Msg_Log(3, "f", "all", 31);
  EXPECT_EQ(Log(), Entry("DMSG SMSG FMSG WMSG CMSG ", "all", "f", "3") + "\r\n" + "\r\n\r\n");

  // A mask without bits 1 and 2 writes neither block even when the record sets them.
  fs::remove(kLogPath);
  Msg_Init(4, kLogName);
  Msg_Log(4, "f", "masked blocks", 7);
  Msg_Log(4, "f", "dropped", 3);
  EXPECT_EQ(Log(), Entry("DMSG SMSG FMSG ", "masked blocks", "f", "4"));
}

TEST_F(MsgTest, DataBlockAndEmptyLines) {
  Msg_Init(7, kLogName);
  const char data[] = {'A', '\0', '\r', '\xFF'};
  MessageRecord rec;
  rec.functionName = "f";
  rec.messageText = "t";
  rec.kind = kMsgData;
  rec.data = data;
  rec.dataLength = 4;
  Msg_Write(&rec);
  rec.kind = kMsgSystem;
  Msg_Write(&rec);
  rec.kind = kMsgData | kMsgSystem;
  Msg_Write(&rec);
  rec.kind = kMsgData;
  rec.data = nullptr;  // no block given: only its line end
  rec.dataLength = 5;
  Msg_Write(&rec);

  const std::string block(data, 4);
  EXPECT_EQ(Log(), Entry("DMSG ", "t", "f", "0") + block + "\r\n" +  //
                       Entry("SMSG ", "t", "f", "0") + "\r\n\r\n" +  //
                       Entry("DMSG SMSG ", "t", "f", "0") + block + "\r\n\r\n\r\n" +
                       Entry("DMSG ", "t", "f", "0") + "\r\n");

  // A detail entry is the same kind of entry, its text in the data block.
  fs::remove(kLogPath);
  Msg_LogDetail(-54, "f", "Auftrag O1 Position 20");
  EXPECT_EQ(Log(), Entry("DMSG ", "Detail", "f", "-54") + "Auftrag O1 Position 20\r\n");
}

TEST_F(MsgTest, LongAndMissingTextsAreWrittenWhole) {
  Msg_Init(7, kLogName);
  const std::string text = std::string(5000, 'x') + "ende";
  const std::string function(300, 'f');
  Msg_Log(-1, function.c_str(), text.c_str(), 4);
  Msg_Log(7, nullptr, nullptr, 4);
  Msg_Write(nullptr);
  EXPECT_EQ(Log(), Entry("FMSG ", text, function, "-1") + Entry("FMSG ", "", "", "7"));
}

TEST_F(MsgTest, FileNamesAndOldNames) {
  EXPECT_EQ(Msg_OldFileName(".\\Msg\\Jobfeed.txt"), ".\\Msg\\Jobfeed.old");
  EXPECT_EQ(Msg_OldFileName("msg.dat"), "msg.old");
  EXPECT_EQ(Msg_OldFileName("a.b.c"), "a.b.old");
  EXPECT_EQ(Msg_OldFileName("noext"), "noext.old");
  EXPECT_EQ(Msg_OldFileName("..\\dir.d\\log"), "..\\dir.d\\log.old");
  EXPECT_EQ(Msg_OldFileName("dir.d/log"), "dir.d/log.old");
  // Never the file itself: rotating onto it would delete the log.
  EXPECT_EQ(Msg_OldFileName("Msg\\Log.OLD"), "Msg\\Log.OLD.old");

  Msg_Init(7, nullptr);
  Msg_Log(1, "f", "t", 4);
  EXPECT_EQ(test::ReadBytes("msg.dat"), Entry("FMSG ", "t", "f", "1"));

  // Names longer than 64 characters are used whole.
  const std::string longName = "Msg\\" + std::string(80, 'n') + ".txt";
  Msg_Init(7, longName.c_str());
  Msg_Log(2, "f", "t", 4);
  EXPECT_EQ(test::ReadBytes(fs::path("Msg") / (std::string(80, 'n') + ".txt")),
            Entry("FMSG ", "t", "f", "2"));
}

TEST_F(MsgTest, SharingErrorsAreWaitedOutButNotForever) {
  Msg_Init(7, kLogName);
  faults_->FailNth(FaultEnv::kOpen, 1, kErrSharingViolation);
  faults_->FailNth(FaultEnv::kOpen, 1, kErrSharingBufferExceeded);
#ifdef _WIN32
  faults_->FailNth(FaultEnv::kOpen, 1, kErrAccessDenied);  // also a file pending deletion
  const int conflicts = 3;
#else
  const int conflicts = 2;
#endif
  Msg_Log(1, "f", "t", 4);
  EXPECT_EQ(Log(), Entry("FMSG ", "t", "f", "1"));
  EXPECT_EQ(faults_->SleptMillis(), conflicts * 333);

  // Other errors end the attempt at once.
  faults_->Clear();
  const long before = faults_->SleptMillis();
  faults_->FailNth(FaultEnv::kOpen, 1, kErrDiskFull);
  testing::internal::CaptureStderr();
  Msg_Log(3, "f", "t", 4);
  EXPECT_EQ(Stderr(), Captured(Entry("FMSG ", "t", "f", "3")));
  EXPECT_EQ(faults_->SleptMillis(), before);

  // Given up on, the entry goes to standard error as it would have stood in the file; so does
  // every later entry of the process, without waiting again, even once the file is free.
  faults_->Clear();
  faults_->FailAlways(FaultEnv::kOpen, kErrSharingViolation);
  testing::internal::CaptureStderr();
  Msg_Log(2, "f", "t", 4);
  EXPECT_EQ(Stderr(), Captured(Entry("FMSG ", "t", "f", "2")));
  const long waited = faults_->SleptMillis() - before;
  EXPECT_GE(waited, 9000);
  EXPECT_LE(waited, 11000);
  faults_->Clear();
  testing::internal::CaptureStderr();
  Msg_Log(4, "f", "t", 4);
  EXPECT_EQ(Stderr(), Captured(Entry("FMSG ", "t", "f", "4")));
  EXPECT_EQ(faults_->SleptMillis() - before, waited);
  EXPECT_EQ(Log(), Entry("FMSG ", "t", "f", "1"));
  EXPECT_EQ(Msg_EntryCount(), 1);
}

TEST_F(MsgTest, MissingFolderSendsEntriesToStandardError) {
  fs::remove("Msg");
  Msg_Init(7, kLogName);
  testing::internal::CaptureStderr();
  Msg_Log(1, "f", "t", 4);
  MessageRecord rec;
  rec.functionName = "f";
  rec.messageText = "t";
  rec.kind = kMsgData | kMsgSystem;
  rec.data = "blk";
  rec.dataLength = 3;
  Msg_Write(&rec);
  EXPECT_EQ(Stderr(), Captured(Entry("FMSG ", "t", "f", "1") + Entry("DMSG SMSG ", "t", "f", "0") +
                               "blk\r\n\r\n\r\n"));
  EXPECT_EQ(Msg_EntryCount(), 0);
  EXPECT_EQ(faults_->SleptMillis(), 0);
  EXPECT_TRUE(fs::is_empty(root()));

#ifndef _WIN32
  // Nor is a folder in the file's place waited for: only a lock held by another process passes.
  fs::create_directories(fs::path("Msg") / "Jobfeed.txt");
  testing::internal::CaptureStderr();
  Msg_Log(3, "f", "t", 4);
  EXPECT_EQ(Stderr(), Captured(Entry("FMSG ", "t", "f", "3")));
  EXPECT_EQ(faults_->SleptMillis(), 0);
  fs::remove_all("Msg");
#endif

  fs::create_directory("Msg");
  testing::internal::CaptureStderr();
  Msg_Log(2, "f", "t", 4);
  EXPECT_EQ(Stderr(), "");
  EXPECT_EQ(Log(), Entry("FMSG ", "t", "f", "2"));
}

TEST_F(MsgTest, FailedStepsDropTheEntry) {
  Msg_Init(7, kLogName);
  Msg_Log(1, "f", "t", 4);
  const std::string first = Log();

  testing::internal::CaptureStderr();
  faults_->FailNth(FaultEnv::kSeek, 1, kErrInvalidHandle);
  Msg_Log(2, "f", "t", 4);
  faults_->Clear();
  // A short write is cut off again, so the file keeps whole entries only.
  faults_->FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "", 20);
  Msg_Log(3, "f", "t", 4);
  EXPECT_EQ(Stderr(), Captured(Entry("FMSG ", "t", "f", "2") + Entry("FMSG ", "t", "f", "3")));
  EXPECT_EQ(Log(), first);
  EXPECT_EQ(Msg_EntryCount(), 1);
  EXPECT_EQ(faults_->Calls(FaultEnv::kClose), 3);  // every opened file was closed

  // The entry reached the file, but a failed close is tried once more and not counted.
  faults_->Clear();
  faults_->FailNth(FaultEnv::kClose, 1, kErrIoDevice);
  testing::internal::CaptureStderr();
  Msg_Log(4, "f", "t", 4);
  EXPECT_EQ(Stderr(), "");
  EXPECT_EQ(Log(), first + Entry("FMSG ", "t", "f", "4"));
  EXPECT_EQ(Msg_EntryCount(), 1);
  EXPECT_EQ(faults_->Calls(FaultEnv::kClose), 5);
}

TEST_F(MsgTest, ClockFailureStillWritesTheEntry) {
  Msg_Init(7, kLogName);
  faults_->FailAlways(FaultEnv::kClock, 0);
  Msg_Log(1, "f", "t", 4);
  EXPECT_EQ(Log(),
            "\xFE\r\nSystem-Date: 00.00.00\r\nSystem-Time: 00:00:00\r\nMsgArt_____: FMSG "
            "\r\nMessage____: t\r\nFunktion___: f\r\nErrorCode__: 1\r\n");
}

// One long scenario, because reaching the limit takes 3001 real entries: a process that starts
// on a file left by an earlier run counts only its own entries, rotation failures keep the file
// and drop the entry, and a successful rotation replaces the old backup.
TEST_F(MsgTest, RotationAfterThreeThousandOwnEntries) {
  const std::string earlier = Entry("FMSG ", "earlier run", "f", "0");
  std::string earlierRun;
  for (int i = 0; i < 2500; ++i) earlierRun += earlier;
  test::WriteBytes(kLogPath, earlierRun);
  test::WriteBytes(kOldPath, "stale backup");

  Msg_Init(7, kLogName);
  for (int i = 0; i < 3001; ++i) Msg_Log(0, "f", "t", 4);
  const std::string entry = Entry("FMSG ", "t", "f", "0");
  EXPECT_EQ(Msg_EntryCount(), 3001);
  EXPECT_EQ(faults_->Calls(FaultEnv::kRename), 0);
  EXPECT_EQ(test::ReadBytes(kOldPath), "stale backup");
  const std::string full = Log();
  ASSERT_EQ(full.size(), earlierRun.size() + 3001 * entry.size());

  // The backup stays locked: the delete gives up after about ten seconds, the rename then finds
  // the backup in its way, and the entry goes to standard error only.
  faults_->FailAlways(FaultEnv::kDelete, kErrSharingViolation);
  testing::internal::CaptureStderr();
  Msg_Log(1, "f", "lost", 4);
  EXPECT_GE(faults_->SleptMillis(), 9000);
  EXPECT_LE(faults_->SleptMillis(), 11000);
  EXPECT_EQ(Msg_EntryCount(), 3001);
  EXPECT_EQ(Log(), full);

  // A rename error other than the sharing errors keeps the entry from the file too.
  faults_->Clear();
  faults_->FailNth(FaultEnv::kRename, 1, kErrIoDevice);
  Msg_Log(2, "f", "lost", 4);
  EXPECT_EQ(Stderr(),
            Captured(Entry("FMSG ", "lost", "f", "1") + Entry("FMSG ", "lost", "f", "2")));
  EXPECT_EQ(Msg_EntryCount(), 3001);
  EXPECT_EQ(Log(), full);
  EXPECT_FALSE(fs::exists(kOldPath));  // the delete before it did succeed

  // The next entry rotates, waiting out one sharing error of the rename, and replaces the
  // backup that has appeared meanwhile.
  test::WriteBytes(kOldPath, "stale again");
  faults_->Clear();
  faults_->FailNth(FaultEnv::kRename, 1, kErrSharingViolation);
  Msg_Log(3, "f", "first", 4);
  EXPECT_EQ(Msg_EntryCount(), 1);
  EXPECT_EQ(test::ReadBytes(kOldPath), full);
  EXPECT_EQ(Log(), Entry("FMSG ", "first", "f", "3"));
}

TEST_F(MsgTest, AppendLine) {
  EXPECT_EQ(Msg_AppendLine("Msg\\lines.txt", "abc", 3), 0);
  EXPECT_EQ(Msg_AppendLine("Msg\\lines.txt", "d\xE4", 2), 0);
  EXPECT_EQ(Msg_AppendLine("Msg\\lines.txt", nullptr, 0), 0);
  EXPECT_EQ(test::ReadBytes("Msg/lines.txt"), "abc\r\nd\xE4\r\n\r\n");

  EXPECT_NE(Msg_AppendLine("NoSuchFolder\\lines.txt", "x", 1), 0);
  EXPECT_NE(Msg_AppendLine(nullptr, "x", 1), 0);

  const int closesBefore = faults_->Calls(FaultEnv::kClose);
  faults_->FailNth(FaultEnv::kWrite, 1, kErrDiskFull);
  EXPECT_EQ(Msg_AppendLine("Msg\\lines.txt", "x", 1), kErrDiskFull);
  EXPECT_EQ(faults_->Calls(FaultEnv::kClose), closesBefore + 1);

  faults_->Clear();
  faults_->FailAlways(FaultEnv::kOpen, kErrSharingViolation);
  EXPECT_EQ(Msg_AppendLine("Msg\\lines.txt", "x", 1), kErrSharingViolation);
  EXPECT_EQ(test::ReadBytes("Msg/lines.txt"), "abc\r\nd\xE4\r\n\r\n");
  // Appending lines is not counted as log entries.
  EXPECT_EQ(Msg_EntryCount(), 0);
}

}  // namespace
}  // namespace jf
