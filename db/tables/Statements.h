// The table routines' building blocks: key reads, writes in their own savepoint and declared
// cursors, each running a statement text with its inputs and outputs taken from a column list
// (db/tables/Columns.h).
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <span>
#include <string_view>

#include "db/sql/Bind.h"
#include "db/sql/Session.h"
#include "db/sql/Status.h"
#include "db/tables/Columns.h"
#include "db/tables/Text.h"

namespace jf {

// A single-row select with its inputs from rec's key columns; only on status 0 do the selected
// columns land in their fields.
template <class R>
int SelectRow(std::string_view text, std::span<const Column<R>> key,
              std::span<const Column<R>> cols, R* rec) {
  // The key is bound from a copy: the outputs point into rec.
  const R bound = *rec;
  return sql::SelectInto(text, Inputs<R>(key, &bound), Outputs<R>(cols, rec));
}

// A single-row read by key. The key inputs are taken from rec's key columns; on status 0 every
// selected column lands in its field; on any other status rec keeps its key and nothing else,
// so a caller that goes on with it works with empty and zero values, never stale ones. In a
// batch that queues reads (sql::kQueued) the row lands in rec when the batch runs.
template <class R>
int ReadByKey(std::string_view text, std::span<const Column<R>> key,
              std::span<const Column<R>> cols, R* rec) {
  const int rc = SelectRow(text, key, cols, rec);
  if (rc != 0 && rc != sql::kQueued) KeepOnlyKey(rec, key);
  return rc;
}

// A write of a table routine from the fields of rec, in its own savepoint named after the
// routine ("savepoint <routine>_Sp"), committed at once or rolled back to the savepoint.
template <class R>
int WriteRecord(std::string_view routine, std::string_view text, std::span<const Column<R>> cols,
                const R* rec) {
  return sql::WriteWithSavepoint(routine, text, Inputs<R>(cols, rec));
}

// The locking variant of a key read: its text with " for update wait 30" after it. The row read
// stays locked until the transaction ends, so what a unit writes back is what it read; a wait for
// a row that someone else holds ends, as every lock wait does, after sql::kLockWaitSeconds. While
// the session holds rows it must not wait with (sql::LockWaits() false), the read runs with
// " for update nowait" instead and fails at once with -54 on a row someone else holds.
inline constexpr char kForUpdateWait[] = " for update wait 30";
inline constexpr char kForUpdateNoWait[] = " for update nowait";
static_assert(sql::kLockWaitSeconds == 30, "kForUpdateWait names the lock wait");

template <std::size_t N>
struct LockingText {
  std::array<char, N + sizeof(kForUpdateWait) - 1> wait{};
  std::array<char, N + sizeof(kForUpdateNoWait) - 1> nowait{};
  std::string_view view() const {
    return sql::LockWaits() ? std::string_view(wait.data(), wait.size() - 1)
                            : std::string_view(nowait.data(), nowait.size() - 1);
  }
};

template <std::size_t N>
constexpr LockingText<N> ForUpdate(const char (&read)[N]) {
  LockingText<N> l;
  for (std::size_t i = 0; i + 1 < N; ++i) l.wait[i] = l.nowait[i] = read[i];
  for (std::size_t i = 0; i < sizeof(kForUpdateWait); ++i) l.wait[N - 1 + i] = kForUpdateWait[i];
  for (std::size_t i = 0; i < sizeof(kForUpdateNoWait); ++i) {
    l.nowait[N - 1 + i] = kForUpdateNoWait[i];  // the terminating zeros included
  }
  return l;
}

// A declared cursor whose rows fill records of type R by its column list.
template <class R>
class RowCursor {
 public:
  RowCursor(std::string_view text, std::span<const Column<R>> cols) : cursor_(text), cols_(cols) {}

  int Open(std::span<const sql::In> in) { return cursor_.Open(in); }
  int Open(std::initializer_list<sql::In> in) {
    return Open(std::span<const sql::In>(in.begin(), in.size()));
  }
  // Opened next with these inputs, once the open transaction ends (sql::Cursor::OpenAhead).
  void OpenAhead(std::initializer_list<sql::In> in) { cursor_.OpenAhead(in); }
  // Delivers the next row into rec, only on status 0; rec stays as it was otherwise.
  int Fetch(R* rec) { return cursor_.Fetch(Outputs<R>(cols_, rec)); }
  int Close() { return cursor_.Close(); }

 private:
  sql::Cursor cursor_;
  std::span<const Column<R>> cols_;
};

// A caller's text argument as a statement input: copied into its statement buffer buf first, cut
// to the buffer's width (a null pointer is the empty text), and bound from there, so the input
// stays valid for as long as the open cursor may read it.
template <std::size_t N>
sql::In TextArg(Text<N>& buf, const char* arg) {
  buf = arg != nullptr ? std::string_view(arg) : std::string_view();
  return sql::In::Text(buf);
}

// The cursor a selector names, for modules that declare one cursor of a shape per sort order:
// 1 ascending, 2 descending; nullptr for any other selector.
template <class C>
C* BySelector(int selector, C* ascending, C* descending) {
  return selector == 1 ? ascending : selector == 2 ? descending : nullptr;
}

}  // namespace jf
