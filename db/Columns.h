// A table's columns described once. A statement's select list (or its list of inputs) is a list
// of columns, each naming the record field it fills (or reads) and how the value travels (text,
// 16-bit, 32-bit or double). Cursors, key reads and writes build their outputs and inputs from
// that list, so a table is its column lists plus its statement texts and its routines stay thin.
//
//   constexpr auto kCols = ColumnList<UbgRecord, 2>{}
//       << Col<&UbgRecord::UbgUbg>() << Col16<&UbgRecord::UbgSta>();
//   RowCursor<UbgRecord> cursor("select UbgUbg ,UbgSta from ...", kCols);
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "db/Text.h"
#include "db/sql/Bind.h"
#include "db/sql/Session.h"

namespace jf {

// One column of a statement: where its value lives in a record of type R.
template <class R>
struct Column {
  sql::Out (*out)(R* rec) = nullptr;      // the field as an output of a select list
  sql::In (*in)(const R* rec) = nullptr;  // the field as an input of a statement
  void (*copy)(R* dst, const R* src) = nullptr;
};

namespace detail {

template <class M>
struct MemberOf;
template <class R, class F>
struct MemberOf<F R::*> {
  using Record = R;
  using Field = F;
};

template <std::size_t N>
sql::Out OutOf(Text<N>& f) {
  return sql::Out::Text(f);
}
inline sql::Out OutOf(int32_t& f) {
  return sql::Out::I32(&f);
}
inline sql::Out OutOf(double& f) {
  return sql::Out::Dbl(&f);
}
template <std::size_t N>
sql::In InOf(const Text<N>& f) {
  return sql::In::Text(f);
}
inline sql::In InOf(int32_t f) {
  return sql::In::I32(f);
}
inline sql::In InOf(double f) {
  return sql::In::Dbl(f);
}

}  // namespace detail

// The column of field M as it is declared: a text, a 32-bit integer or a double.
template <auto M>
constexpr Column<typename detail::MemberOf<decltype(M)>::Record> Col() {
  using R = typename detail::MemberOf<decltype(M)>::Record;
  return {[](R* r) { return detail::OutOf(r->*M); }, [](const R* r) { return detail::InOf(r->*M); },
          [](R* d, const R* s) { d->*M = s->*M; }};
}

// The column of a 32-bit field M that travels as a 16-bit integer: read widened with its sign,
// written with its low 16 bits.
template <auto M>
constexpr Column<typename detail::MemberOf<decltype(M)>::Record> Col16() {
  using R = typename detail::MemberOf<decltype(M)>::Record;
  return {[](R* r) { return sql::Out::I16(&(r->*M)); },
          [](const R* r) { return sql::In::I16(r->*M); }, [](R* d, const R* s) { d->*M = s->*M; }};
}

// The column of a 32-bit field M that travels as 16 bits where narrow holds, at full width
// otherwise: statements of two modules may carry the same column in either width.
template <auto M>
constexpr Column<typename detail::MemberOf<decltype(M)>::Record> Col16If(bool narrow) {
  return narrow ? Col16<M>() : Col<M>();
}

// A list of at most Max columns, built at compile time.
template <class R, std::size_t Max>
struct ColumnList {
  std::array<Column<R>, Max> cols{};
  std::size_t n = 0;

  constexpr ColumnList& operator<<(Column<R> c) {
    cols[n++] = c;  // past Max: not a constant expression, so the build fails
    return *this;
  }
  template <std::size_t K>
  constexpr ColumnList& operator<<(const ColumnList<R, K>& more) {
    for (std::size_t i = 0; i < more.n; ++i) *this << more.cols[i];
    return *this;
  }
  constexpr std::span<const Column<R>> span() const { return {cols.data(), n}; }
  constexpr operator std::span<const Column<R>>() const { return span(); }  // NOLINT
};

// The columns of fields M..., each as it is declared, in this order.
template <auto M0, auto... M>
constexpr auto Cols() {
  using R = typename detail::MemberOf<decltype(M0)>::Record;
  ColumnList<R, 1 + sizeof...(M)> l;
  l << Col<M0>();
  ((l << Col<M>()), ...);
  return l;
}

// Most columns a statement of this program selects or binds.
inline constexpr std::size_t kMaxColumns = 64;

// The outputs of a select list, pointing into rec.
template <class R>
class Outputs {
 public:
  Outputs(std::span<const Column<R>> cols, R* rec) : n_(Clamp(cols.size())) {
    for (std::size_t i = 0; i < n_; ++i) out_[i] = cols[i].out(rec);
  }
  std::span<const sql::Out> span() const { return {out_.data(), n_}; }
  operator std::span<const sql::Out>() const { return span(); }  // NOLINT

 private:
  static std::size_t Clamp(std::size_t n) { return n < kMaxColumns ? n : kMaxColumns; }
  std::array<sql::Out, kMaxColumns> out_;
  std::size_t n_;
};

// The inputs of a statement, read from rec; a statement that binds values no field holds adds
// them between its column lists. Texts are views into rec (or the value's storage), which must
// outlive them.
template <class R>
class Inputs {
 public:
  Inputs() = default;
  Inputs(std::span<const Column<R>> cols, const R* rec) { Add(cols, rec); }

  Inputs& Add(std::span<const Column<R>> cols, const R* rec) {
    for (const Column<R>& c : cols) Add(c.in(rec));
    return *this;
  }
  Inputs& Add(sql::In value) {
    if (n_ < kMaxColumns) in_[n_++] = value;  // past the most any statement binds: left off
    return *this;
  }
  std::span<const sql::In> span() const { return {in_.data(), n_}; }
  operator std::span<const sql::In>() const { return span(); }  // NOLINT

 private:
  std::array<sql::In, kMaxColumns> in_;
  std::size_t n_ = 0;
};

// Empties every field of rec but the key columns.
template <class R>
void KeepOnlyKey(R* rec, std::span<const Column<R>> key) {
  const R keep = *rec;
  *rec = R{};
  for (const Column<R>& c : key) c.copy(rec, &keep);
}

// A single-row select with its inputs from rec's key columns; only on status 0 do the selected
// columns land in their fields.
template <class R>
int SelectRow(std::string_view text, std::span<const Column<R>> key,
              std::span<const Column<R>> cols, R* rec) {
  // The key is bound from a copy: the outputs point into rec.
  const R bound = *rec;
  return sql::SelectInto(text, Inputs<R>(key, &bound), Outputs<R>(cols, rec));
}

// Empties the fields of cols but those of keep; fields of no column keep their values.
template <class R>
void ClearColumns(R* rec, std::span<const Column<R>> cols, std::span<const Column<R>> keep = {}) {
  const R kept = *rec;
  const R empty{};
  for (const Column<R>& c : cols) c.copy(rec, &empty);
  for (const Column<R>& c : keep) c.copy(rec, &kept);
}

// A single-row read by key. The key inputs are taken from rec's key columns; on status 0 every
// selected column lands in its field; on any other status rec keeps its key and nothing else,
// so a caller that goes on with it works with empty and zero values, never stale ones.
template <class R>
int ReadByKey(std::string_view text, std::span<const Column<R>> key,
              std::span<const Column<R>> cols, R* rec) {
  const int rc = SelectRow(text, key, cols, rec);
  if (rc != 0) KeepOnlyKey(rec, key);
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
// a row that someone else holds ends, as every lock wait does, after sql::kLockWaitSeconds.
inline constexpr char kForUpdateWait[] = " for update wait 30";
static_assert(sql::kLockWaitSeconds == 30, "kForUpdateWait names the lock wait");

template <std::size_t N>
struct LockingText {
  std::array<char, N + sizeof(kForUpdateWait) - 1> text{};
  constexpr std::string_view view() const { return {text.data(), text.size() - 1}; }
};

template <std::size_t N>
constexpr LockingText<N> ForUpdate(const char (&read)[N]) {
  LockingText<N> l;
  std::size_t at = 0;
  for (std::size_t i = 0; i + 1 < N; ++i) l.text[at++] = read[i];
  for (char c : kForUpdateWait) l.text[at++] = c;  // its terminating zero included
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
