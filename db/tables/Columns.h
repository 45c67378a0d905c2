// A table's columns described once. A statement's select list (or its list of inputs) is a list
// of columns, each naming the record field it fills (or reads) and how the value travels (text,
// 16-bit, 32-bit or double). Cursors, key reads and writes build their outputs and inputs from
// that list, so a table is its column lists plus its statement texts and its routines stay thin.
// The routines that run statements by column list are in db/tables/Statements.h.
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

#include "db/sql/Bind.h"
#include "db/tables/Text.h"

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

// Which module's select list of a master data table: the download cursors carry the status column
// as a 32-bit, the table access as a 16-bit integer.
enum class MasterSelect { kDownload, kTableAccess };

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

// Empties the fields of cols but those of keep; fields of no column keep their values.
template <class R>
void ClearColumns(R* rec, std::span<const Column<R>> cols, std::span<const Column<R>> keep = {}) {
  const R kept = *rec;
  const R empty{};
  for (const Column<R>& c : cols) c.copy(rec, &empty);
  for (const Column<R>& c : keep) c.copy(rec, &kept);
}

}  // namespace jf
