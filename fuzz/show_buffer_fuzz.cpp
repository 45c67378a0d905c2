// jobfeed-admin show-buffer on arbitrary send-buffer file contents. Promises checked: no crash or
// overrun (the sanitizers), and the exit code tells whole files (0) from damaged ones (1).
#include <cstdio>
#include <fstream>
#include <string>

#include "FuzzSite.h"
#include "tools/admin_commands.h"

namespace {

std::string g_path;

// Whether every line is 552 bytes, starts with "$", ends with "*\r\n" and carries a known
// record type.
bool AllLinesWhole(const std::string& text) {
  static const std::string kTypes = " APK APP MAG MAS UBG PNR AWN KST ";
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t eol = text.find("\r\n", pos);
    if (eol == std::string::npos) return false;
    if (eol + 2 - pos != 552 || text[pos] != '$' || text[eol - 1] != '*') return false;
    if (kTypes.find(" " + text.substr(pos + 90, 3) + " ") == std::string::npos) return false;
    pos = eol + 2;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_path = (jf::fuzz::SiteWorkDir() / "SndDnl1.buf").string();
  // The listing itself is of no interest here.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(g_path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  char cmd[] = "show-buffer";
  char* argv[] = {cmd, g_path.data(), nullptr};
  const int rc = jf::admin::CmdShowBuffer(2, argv);
  jf::fuzz::Check(rc == (AllLinesWhole(text) ? 0 : 1),
                  "show-buffer's exit code misjudges the file");
  return 0;
}
