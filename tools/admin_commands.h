// Commands of the operator tool. Each takes its own arguments (argv[0] is the command name)
// and returns the exit code: 0 done, 1 failed, 2 bad use.
#pragma once

#include "tools/admin_login.h"

namespace jf::admin {

int CmdInitDb(int argc, char** argv);
int CmdCheckDb(int argc, char** argv);
int CmdShowBuffer(int argc, char** argv);

}  // namespace jf::admin
