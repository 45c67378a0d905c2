#include "driver/MasterRun.h"
#include "driver/Run.h"

int main(int argc, char** argv) {
  return jf::ProcessExitCode(jf::RunJobfeedMaster(argc, argv));
}
