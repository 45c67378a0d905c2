#include "support/FakeClient.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/oracle/OciLibrary.h"
#include "fakeoci/FakeOciControl.h"
#include "platform/Env.h"
#include "platform/SharedLib.h"

namespace jf::test {

FakeClient& FakeClient::Get() {
  static FakeClient client;
  if (client.lib_ == nullptr) {
    // The name the backend loads: the same library, so the same counts and rules.
    std::string why;
    client.lib_ = OpenSharedLib(oracle::ClientLibraryName(), &why);
    if (client.lib_ == nullptr || client.Sym("FakeOci_Reset") == nullptr) {
      ADD_FAILURE() << "the fake Oracle client is not on the library path: " << why;
    }
  }
  return client;
}

void* FakeClient::Sym(const char* name) const {
  return SharedLibSymbol(lib_, name);
}

void FakeClient::Reset() {
  if (auto f = reinterpret_cast<FakeOciResetFn>(Sym("FakeOci_Reset"))) f();
}

void FakeClient::Fail(const std::string& function, const std::string& text, int nth, int ora,
                      bool after) {
  if (auto f = reinterpret_cast<FakeOciFailFn>(Sym("FakeOci_Fail"))) {
    f(function.c_str(), text.c_str(), nth, ora, after ? 1 : 0);
  }
}

long FakeClient::Calls(const char* function, const char* text) const {
  auto f = reinterpret_cast<FakeOciCallsFn>(Sym("FakeOci_Calls"));
  return f != nullptr ? f(function, text) : -1;
}

long FakeClient::RoundTrips(const char* function, const char* text) const {
  auto f = reinterpret_cast<FakeOciRoundTripsFn>(Sym("FakeOci_RoundTrips"));
  return f != nullptr ? f(function, text) : -1;
}

std::vector<FakeClient::Count> FakeClient::Counts() const {
  std::vector<Count> out;
  if (auto f = reinterpret_cast<FakeOciEachFn>(Sym("FakeOci_Each"))) {
    f(
        [](const char* function, const char* text, long calls, long round_trips, void* ctx) {
          static_cast<std::vector<Count>*>(ctx)->push_back({function, text, calls, round_trips});
        },
        &out);
  }
  return out;
}

void FakeClient::SetOpenCursors(int limit) {
  if (auto f = reinterpret_cast<FakeOciSetOpenCursorsFn>(Sym("FakeOci_SetOpenCursors"))) f(limit);
}

void FakeClient::Slow(const std::string& function, const std::string& text, int nth, int millis,
                      bool silent) {
  if (auto f = reinterpret_cast<FakeOciSlowFn>(Sym("FakeOci_Slow"))) {
    f(function.c_str(), text.c_str(), nth, millis, silent ? 1 : 0);
  }
}

void FakeClient::SetTimeScale(int scale) {
  if (auto f = reinterpret_cast<FakeOciSetTimeScaleFn>(Sym("FakeOci_SetTimeScale"))) f(scale);
}

std::string FakeClient::LastLogon() const {
  auto f = reinterpret_cast<FakeOciLastLogonFn>(Sym("FakeOci_LastLogon"));
  return f != nullptr ? f() : "";
}

void FakeClient::FollowClock() {
  if (auto f = reinterpret_cast<FakeOciSetClockFn>(Sym("FakeOci_SetClock"))) {
    f([](int* fields) {
      LocalTime t;
      if (!Env::Default()->Now(&t)) return 0;
      const int v[6] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
      std::copy(v, v + 6, fields);
      return 1;
    });
  }
}

void FakeClient::RealClock() {
  if (auto f = reinterpret_cast<FakeOciSetClockFn>(Sym("FakeOci_SetClock"))) f(nullptr);
}

}  // namespace jf::test
