#include <windows.h>

#include <atomic>

#include "platform/Stop.h"

namespace jf {

namespace {

std::atomic<int> g_stop{0};

// Runs on a thread of its own that the console starts for each event.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  const int stop = event == CTRL_C_EVENT ? kStopInterrupt : kStopTerminate;
  int none = 0;
  if (!g_stop.compare_exchange_strong(none, stop)) {
    // The second stop means it.
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(StopExitCode(stop)));
    return TRUE;
  }
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // A closing console, a logoff or a shutdown ends the process as soon as this returns: hold it
  // while the run ends its group and exits (the system gives it a few seconds).
  ::Sleep(INFINITE);
  return TRUE;
}

}  // namespace

void InstallStopHandlers() {
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

int StopRequested() {
  return g_stop.load();
}

void StopRequestForTest(int stop) {
  g_stop.store(stop);
}

}  // namespace jf
