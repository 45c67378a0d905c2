// The durable-write floor of a run: the same number of write-through line appends and durable
// commits as the run performed, done by the smallest loop that can do them.
#pragma once

#include <cstdint>
#include <string>

namespace jf::bench {

// Appends count lines of 552 bytes to a new file in folder, opened with O_DSYNC as the
// send-buffer files are. Returns the seconds taken, or a negative number on failure.
double FloorAppends(const std::string& folder, int64_t count);

// Appends count lines of 552 bytes spread over files new files in folder, without write-through,
// and flushes every file (fdatasync) after each perFlush lines, as a run of groups of perFlush
// rows over files terminals does. Returns the seconds taken, or a negative number on failure.
double FloorGroupedAppends(const std::string& folder, int64_t count, int64_t perFlush, int files);

// Runs count durable commits of a one-row UPDATE in a new WAL database in folder with
// synchronous=FULL, as the program's connection is set up. Returns the seconds taken, or a
// negative number on failure.
double FloorCommits(const std::string& folder, int64_t count);

// The same appends and commits in turn (one line, one commit, ...), as a run does them. Returns
// the seconds taken, or a negative number on failure.
double FloorInterleaved(const std::string& folder, int64_t appends, int64_t commits);

// The length of a send-buffer line.
inline constexpr int kLineBytes = 552;

}  // namespace jf::bench
