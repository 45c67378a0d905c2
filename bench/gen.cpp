// jobfeed-bench-gen: lays out a benchmark site with marked order positions, workplaces and
// persons.
//
//   jobfeed-bench-gen FOLDER [--positions N] [--terminals T] [--unmarked M] [--workplaces W]
//                     [--persons P] [--requester R]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/Site.h"

int main(int argc, char** argv) {
  jf::bench::SiteOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--positions" && hasValue) {
      o.positions = std::atoll(argv[++i]);
    } else if (a == "--terminals" && hasValue) {
      o.terminals = std::atoi(argv[++i]);
    } else if (a == "--unmarked" && hasValue) {
      o.unmarked = std::atoll(argv[++i]);
    } else if (a == "--workplaces" && hasValue) {
      o.workplaces = std::atoll(argv[++i]);
    } else if (a == "--persons" && hasValue) {
      o.persons = std::atoll(argv[++i]);
    } else if (a == "--requester" && hasValue) {
      o.requester = argv[++i];
    } else if (a[0] != '-' && o.folder.empty()) {
      o.folder = a;
    } else {
      o.folder.clear();
      break;
    }
  }
  if (o.folder.empty() || o.positions < 0 || o.unmarked < 0 || o.workplaces < 0 || o.persons < 0 ||
      o.terminals < 1 || o.terminals > 99 || o.requester.empty() || o.requester.size() > 8) {
    std::fprintf(stderr,
                 "usage: jobfeed-bench-gen FOLDER [--positions N] [--terminals T (1..99)] "
                 "[--unmarked M] [--workplaces W] [--persons P] [--requester NAME (at most 8 "
                 "characters)]\n");
    return 2;
  }
  jf::bench::SiteFacts f;
  std::string error;
  if (jf::bench::GenerateSite(o, &f, &error) != 0) {
    std::fprintf(stderr, "jobfeed-bench-gen: %s\n", error.c_str());
    return 1;
  }
  std::printf("site %s\nrun in %s:  jobfeed %s %s %s BEGIN\n", o.folder.c_str(),
              f.runFolder.c_str(), o.requester.c_str(), f.firstOrder.c_str(),
              f.firstPosition.c_str());
  if (o.workplaces > 0 || o.persons > 0) {
    std::printf("master data:  jobfeed-master %s%s%s\n", o.requester.c_str(),
                o.workplaces > 0 ? " MAS" : "", o.persons > 0 ? " PNR" : "");
  }
  return 0;
}
