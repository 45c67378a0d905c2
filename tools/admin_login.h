// jobfeed-admin commands for the scrambled login values and the login configuration file.
#pragma once

namespace jf::admin {

// Each takes the command's own arguments with argv[0] the command name; returns the exit
// code: 0 done, 1 failed, 2 bad use.
int CmdScramble(int argc, char** argv);
int CmdUnscramble(int argc, char** argv);
int CmdWriteLogin(int argc, char** argv);

}  // namespace jf::admin
