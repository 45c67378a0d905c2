// Helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace jf::fuzz {

// Lays out a site in a fresh temporary folder once per process, as the program finds it at a
// customer: the working directory with its Msg folder, ..\Comm\Buff, the login file four levels
// up naming an SQLite database that holds the tables and no rows. Makes the working directory
// the current one. Returns its path. The tree is removed when the process ends.
const std::filesystem::path& SiteWorkDir();

// Values of database columns, taken one after the other from the pieces of an input (cycling
// when they run out; none left, every value is NULL). A piece's first byte says how its rest is
// stored: 'i' an integer of its bytes, 'r' a REAL of its bytes (any double: NaN, infinities, a
// day number past the calendar), 'n' NULL, 'b' a BLOB; anything else stores the whole piece as a
// TEXT of any bytes, valid UTF-8 or not.
class Values {
 public:
  explicit Values(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {}
  const std::string* Next();

 private:
  std::vector<std::string> pieces_;
  std::size_t next_ = 0;
};

// Replaces the rows of the site's table with one row: the columns named in fixed get those SQL
// literals, every other column its value from values. Through a connection of its own, committed
// before it returns.
void PlantRow(const char* table, const std::map<std::string, std::string>& fixed, Values* values);

// The rows the program downloads, planted from values: an order header and a position, a
// workplace group with its current cost centre assignment, a workplace, an interruption reason,
// a person and a cost centre, all marked for "FUZZ" in area "A", and the configuration of
// terminal 1 serving area "A". The other columns, the texts of the terminal included, come from
// values.
void PlantDownloadRows(Values* values);

// Splits input into texts at zero bytes (a trailing piece counts; empty pieces too).
std::vector<std::string> SplitAtZero(const uint8_t* data, std::size_t size);

// Stops the process with a message when cond is false: a broken promise, not just a crash.
void Check(bool cond, const char* what);

}  // namespace jf::fuzz
