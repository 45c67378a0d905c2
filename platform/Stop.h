// A run is stopped by its scheduler or by the person who started it (SIGINT and SIGTERM; on
// Windows Ctrl-C, Ctrl-Break and a closing console). The first stop is only noted: the run
// finishes the row in hand, ends its group and returns. A second stop ends the process at once.
#pragma once

namespace jf {

// The stops a run tells apart, numbered as POSIX numbers its signals.
inline constexpr int kStopInterrupt = 2;   // SIGINT, Ctrl-C
inline constexpr int kStopTerminate = 15;  // SIGTERM, Ctrl-Break, a closing console

// Notes the first stop from now on instead of ending the process.
void InstallStopHandlers();

// The stop noted so far (kStopInterrupt or kStopTerminate), or 0.
int StopRequested();

// The exit code of a run ended by stop: 128 and its number, as a shell reports a signal (130,
// 143), on every platform.
inline int StopExitCode(int stop) {
  return 128 + stop;
}

// Notes a stop as a handler would. Tests only.
void StopRequestForTest(int stop);

}  // namespace jf
