#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;
using R = FzuRecord;

// The select list is composed in the style of the module's other key reads; the WHERE clauses
// are the tables' own.
constexpr char kByFcd[] =
    "select FzuFcd ,FzuMld ,FzuBez ,FzuTxt ,FzuArt ,FzuObj ,FzuUpl ,FzuGen ,FzuZf1 ,FzuZf2 ,FzuZf3 "
    ",FzuSta ,FzuErf into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,"
    ":b18:b19,:b20:b21,:b22:b23,:b24:b25  from Kvl553Fzu where (FzuFcd=:b0 and FzuAec=:b27)";
constexpr char kByMld[] =
    "select FzuFcd ,FzuMld ,FzuBez ,FzuTxt ,FzuArt ,FzuObj ,FzuUpl ,FzuGen ,FzuZf1 ,FzuZf2 ,FzuZf3 "
    ",FzuSta ,FzuErf into :b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13,:b14:b15,:b16:b17,"
    ":b18:b19,:b20:b21,:b22:b23,:b24:b25  from Kvl553Fzu where FzuMld=:b0";

constexpr auto kCols = [] {
  ColumnList<R, 13> l;
  l << Cols<&R::FzuFcd, &R::FzuMld, &R::FzuBez, &R::FzuTxt, &R::FzuArt, &R::FzuObj, &R::FzuUpl,
            &R::FzuGen, &R::FzuZf1, &R::FzuZf2, &R::FzuZf3>();
  l << Col16<&R::FzuSta>() << Col<&R::FzuErf>();
  return l;
}();
constexpr auto kFcd = Cols<&R::FzuFcd>();
constexpr auto kMld = Cols<&R::FzuMld>();

// Only assignments of the current generation (FzuAec "0") are read by function code.
constexpr char kCurrentGeneration[] = "0";

// A miss leaves the key asked for and no value of an earlier read in the selected fields.
int Read(const char* text, std::span<const In> in, std::span<const Column<R>> key, R* rec) {
  const int rc = sql::SelectInto(text, in, Outputs<R>(kCols, rec));
  if (rc != 0) ClearColumns<R>(rec, kCols, key);
  return rc;
}

}  // namespace

int Fzu_PKeyRead(FzuRecord* rec) {
  const Text<3> key = rec->FzuFcd;  // the outputs point into rec
  const In in[] = {In::Text(key), In::Text(kCurrentGeneration)};
  return Read(kByFcd, in, kFcd, rec);
}

int Fzu_MldRead(FzuRecord* rec) {
  const Text<3> key = rec->FzuMld;
  const In in[] = {In::Text(key)};
  return Read(kByMld, in, kMld, rec);
}

}  // namespace jf
