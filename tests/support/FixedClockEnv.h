// An Env that passes everything to another Env but reads a clock the test sets, so texts that
// carry the date and time can be compared byte for byte.
#pragma once

#include "platform/Env.h"

namespace jf::test {

class FixedClockEnv final : public Env {
 public:
  explicit FixedClockEnv(Env* base, LocalTime now = {}) : base_(base), now_(now) {}

  void Set(const LocalTime& now) { now_ = now; }

  int OpenAppend(std::string_view path, ShareMode mode, Durability durability,
                 std::unique_ptr<WritableFile>* out, bool* existed) override {
    return base_->OpenAppend(path, mode, durability, out, existed);
  }
  int ReadFile(std::string_view path, std::string* contents) override {
    return base_->ReadFile(path, contents);
  }
  int DeleteFile(std::string_view path) override { return base_->DeleteFile(path); }
  int RenameFile(std::string_view from, std::string_view to) override {
    return base_->RenameFile(from, to);
  }
  bool FileExists(std::string_view path) override { return base_->FileExists(path); }
  void SleepMillis(int millis) override { base_->SleepMillis(millis); }
  bool Now(LocalTime* out) override {
    *out = now_;
    return true;
  }

 private:
  Env* base_;
  LocalTime now_;
};

}  // namespace jf::test
