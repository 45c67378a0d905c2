// The row a locking read, UPDATE or DELETE of the fake client locks, named as its statement
// names it: the table, and the condition after WHERE with the values bound to it. Two
// statements that name a row by the same condition lock the same key; a statement that names it
// otherwise is not seen to contend (the database's own write lock still keeps the writes apart).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/sql/Bind.h"

namespace jf::fakeoci {

struct LockedRow {
  std::string table;  // empty: the statement locks no row the fake can name
  std::string key;
};

// in: the statement's inputs, in the order of its placeholders.
LockedRow RowOf(std::string_view text, std::span<const sql::In> in);

// The rows a statement locks: those of a locking read whose condition is one row's condition
// said again for each row, joined by "or" (a read of many rows by their keys), each named as
// the read of that row alone names it; otherwise the one row RowOf names.
std::vector<LockedRow> RowsOf(std::string_view text, std::span<const sql::In> in);

}  // namespace jf::fakeoci
