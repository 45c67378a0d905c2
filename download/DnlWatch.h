// What the downloads tell a person watching a run started by hand: each row done and each line
// written. Nobody listens unless a program installs a watcher, so a scheduled run pays a pointer
// test per row and line.
#pragma once

#include <cstdint>

namespace jf {

class DnlWatcher {
 public:
  virtual ~DnlWatcher() = default;
  // A row of the download `function` ("Apk_Dnl") is done with: its lines went out and it left
  // the due list (sent), or it stays due.
  virtual void RowDone(const char* function, bool sent) = 0;
  // A line went into the send-buffer file of a terminal.
  virtual void LineWritten(int32_t terminal) = 0;
  // An order download stopped at a failed row and left n more rows due without trying them.
  virtual void RowsUntried(const char* /*function*/, uint64_t /*n*/) {}
};

// The installed watcher, or nullptr.
inline DnlWatcher*& DnlWatch() {
  static DnlWatcher* watcher = nullptr;
  return watcher;
}

}  // namespace jf
