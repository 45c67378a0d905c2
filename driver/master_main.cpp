#include "driver/MasterRun.h"
#include "driver/Run.h"

#ifdef _WIN32
int main(int argc, char** argv) {
  return jf::RunJobfeedMaster(argc, argv);
}
#else
int main(int argc, char** argv) {
  return jf::ExitCodeFromStatus(jf::RunJobfeedMaster(argc, argv));
}
#endif
