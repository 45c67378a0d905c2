// The row a locking read, UPDATE or DELETE of the fake client locks, named as its statement
// names it: the table, and the condition after WHERE with the values bound to it. Two
// statements that name a row by the same condition lock the same key; a statement that names it
// otherwise is not seen to contend (the database's own write lock still keeps the writes apart).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "db/sql/Bind.h"

namespace jf::fakeoci {

struct LockedRow {
  std::string table;  // empty: the statement locks no row the fake can name
  std::string key;
};

// in: the statement's inputs, in the order of its placeholders.
LockedRow RowOf(std::string_view text, std::span<const sql::In> in);

}  // namespace jf::fakeoci
