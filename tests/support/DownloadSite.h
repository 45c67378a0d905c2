// A site for running downloads in-process: the session goes through the fault-injecting database
// backend, files through the fault-injecting Env on a fixed clock (2026-12-07 10:11:12), and
// terminal 3 serves the production areas "A" to "AZ".
#pragma once

#include <string>
#include <vector>

#include "db/sql/FaultBackend.h"
#include "platform/FaultEnv.h"
#include "support/FixedClockEnv.h"
#include "support/OrderRows.h"

namespace jf::test {

class DownloadSiteTest : public OrderRowsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The 552-byte lines of a terminal's send-buffer file.
  std::vector<std::string> Lines(int terminal);
  // The messages as "function|text|code", in order.
  std::vector<std::string> MessageTexts();

  sql::FaultBackend* db_ = nullptr;
  FixedClockEnv clock_{Env::Default()};
  FaultEnv files_{&clock_};
};

}  // namespace jf::test
