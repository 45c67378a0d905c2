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

}  // namespace
}  // namespace jf
