// The send-buffer writer: line bytes, file names, the file-handle cache and the file failures.
// The terminal lookup is exercised end to end in order_download_test.cpp.
#include "download/SndBuf.h"

#include <gtest/gtest.h>

#include <string>

#include "msg/Msg.h"
#include "platform/FaultEnv.h"
#include "support/FixedClockEnv.h"
#include "support/OrderSite.h"

namespace jf {
namespace {

CfgRecord Terminal(int32_t dta, const char* ip = "10.1.2.3", const char* port = "4001") {
  CfgRecord c;
  c.CfgDta = dta;
  c.CfgIP = ip;
  c.CfgPrt = port;
  return c;
}

DnlRecord Record(const char* skz = "APK", const char* fun = "AEN", std::string payload = {}) {
  DnlRecord r;
  r.date = "20261207";
  r.time = "093015";
  r.DnlSkz = skz;
  r.DnlFun = fun;
  if (payload.empty()) payload = std::string(254, 'p') + "X";
  r.DnlDnl = payload;
  return r;
}

TEST(SndBufLine, FieldsStandAtTheirOffsets) {
  const std::string line = SndBuf_Line(Record(), Terminal(3), "20261207101112");
  ASSERT_EQ(line.size(), 552u);
  EXPECT_EQ(line.substr(0, 1), "$");
  EXPECT_EQ(line.substr(1, 15), "10.1.2.3       ");
  EXPECT_EQ(line.substr(16, 5), "4001 ");
  EXPECT_EQ(line.substr(21, 14), "20261207101112");
  EXPECT_EQ(line.substr(35, 3), "999");
  EXPECT_EQ(line.substr(38, 15), "       10.1.2.3");
  EXPECT_EQ(line.substr(53, 5), " 4001");
  EXPECT_EQ(line.substr(58, 28), std::string(28, ' '));
  EXPECT_EQ(line.substr(86, 4), "0460");
  EXPECT_EQ(line.substr(90, 3), "APK");
  EXPECT_EQ(line.substr(93, 6), "261207");
  EXPECT_EQ(line.substr(99, 6), "093015");
  EXPECT_EQ(line.substr(105, 3), "BDE");
  EXPECT_EQ(line.substr(108, 3), "AEN");
  EXPECT_EQ(line.substr(111, 255), std::string(254, 'p') + "X");
  EXPECT_EQ(line.substr(366, 183), std::string(183, ' '));
  EXPECT_EQ(line.substr(549), "*\r\n");
}

TEST(SndBufLine, EmptyKindGivesSpacesAndLongValuesWidenTheLine) {
  std::string line = SndBuf_Line(Record("APP", "", std::string(257, 'q')), Terminal(3), "0");
  ASSERT_EQ(line.size(), 552u);
  EXPECT_EQ(line.substr(108, 3), "   ");
  EXPECT_EQ(line.substr(111 + 257, 181), std::string(181, ' '));

  // A widened line is built whole rather than cut or overrun.
  CfgRecord wide = Terminal(3, "123456789012345", "12345");
  line = SndBuf_Line(Record(), wide, "123456789012345678");
  EXPECT_EQ(line.size(), 556u);
  EXPECT_EQ(line.substr(line.size() - 3), "*\r\n");
  EXPECT_FALSE(SndBuf_LineShaped(line)) << "the writer refuses it";
}

TEST(SndBufLine, OneLineIs552BytesWithItsOnlyLineEndAtItsEnd) {
  const std::string good = SndBuf_Line(Record("APK", "A\nE"), Terminal(3, "10.1\r\n"), "0");
  ASSERT_TRUE(SndBuf_LineShaped(good)) << "control bytes of the values go out as \"?\"";
  EXPECT_FALSE(SndBuf_LineShaped(good.substr(0, 551)));
  EXPECT_FALSE(SndBuf_LineShaped(good.substr(0, 550) + "\n\n"));
  for (char inner : {'\r', '\n', '\x7F', '\0', '\x01'}) {
    std::string bad = good;
    bad[300] = inner;
    EXPECT_FALSE(SndBuf_LineShaped(bad)) << static_cast<int>(inner);
  }
}

TEST(SndBufLine, FileNameCarriesTheWholeTerminalNumber) {
  EXPECT_EQ(SndBuf_FileName(3), "..\\Comm\\Buff\\SndDnl3.buf");
  EXPECT_EQ(SndBuf_FileName(12), "..\\Comm\\Buff\\SndDnl12.buf");
  EXPECT_EQ(SndBuf_FileName(0), "..\\Comm\\Buff\\SndDnl0.buf");
}

class SndBufFileTest : public test::OrderSiteTest {
 protected:
  void SetUp() override {
    OrderSiteTest::SetUp();
    Msg_Init(7, ".\\Msg\\Jobfeed.txt");
    clock_.Set(LocalTime{2026, 12, 7, 10, 11, 12});
    Env::Install(&faults_);
  }
  void TearDown() override {
    SndBuf_CloseCache();  // before the fault wrapper its files refer to goes away
    Env::Install(nullptr);
    OrderSiteTest::TearDown();
  }
  // The writer lets go of its file first: a file it holds can be read by nobody on Windows.
  std::string File(int terminal) {
    SndBuf_CloseCache();
    return test::ReadBytes(buffer_file(terminal));
  }
  // Opens and closes of send-buffer files: the message log opens and closes its file once per
  // entry through the same environment.
  int Opens() const { return faults_.Calls(FaultEnv::kOpen) - Msg_EntryCount(); }
  int Closes() const { return faults_.Calls(FaultEnv::kClose) - Msg_EntryCount(); }

  test::FixedClockEnv clock_{Env::Default()};
  FaultEnv faults_{&clock_};
};

TEST_F(SndBufFileTest, TimestampComesFromTheClockOrIsZeros) {
  char ts[15];
  SndBuf_Timestamp(ts);
  EXPECT_STREQ(ts, "20261207101112");
  faults_.FailNth(FaultEnv::kClock, 1, 0);
  SndBuf_Timestamp(ts);
  EXPECT_STREQ(ts, "00000000000000");
}

TEST_F(SndBufFileTest, OneTerminalIsOpenedOnceAndAppendedTo) {
  test::WriteBytes(buffer_file(3), "old\r\n");
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  ASSERT_EQ(SndBuf_Append(Record("APP"), Terminal(3)), 0);
  EXPECT_EQ(Opens(), 1);
  const std::string f = File(3);
  ASSERT_EQ(f.size(), 5u + 2 * 552u);
  EXPECT_EQ(f.substr(0, 5), "old\r\n");
  EXPECT_EQ(f.substr(5 + 21, 14), "20261207101112");
  EXPECT_EQ(f.substr(5 + 552 + 90, 3), "APP");
}

// Alternating terminals keep their files open until the cache is let go; a flush makes every
// line of every open file durable.
TEST_F(SndBufFileTest, AlternatingTerminalsKeepTheirFilesUntilLetGo) {
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(5)), 0);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_EQ(Opens(), 2);
  EXPECT_EQ(Closes(), 0);
  EXPECT_EQ(SndBuf_Flush(), 0);
  EXPECT_EQ(faults_.Calls(FaultEnv::kSync), 2);
  SndBuf_CloseCache();
  EXPECT_EQ(Closes(), 2);
  EXPECT_EQ(File(3).size(), 2 * 552u);
  EXPECT_EQ(File(5).size(), 552u);
}

TEST_F(SndBufFileTest, TerminalZeroIsServedLikeAnyOther) {
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(0)), 0);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(0)), 0);
  EXPECT_EQ(Opens(), 1);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(5)), 0);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(0)), 0);
  EXPECT_EQ(Opens(), 2);
  EXPECT_EQ(File(0).size(), 3 * 552u);
}

TEST_F(SndBufFileTest, FailedOpenIsLoggedAndTheNextLineOpensAgain) {
  faults_.FailNth(FaultEnv::kOpen, 1, kErrAccessDenied, "SndDnl3");
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "CreateFile");
  EXPECT_EQ(m[0].message, "Datei oeffnen");
  EXPECT_EQ(m[0].code, "5");
  EXPECT_EQ(faults_.SleptMillis(), 0) << "only sharing errors are waited out";
  // The failed open leaves no stale entry behind: the next line for the same terminal tries
  // the file again and gets through.
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_EQ(Opens(), 2);
  EXPECT_EQ(File(3).size(), 552u);

  // A missing folder: a detail entry names the file whose folder the site must provide.
  faults_.FailNth(FaultEnv::kOpen, 1, kErrPathNotFound, "SndDnl5");
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(5)), -1);
  m = Messages(true);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[1].code + "|" + m[2].function + "|" + m[2].message, "3|CreateFile|Detail");
  EXPECT_NE(test::ReadBytes(msg_file()).find("Ordner fehlt: " + SndBuf_FileName(5)),
            std::string::npos);
}

TEST_F(SndBufFileTest, FileHeldByAnotherProcessIsWaitedForABoundedTime) {
  // Held for a moment: the line goes out after a wait, with no message.
  faults_.FailNth(FaultEnv::kOpen, 1, kErrSharingViolation, "SndDnl3");
  faults_.FailNth(FaultEnv::kOpen, 1, kErrLockViolation, "SndDnl3");  // the next open
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(faults_.SleptMillis(), 2 * 333);
  EXPECT_EQ(File(3).size(), 552u);
  SndBuf_CloseCache();

  // Held for good: about two seconds, then the row fails as any failed open does.
  faults_.Clear();
  faults_.FailAlways(FaultEnv::kOpen, kErrSharingViolation, "SndDnl3");
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  EXPECT_EQ(faults_.SleptMillis(), 2 * 333 + 6 * 333);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "CreateFile");
  EXPECT_EQ(m[0].code, "32");
  EXPECT_EQ(File(3).size(), 552u);

  // Once waited out, the file is tried once for the process's later rows, without waiting.
  const long waited = faults_.SleptMillis();
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  EXPECT_EQ(faults_.SleptMillis(), waited);
  SndBuf_Wait(false);  // nor does its row end a group to wait for it as the next group's first
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  SndBuf_Wait(true);
  faults_.Clear();
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_EQ(File(3).size(), 2 * 552u);
}

TEST_F(SndBufFileTest, FailedSeekClosesTheFileAndTheNextLineReopens) {
  faults_.FailNth(FaultEnv::kSeek, 1, kErrIoDevice);
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  EXPECT_EQ(Closes(), 1);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "SetFilePointer");
  EXPECT_EQ(m[0].message, "Ende der Datei");
  EXPECT_EQ(m[0].code, "1117");
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_EQ(Opens(), 2);
  EXPECT_EQ(File(3).size(), 552u);
}

TEST_F(SndBufFileTest, ShortWriteLeavesNoPartialLineAndKeepsTheFile) {
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  faults_.FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "", 100);
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "WrittenFile");
  EXPECT_EQ(m[0].message, "");
  EXPECT_EQ(m[0].code, "112");
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_EQ(Opens(), 1);                // the file stayed open
  EXPECT_EQ(File(3).size(), 2 * 552u);  // the 100 bytes were cut off again
}

TEST_F(SndBufFileTest, WhenTheCutFailsTooTheFileIsGivenUp) {
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  faults_.FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "", 100);
  faults_.FailNth(FaultEnv::kTruncate, 1, kErrIoDevice);
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  EXPECT_EQ(Closes(), 1);
  // The next line opens the file afresh, takes the torn tail back and lands after the last
  // whole line.
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_EQ(Opens(), 2);
  EXPECT_EQ(File(3).size(), 2 * 552u);
}

// A torn last line is cut back by reading the file's end only, however large the file.
TEST_F(SndBufFileTest, TornTailOfALargeFileIsCutFromItsEnd) {
  const std::string line = SndBuf_Line(Record(), Terminal(3), "20261207101112");
  std::string big;
  for (int i = 0; i < 4000; ++i) big += line;  // 2.2 MB
  test::WriteBytes(buffer_file(3), big + line.substr(0, 300));
  faults_.ResetCounts();
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_GT(faults_.BytesRead(), 0u);
  EXPECT_LE(faults_.BytesRead(), 8 * 552u);
  EXPECT_EQ(File(3), big + line);

  // No line end anywhere: nothing whole is left.
  test::WriteBytes(buffer_file(5), std::string(20000, 'x'));
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(5)), 0);
  EXPECT_EQ(File(5), line);
}

// A file the writer creates has its folder entry flushed once, with the first flush of its
// lines; a file that was there needs none.
TEST_F(SndBufFileTest, NewFileHasItsFolderFlushedOnce) {
  test::WriteBytes(buffer_file(5), "");
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(5)), 0);
  EXPECT_EQ(faults_.Calls(FaultEnv::kSyncFolder), 0);
  ASSERT_EQ(SndBuf_Flush(), 0);
  EXPECT_EQ(faults_.Calls(FaultEnv::kSyncFolder), 1);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  ASSERT_EQ(SndBuf_Flush(), 0);
  EXPECT_EQ(faults_.Calls(FaultEnv::kSyncFolder), 1);

  // A folder that cannot be flushed fails the flush like the file's own; the file's next
  // flush, after it was let go of and opened again, still flushes its folder.
  SndBuf_CloseCache();
  std::filesystem::remove(buffer_file(3));
  faults_.FailNth(FaultEnv::kSyncFolder, 1, kErrIoDevice);
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  EXPECT_EQ(SndBuf_Flush(), -1);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "WrittenFile");
  EXPECT_EQ(m[0].code, "1117");
  SndBuf_CloseCache();
  ASSERT_EQ(SndBuf_Append(Record(), Terminal(3)), 0);
  ASSERT_EQ(SndBuf_Flush(), 0);
  EXPECT_EQ(faults_.Calls(FaultEnv::kSyncFolder), 3);
}

#ifndef _WIN32
// Whoever may write to the site's folders could put a link where a send-buffer file or the
// message file belongs: the program neither appends through it nor cuts the file it points to.
TEST_F(SndBufFileTest, PlantedLinksAreNeitherWrittenNorCut) {
  const std::string precious = "someone else's file\nwithout a line end at its end";
  const auto target = root() / "precious";
  test::WriteBytes(target, precious);
  std::filesystem::create_symlink(target, buffer_file(3));
  EXPECT_EQ(SndBuf_Append(Record(), Terminal(3)), -1);
  auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].function, "CreateFile");
  EXPECT_EQ(m[0].message, "Datei oeffnen");
  EXPECT_EQ(m[0].code, std::to_string(kErrNotPlainFile));

  // The message file: the entry goes to standard error instead.
  std::filesystem::remove(msg_file());
  std::filesystem::create_symlink(target, msg_file());
  testing::internal::CaptureStderr();
  Msg_Log(-1, "Test", "through a link", kMsgError);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("through a link"), std::string::npos);
  EXPECT_EQ(test::ReadBytes(target), precious);
}
#endif

}  // namespace
}  // namespace jf
