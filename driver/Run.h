// The run of the program: one requester, one production order.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace jf {

// Runs the whole sequence with the program's arguments (argv[0] is the program name) and
// returns its status: the order position download's status, 0 when the database cannot be
// reached, kUsageStatus when arguments are missing.
int RunJobfeed(int argc, const char* const* argv);

// Status of a run started without its four arguments.
inline constexpr int32_t kUsageStatus = -2;

// Status of a run that ended in an exception: logged, never an abort.
inline constexpr int32_t kAbortStatus = -1;
int32_t LogEscapedException(const char* what);

// Runs a program's body and returns its status; an exception it lets out is logged ("main")
// and becomes kAbortStatus, so no run ends with an abort and nothing said.
template <class Body>
int32_t RunGuarded(Body&& body) {
  try {
    return body();
  } catch (const std::exception& e) {
    return LogEscapedException(e.what());
  } catch (...) {
    return LogEscapedException("?");
  }
}
// Opens the message log of the programs' runs: kinds 1, 2 and 4, .\Msg\Jobfeed.txt.
void OpenRunLog();

// Refuses a run whose argument number index holds a character the program's code page lacks
// (or is not valid in the terminal's encoding): logs it and returns kUsageStatus, touching no
// database.
int RefuseArgument(int index);

// The message text of such an argument, after the program's usage line.
std::string UnusableArgumentText(int index);

// A run that was told to stop: logs the one entry that says so and returns the stop's exit code
// (130 for SIGINT or Ctrl-C, 143 for SIGTERM, Ctrl-Break or a closing console). 0 and nothing
// logged when the run was not stopped.
int32_t StoppedRunStatus();

// Opens the database connection; a failure is logged ("bdConnect", then a detail entry with the
// client's or server's reason), told on the display when there is one, and its status returned.
// A run that cannot connect ends quietly with exit code 0: the next run sends what is due.
class RunDisplay;
int ConnectForRun(RunDisplay* display = nullptr);

// The exit code a status becomes where the OS keeps only 8 bits of it: the low 8 bits, except
// that a non-zero status whose low 8 bits are 0 becomes 255, so a failure never reads as success.
int ExitCodeFromStatus(int32_t status);

// The process exit code of a status: the status itself on Windows, which keeps all 32 bits;
// ExitCodeFromStatus where only 8 survive.
inline int ProcessExitCode(int32_t status) {
#ifdef _WIN32
  return status;
#else
  return ExitCodeFromStatus(status);
#endif
}

}  // namespace jf
