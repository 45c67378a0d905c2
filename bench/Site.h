// Benchmark sites: a site folder laid out as an installation has it (login file four levels
// above the run folder, the database, Msg/ and ..\Comm\Buff), filled with marked order rows,
// workplaces or persons.
#pragma once

#include <cstdint>
#include <string>

namespace jf::bench {

struct SiteOptions {
  std::string folder;         // created if missing; an old database in it is replaced
  int64_t positions = 10000;  // order positions marked for the requester
  int terminals = 4;          // production areas, one terminal each
  int64_t unmarked = 0;       // further positions (and their headers) marked for nobody
  int64_t workplaces = 0;     // workplaces marked for the requester (ten to a group)
  int64_t persons = 0;        // persons marked for the requester
  std::string requester = "BENCH";
};

// What the generator put in, for the harness to check the run against.
struct SiteFacts {
  std::string runFolder;  // working directory of the run
  std::string bufFolder;  // ..\Comm\Buff of the run
  std::string database;
  std::string firstOrder;  // a marked order and one of its marked positions, for the arguments
  std::string firstPosition;
};

// Builds the site. Returns 0, or non-zero with *error telling why.
int GenerateSite(const SiteOptions& o, SiteFacts* facts, std::string* error);

// Positions per order of a generated site.
inline constexpr int kPositionsPerOrder = 5;

}  // namespace jf::bench
