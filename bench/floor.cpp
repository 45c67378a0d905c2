// jobfeed-bench-floor: the durable-write floor on its own.
//
//   jobfeed-bench-floor FOLDER APPENDS COMMITS
#include "bench/Floor.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: jobfeed-bench-floor FOLDER APPENDS COMMITS\n");
    return 2;
  }
  const long long appends = std::atoll(argv[2]);
  const long long commits = std::atoll(argv[3]);
  const double a = jf::bench::FloorAppends(argv[1], appends);
  const double c = jf::bench::FloorCommits(argv[1], commits);
  const double t = jf::bench::FloorInterleaved(argv[1], appends, commits);
  if (a < 0 || c < 0 || t < 0) {
    std::fprintf(stderr, "jobfeed-bench-floor: cannot write in %s\n", argv[1]);
    return 1;
  }
  std::printf(
      "appends %lld: %.3f s (%.0f us each)\ncommits %lld: %.3f s (%.0f us each)\n"
      "floor %.3f s apart, %.3f s in turn\n",
      appends, a, appends ? a * 1e6 / static_cast<double>(appends) : 0.0, commits, c,
      commits ? c * 1e6 / static_cast<double>(commits) : 0.0, a + c, t);
  return 0;
}
