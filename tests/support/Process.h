// Starts the real programs from a test, on POSIX and on Windows alike.
#pragma once

#include <string>
#include <vector>

namespace jf::test {

// Runs program with args in the current directory and waits for it. Its standard output and
// standard error are captured apart, byte for byte. Returns the exit code as the OS reports it
// (on Windows the whole 32-bit status, so -2 stays -2), or -1 when the program could not be
// started or did not end normally. A program given as a bare file name ("jobfeed.exe") is the
// one beside the test binary.
int RunProcess(const std::string& program, const std::vector<std::string>& args, std::string* out,
               std::string* err);

#ifndef _WIN32
// Runs program as a person at a terminal starts it: a pseudo-terminal is its standard input,
// output and error. *screen gets what it wrote there. Each of typed is typed as one line once
// the screen ends with a prompt (": "), before the program shows anything more. Returns the
// exit code, or -1.
int RunInTerminal(const std::string& program, const std::vector<std::string>& args,
                  std::string* screen, const std::vector<std::string>& typed = {});
#endif

}  // namespace jf::test
