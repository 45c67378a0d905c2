#include "platform/FaultEnv.h"

#include <algorithm>
#include <numeric>

namespace jf {

namespace {

class FaultFile final : public WritableFile {
 public:
  FaultFile(FaultEnv* env, std::string path, std::unique_ptr<WritableFile> base, bool through)
      : env_(env), path_(std::move(path)), base_(std::move(base)), through_(through) {}

  int SeekToEnd(uint64_t* offset) override {
    if (int e = env_->Check(FaultEnv::kSeek, path_)) return e;
    uint64_t end = 0;
    const int rc = base_->SeekToEnd(&end);
    if (rc == 0) size_ = synced_ = end;  // what the file held when opened is on the disk
    if (rc == 0 && offset != nullptr) *offset = end;
    return rc;
  }
  int Write(std::string_view data, std::size_t* written) override {
    std::size_t partial = 0, n = 0;
    int rc = env_->Check(FaultEnv::kWrite, path_, &partial);
    if (rc != 0) {
      if (partial > 0) base_->Write(data.substr(0, std::min(partial, data.size())), &n);
    } else {
      rc = base_->Write(data, &n);
    }
    if (written != nullptr) *written = n;
    size_ += n;
    if (through_) synced_ = size_;
    return rc;
  }
  int Truncate(uint64_t size) override {
    if (int e = env_->Check(FaultEnv::kTruncate, path_)) return e;
    const int rc = base_->Truncate(size);
    if (rc == 0) {
      size_ = size;
      synced_ = std::min(synced_, size);
    }
    return rc;
  }
  int Sync() override {
    if (int e = env_->Check(FaultEnv::kSync, path_)) {
      base_->Truncate(synced_);  // the unsynced tail never reached the disk
      size_ = synced_;
      return e;
    }
    const int rc = base_->Sync();
    if (rc == 0) synced_ = size_;
    return rc;
  }
  int SyncFolder() override {
    if (int e = env_->Check(FaultEnv::kSyncFolder, path_)) return e;
    return base_->SyncFolder();
  }
  int ReadAt(uint64_t offset, std::size_t size, std::string* contents) override {
    if (int e = env_->Check(FaultEnv::kRead, path_)) return e;
    const int rc = base_->ReadAt(offset, size, contents);
    if (rc == 0) env_->CountRead(contents->size());
    return rc;
  }
  int Close() override {
    if (int e = env_->Check(FaultEnv::kClose, path_)) {
      base_->Close();  // the handle is gone either way; only the report fails
      return e;
    }
    return base_->Close();
  }

 private:
  FaultEnv* env_;
  std::string path_;
  std::unique_ptr<WritableFile> base_;
  bool through_;
  uint64_t size_ = 0, synced_ = 0;  // bytes in the file; of them on the disk
};

}  // namespace

const char* FaultEnv::OpName(Op op) {
  static const char* const names[] = {"open",   "seek",   "write", "truncate", "close",      "read",
                                      "delete", "rename", "clock", "sync",     "sync folder"};
  return op >= 0 && op < kOpCount ? names[op] : "?";
}

void FaultEnv::FailNth(Op op, int nth, int error, std::string path_part,
                       std::size_t written_bytes) {
  rules_.push_back(Rule{op, nth, error, std::move(path_part), written_bytes});
}

void FaultEnv::FailAlways(Op op, int error, std::string path_part) {
  rules_.push_back(Rule{op, 0, error, std::move(path_part), 0});
}

void FaultEnv::Clear() {
  rules_.clear();
}

int FaultEnv::TotalCalls() const {
  return std::accumulate(calls_.begin(), calls_.end(), 0);
}

int FaultEnv::Check(Op op, std::string_view path, std::size_t* written_bytes) {
  ++calls_[op];
  for (Rule& r : rules_) {
    if (r.op != op || path.find(r.path_part) == std::string_view::npos) continue;
    ++r.seen;
    if (r.nth == 0 || r.seen == r.nth) {
      if (written_bytes != nullptr) *written_bytes = r.written_bytes;
      return r.error == 0 ? kErrGenFailure : r.error;
    }
  }
  return 0;
}

int FaultEnv::OpenAppend(std::string_view path, ShareMode mode, Durability durability,
                         std::unique_ptr<WritableFile>* out, bool* existed) {
  if (int e = Check(kOpen, path)) return e;
  std::unique_ptr<WritableFile> f;
  int rc = base_->OpenAppend(path, mode, durability, &f, existed);
  if (rc != 0) return rc;
  *out = std::make_unique<FaultFile>(this, std::string(path), std::move(f),
                                     durability == Durability::kWriteThrough);
  return 0;
}

int FaultEnv::ReadFile(std::string_view path, std::string* contents) {
  if (int e = Check(kRead, path)) return e;
  return base_->ReadFile(path, contents);
}

int FaultEnv::DeleteFile(std::string_view path) {
  if (int e = Check(kDelete, path)) return e;
  return base_->DeleteFile(path);
}

int FaultEnv::RenameFile(std::string_view from, std::string_view to) {
  if (int e = Check(kRename, from)) return e;
  return base_->RenameFile(from, to);
}

void FaultEnv::SleepMillis(int millis) {
  slept_ += millis;
}

bool FaultEnv::Now(LocalTime* out) {
  if (Check(kClock, "") != 0) return false;
  return base_->Now(out);
}

}  // namespace jf
