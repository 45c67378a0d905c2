// The controls of the fake Oracle client (tests/fakeoci/FakeOciControl.h), from the library the
// Oracle backend loads, so a test can count its calls and round trips and fail any of them.
#pragma once

#include <string>
#include <vector>

namespace jf::test {

class FakeClient {
 public:
  // The client of this process; loads it if the backend has not yet. Fails the test (and
  // returns a client whose calls do nothing) when it cannot be loaded.
  static FakeClient& Get();

  // Forgets every failure rule and every count.
  void Reset();
  // The nth call (0: every call) of function on a statement whose text contains text fails
  // with ORA-<ora>; with after, the call takes effect first.
  void Fail(const std::string& function, const std::string& text, int nth, int ora,
            bool after = false);
  // Calls and round trips of function (nullptr: all) on statements containing text.
  long Calls(const char* function = nullptr, const char* text = nullptr) const;
  long RoundTrips(const char* function = nullptr, const char* text = nullptr) const;

  struct Count {
    std::string function, text;
    long calls = 0, round_trips = 0;
  };
  std::vector<Count> Counts() const;
  // The server's OPEN_CURSORS (Reset restores 50).
  void SetOpenCursors(int limit);
  // The nth round trip of function on statements containing text takes millis more on the
  // server, or gets no answer at all (silent); the fake's waits pass scale times faster.
  void Slow(const std::string& function, const std::string& text, int nth, int millis,
            bool silent = false);
  void SetTimeScale(int scale);
  // "user|password|net service name|charset" of the last logon.
  std::string LastLogon() const;
  // The server's clock (sysdate) reads this process's clock, pinned or not, as the embedded
  // backend's does; RealClock() lets it read the real one again.
  void FollowClock();
  void RealClock();

 private:
  FakeClient() = default;
  void* Sym(const char* name) const;
  void* lib_ = nullptr;
};

}  // namespace jf::test
