// An Env that passes every call to another Env, counts the calls of each kind, and makes
// chosen calls fail with a chosen Windows error. Tests reach every failure branch with it.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace jf {

class FaultEnv final : public Env {
 public:
  enum Op {
    kOpen,
    kSeek,
    kWrite,
    kTruncate,
    kClose,
    kRead,
    kDelete,
    kRename,
    kClock,
    kSync,
    kSyncFolder,
    kOpCount
  };

  explicit FaultEnv(Env* base) : base_(base) {}

  // The nth call (1-based, counted from now) of op whose path contains path_part fails with
  // error. For kWrite, written_bytes bytes reach the file before the failure (a short write).
  // For kClock the error is ignored: the clock read fails. A failed kSync loses what was
  // written to the file since it was opened or last synced, as a disk that refuses the flush
  // may.
  void FailNth(Op op, int nth, int error, std::string path_part = {},
               std::size_t written_bytes = 0);
  // Every call of op whose path contains path_part fails with error until Clear().
  void FailAlways(Op op, int error, std::string path_part = {});
  void Clear();

  // Calls of op seen so far (failed ones included).
  int Calls(Op op) const { return calls_[op]; }
  int TotalCalls() const;
  void ResetCounts() {
    calls_.fill(0);
    read_bytes_ = 0;
  }
  // Bytes read back through opened files (WritableFile::ReadAt) so far.
  uint64_t BytesRead() const { return read_bytes_; }
  void CountRead(uint64_t n) { read_bytes_ += n; }
  static const char* OpName(Op op);

  int OpenAppend(std::string_view path, ShareMode mode, Durability durability,
                 std::unique_ptr<WritableFile>* out, bool* existed) override;
  int ReadFile(std::string_view path, std::string* contents) override;
  int DeleteFile(std::string_view path) override;
  int RenameFile(std::string_view from, std::string_view to) override;
  bool FileExists(std::string_view path) override { return base_->FileExists(path); }
  void SleepMillis(int millis) override;
  bool Now(LocalTime* out) override;

  // Total milliseconds the program asked to sleep; sleeping itself is skipped so retry loops
  // run fast under test.
  long SleptMillis() const { return slept_; }

  // Called by wrapped files.
  int Check(Op op, std::string_view path, std::size_t* written_bytes = nullptr);

 private:
  struct Rule {
    Op op;
    int nth;  // 0 = always
    int error;
    std::string path_part;
    std::size_t written_bytes;
    int seen = 0;
  };
  Env* base_;
  std::vector<Rule> rules_;
  std::array<int, kOpCount> calls_{};
  long slept_ = 0;
  uint64_t read_bytes_ = 0;
};

}  // namespace jf
