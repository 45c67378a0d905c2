// The master data run: one requester, the chosen kinds of master data.
#pragma once

namespace jf {

// Runs jobfeed-master with the program's arguments (argv[0] is the program name):
// REQUESTER [KIND...], KIND one of MAG, MAS, UBG, PNR, KST; without KIND all five. Returns 0
// when every download returned 0, else the first non-zero download status; 0 when the database
// cannot be reached; kUsageStatus (nothing touched) for a missing requester or an unknown KIND.
// --help prints the usage on standard output and returns 0.
int RunJobfeedMaster(int argc, const char* const* argv);

// Refuses a run whose argument number index cannot be taken into the program's code page, as
// any other usage error: logged, told on standard error, kUsageStatus.
int RefuseMasterArgument(int index);

}  // namespace jf
