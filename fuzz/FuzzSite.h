// Helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace jf::fuzz {

// Lays out a site in a fresh temporary folder once per process, as the program finds it at a
// customer: the working directory with its Msg folder, ..\Comm\Buff, the login file four levels
// up naming an SQLite database that holds the tables and no rows. Makes the working directory
// the current one. Returns its path. The tree is removed when the process ends.
const std::filesystem::path& SiteWorkDir();

// Splits input into texts at zero bytes (a trailing piece counts; empty pieces too).
std::vector<std::string> SplitAtZero(const uint8_t* data, std::size_t size);

// Stops the process with a message when cond is false: a broken promise, not just a crash.
void Check(bool cond, const char* what);

}  // namespace jf::fuzz
