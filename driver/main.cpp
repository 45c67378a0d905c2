#include "driver/Run.h"

int main(int argc, char** argv) {
  return jf::ProcessExitCode(jf::RunJobfeed(argc, argv));
}
