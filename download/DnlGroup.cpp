#include "download/DnlGroup.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include "download/DnlJournal.h"
#include "msg/Msg.h"

namespace jf {

namespace {

// The value of the variable name as a whole number from 0 to max into *out; a missing or empty
// variable leaves *out as it is. Anything else is logged and leaves *out too.
void ReadSetting(const char* name, int min, int max, int* out) {
  const char* v = std::getenv(name);
  if (v == nullptr || *v == '\0') return;
  long n = 0;
  bool ok = true;
  for (const char* p = v; *p != '\0' && ok; ++p) {
    ok = *p >= '0' && *p <= '9' && n <= max;
    n = n * 10 + (*p - '0');
  }
  if (ok && n >= min && n <= max) {
    *out = static_cast<int>(n);
    return;
  }
  const std::string text = std::string(name) + " ungueltig (" + std::to_string(min) + " bis " +
                           std::to_string(max) + "), es gilt " + std::to_string(*out);
  Msg_Log(-1, "main", text.c_str(), kMsgError);
}

}  // namespace

DnlGroupLimits& DnlGroupSettings() {
  static DnlGroupLimits limits;
  return limits;
}

void DnlGroupConfigure() {
  DnlGroupLimits limits;
  ReadSetting("JOBFEED_GROUP_ROWS", 1, kDnlGroupMaxRows, &limits.rows);
  ReadSetting("JOBFEED_GROUP_MS", 0, kDnlGroupMaxMillis, &limits.millis);
  DnlGroupSettings() = limits;
  int journal = 0;
  ReadSetting("JOBFEED_JOURNAL", 0, 1, &journal);
  DnlJournalUse(journal == 1);
}

int64_t DnlClockMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace jf
