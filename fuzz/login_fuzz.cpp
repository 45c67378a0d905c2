// The login file reader on arbitrary file contents. The bytes are served from memory through
// the OS seam, so each input costs no file system round trip. Promises checked: no read or
// write past any buffer (the sanitizers), a value of at most 200 characters from the reader,
// and at most 51 characters in each of the three login settings.
#include <cstring>
#include <memory>
#include <string>

#include "FuzzSite.h"
#include "login/Login.h"
#include "platform/Env.h"

namespace {

class MemoryLoginEnv final : public jf::Env {
 public:
  explicit MemoryLoginEnv(jf::Env* base) : base_(base) {}
  std::string bytes;

  int OpenAppend(std::string_view path, jf::ShareMode mode, jf::Durability durability,
                 std::unique_ptr<jf::WritableFile>* out, bool* existed) override {
    return base_->OpenAppend(path, mode, durability, out, existed);
  }
  int ReadFile(std::string_view path, std::string* contents) override {
    if (path != jf::kLoginFile) return base_->ReadFile(path, contents);
    *contents = bytes;
    return 0;
  }
  int DeleteFile(std::string_view path) override { return base_->DeleteFile(path); }
  int RenameFile(std::string_view from, std::string_view to) override {
    return base_->RenameFile(from, to);
  }
  bool FileExists(std::string_view path) override { return path == jf::kLoginFile; }
  void SleepMillis(int) override {}
  bool Now(jf::LocalTime* out) override { return base_->Now(out); }

 private:
  jf::Env* base_;
};

MemoryLoginEnv* TheEnv() {
  static MemoryLoginEnv* e = [] {
    auto* m = new MemoryLoginEnv(jf::Env::Default());
    jf::Env::Install(m);
    return m;
  }();
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryLoginEnv* e = TheEnv();
  e->bytes.assign(reinterpret_cast<const char*>(data), size);

  // Exactly sized buffers, so that a byte too many is an overflow the sanitizer sees.
  auto user = std::make_unique<char[]>(jf::kLoginValueMax + 1);
  auto pass = std::make_unique<char[]>(jf::kLoginValueMax + 1);
  auto net = std::make_unique<char[]>(jf::kLoginValueMax + 1);
  bool too_long = false;
  jf::iniGetLogin(user.get(), pass.get(), net.get(), &too_long);
  jf::fuzz::Check(std::strlen(user.get()) <= jf::kLoginValueMax, "user name over 51 characters");
  jf::fuzz::Check(std::strlen(pass.get()) <= jf::kLoginValueMax, "password over 51 characters");
  jf::fuzz::Check(std::strlen(net.get()) <= jf::kLoginValueMax, "net service over 51 characters");

  // Lookups by name and by number as well, which the program itself never makes.
  const char* v = jf::iniGetValue("LOGIN", nullptr, 1, jf::kLoginFile);
  jf::fuzz::Check(std::strlen(v) <= 200, "value over 200 characters");
  v = jf::iniGetValue(nullptr, "NET8", -1, jf::kLoginFile);
  jf::fuzz::Check(std::strlen(v) <= 200, "value over 200 characters");
  return 0;
}
