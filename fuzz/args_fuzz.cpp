// The argument handling of a whole run: RunJobfeed with arbitrary arguments, in a site whose
// database holds the tables but no rows. The input is split at zero bytes into arguments.
// Promises checked: no crash or overrun (the sanitizers) and the status of a run without four
// arguments.
#include <string>
#include <vector>

#include "FuzzSite.h"
#include "db/sql/Session.h"
#include "driver/Run.h"
#include "msg/Msg.h"

#if __has_include("download/SndBuf.h")
#include "download/SndBuf.h"
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  jf::fuzz::SiteWorkDir();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args = jf::fuzz::SplitAtZero(data, size);
  if (args.size() > 8) args.resize(8);
  std::vector<const char*> argv{"jobfeed"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  const int argc = size == 0 ? 1 : static_cast<int>(argv.size());
  argv.push_back(nullptr);

  const int status = jf::RunJobfeed(argc, argv.data());
  if (argc < 5) jf::fuzz::Check(status == jf::kUsageStatus, "missing arguments not refused");

  // What the process end does in a real run.
  jf::sql::Disconnect();
  jf::Msg_ResetForTest();
  std::error_code ec;
  const auto msg = jf::fuzz::SiteWorkDir() / "Msg" / "Jobfeed.txt";
  if (std::filesystem::file_size(msg, ec) > (1u << 20)) std::filesystem::remove(msg, ec);
  return 0;
}
