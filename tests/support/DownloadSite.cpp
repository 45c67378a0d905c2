#include "support/DownloadSite.h"

#include "db/OpenBackend.h"
#include "db/sql/Session.h"
#include "download/SndBuf.h"
#include "msg/Msg.h"
#include "support/StatementCheck.h"

namespace jf::test {

void DownloadSiteTest::SetUp() {
  OrderRowsTest::SetUp();
  Msg_Init(7, ".\\Msg\\Jobfeed.txt");
  std::unique_ptr<sql::Backend> real;
  ASSERT_EQ(OpenBackend("jobfeed", "secret", net_service(), &real), 0);
  auto fb = std::make_unique<sql::FaultBackend>(std::move(real));
  db_ = fb.get();
  test::WatchStatements(fb.get());
  sql::Attach(std::move(fb));
  clock_.Set(LocalTime{2026, 12, 7, 10, 11, 12});
  PinServerClock(clock_);
  Env::Install(&files_);
  AddTerminal(3, "10.1.2.3", "4001", "A", "AZ");
}

void DownloadSiteTest::TearDown() {
  SndBuf_CloseCache();
  Env::Install(nullptr);
  OrderRowsTest::TearDown();
}

std::vector<std::string> DownloadSiteTest::Lines(int terminal) {
  const std::string f = ReadBytes(buffer_file(terminal));
  std::vector<std::string> out;
  for (std::size_t p = 0; p < f.size(); p += 552) out.push_back(f.substr(p, 552));
  return out;
}

std::vector<std::string> DownloadSiteTest::MessageTexts() {
  std::vector<std::string> out;
  for (const Entry& e : Messages()) out.push_back(e.function + "|" + e.message + "|" + e.code);
  return out;
}

}  // namespace jf::test
