#include <cstring>

#include "Version.h"
#include "driver/MasterRun.h"
#include "driver/Run.h"
#include "driver/TerminalText.h"
#include "platform/Stop.h"

int main(int argc, char** argv) {
  // "--version" as the only argument answers without the log or the database.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
    return jf::PrintVersion("jobfeed-master");
  jf::InstallStopHandlers();
  return jf::ProcessExitCode(jf::RunGuarded([&] {
    const jf::ProgramArgs args(argc, argv);
    if (args.bad() != 0) return jf::RefuseMasterArgument(args.bad());
    return jf::RunJobfeedMaster(args.argc(), args.argv());
  }));
}
