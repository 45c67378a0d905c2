// Rows of the order tables for tests: a row in which every column holds a value of its own, and a
// whole row read back as text (instants as "yyyy-mm-dd hh:mm:ss"), so a test can see exactly
// which columns a statement changed.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/OrderSite.h"

namespace jf::test {

class OrderRowsTest : public OrderSiteTest {
 protected:
  using Row = std::map<std::string, std::string>;

  // Inserts a row: texts hold their three-letter field tag ("Bz1"; "K" for the one-character
  // flag), numbers their column position (doubles plus a half), instants a distinct time of day
  // on a distinct day of 2026 (InstantDate, InstantTime; the date-only columns at midnight).
  // overrides replace values by column name, as SQL.
  void InsertFull(const std::string& table, const Row& overrides);

  // Overrides for InsertFull that fill every text column of the table with characters
  // Windows-1252 lacks ("\xC5\x81", "\xE2\x98\x83") and one it has ("\xC3\xA4"), then its field
  // tag, as far as the column's width allows.
  Row Unrepresentable(const std::string& table);

  // The instant InsertFull stores in the column at position i: "2026MMDD" and "HHMMSS".
  static std::string InstantDate(int i);
  static std::string InstantTime(int i);

  // Every column of the rows matching where, by name; instants as datetime() texts.
  Row ReadRow(const std::string& table, const std::string& where);

  // Names of the columns whose values differ between two rows.
  static std::string Differences(const Row& a, const Row& b);

 private:
  // The table's columns in their order, as names and SQLite affinities (INTEGER, REAL, TEXT).
  std::vector<std::pair<std::string, std::string>> TableColumns(const std::string& table);
};

}  // namespace jf::test
