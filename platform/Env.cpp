#include "platform/Env.h"

#include <atomic>

namespace jf {

Env* OsEnv();  // env_posix.cpp or env_win32.cpp

namespace {
std::atomic<Env*> installed{nullptr};
}

Env* Env::Default() {
  Env* e = installed.load(std::memory_order_acquire);
  return e != nullptr ? e : OsEnv();
}

Env* Env::Install(Env* e) {
  return installed.exchange(e, std::memory_order_acq_rel);
}

}  // namespace jf
