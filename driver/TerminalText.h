// Texts between the terminal and the program: arguments arrive in the terminal's encoding and
// are turned into the program's code page (Windows-1252); what the program prints of its own
// texts goes back into the terminal's encoding.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace jf {

// The arguments of main in the program's code page.
class ProgramArgs {
 public:
  ProgramArgs(int argc, char** argv);

  int argc() const { return argc_; }
  const char* const* argv() const { return pointers_.data(); }
  // The number (1 ...) of the first argument that is not valid in the terminal's encoding or
  // holds a character the program's code page lacks; 0 when every argument converted.
  int bad() const { return bad_; }

 private:
  std::vector<std::string> args_;
  std::vector<const char*> pointers_;  // and a null pointer at the end, as argv has
  int argc_;
  int bad_ = 0;
};

// Converts one argument; false when it cannot be (see ProgramArgs::bad).
bool ArgumentFromTerminal(std::string_view arg, std::string* out);

// A text of the program's code page as the terminal behind stream shows it.
std::string ForTerminal(std::string_view text, std::FILE* stream = stdout);

}  // namespace jf
