// The downloads of a run over database contents of every shape: the order run (both
// preparations and both order downloads) and every master data download, on rows whose columns
// beside their keys and markers hold arbitrary texts, numbers and day numbers, and a terminal
// whose own texts are arbitrary too. Promises checked: no crash or undefined behaviour (the
// sanitizers), and every line that reaches a send-buffer file is one line: 552 bytes, its only
// CR LF at its end, no control byte.
#include <filesystem>
#include <string>
#include <system_error>

#include "FuzzSite.h"
#include "db/DbDb.h"
#include "download/Download.h"
#include "download/SndBuf.h"
#include "driver/Prepare.h"
#include "msg/Msg.h"
#include "platform/Env.h"

namespace {

namespace fs = std::filesystem;

void CheckLines(const fs::path& buff) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(buff, ec)) {
    std::string bytes;
    jf::fuzz::Check(jf::env()->ReadFile(entry.path().string(), &bytes) == 0, "unreadable file");
    jf::fuzz::Check(bytes.size() % 552 == 0, "a send-buffer file holds a broken line");
    for (std::size_t p = 0; p < bytes.size(); p += 552) {
      jf::fuzz::Check(jf::SndBuf_LineShaped(std::string_view(bytes).substr(p, 552)),
                      "a line is not one line");
    }
    fs::remove(entry.path(), ec);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  jf::fuzz::SiteWorkDir();
  jf::Msg_Init(jf::kMsgData | jf::kMsgSystem | jf::kMsgError, ".\\Msg\\Jobfeed.txt");
  jf::fuzz::Check(jf::bdConnect() == 0, "cannot connect to the site's database");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  jf::fuzz::Values values(jf::fuzz::SplitAtZero(data, size));
  jf::fuzz::PlantDownloadRows(&values);
  const jf::Text<8> requester("FUZZ");
  const jf::Text<5> action(size % 2 ? "SPERR" : "BEGIN");
  jf::PrepareOrderHeader("4711", requester);
  jf::Apk_Dnl("20261207", "093015", "FUZZ");
  jf::PreparePosition("4711", "10", requester, action);
  jf::App_Dnl("20261207", "093015", "FUZZ");
  for (auto dnl : {jf::Apg_Dnl, jf::Apl_Dnl, jf::Ubg_Dnl, jf::Prv_Dnl, jf::Ksg_Dnl}) {
    dnl("20261207", "093015", "FUZZ");
  }
  jf::bdCommit();
  CheckLines(jf::fuzz::SiteWorkDir() / ".." / "Comm" / "Buff");
  return 0;
}
