#include <signal.h>

#include "platform/Stop.h"

namespace jf {

namespace {

volatile sig_atomic_t g_stop = 0;

// The second stop means it: the default action ends the process now.
void OnStop(int sig) {
  if (g_stop != 0) {
    ::signal(sig, SIG_DFL);
    ::raise(sig);
    return;
  }
  g_stop = sig == SIGINT ? kStopInterrupt : kStopTerminate;
}

}  // namespace

void InstallStopHandlers() {
  struct sigaction sa = {};
  sa.sa_handler = OnStop;
  ::sigemptyset(&sa.sa_mask);
  // Interrupted system calls go on: the row in hand finishes as if nothing had happened.
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
}

int StopRequested() {
  return g_stop;
}

void StopRequestForTest(int stop) {
  g_stop = stop;
}

}  // namespace jf
