#include "driver/Run.h"

#ifdef _WIN32
int main(int argc, char** argv) {
  return jf::RunJobfeed(argc, argv);
}
#else
int main(int argc, char** argv) {
  return jf::ExitCodeFromStatus(jf::RunJobfeed(argc, argv));
}
#endif
