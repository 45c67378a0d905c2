#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;
using sql::Out;
using R = BakRecord;

// The select list is composed in the style of the module's key reads; the WHERE clause is the
// table's own.
constexpr char kRead[] =
    "select TO_CHAR(BakDtm,'yyyymmdd') ,BakJhr ,BakMon ,BakTag ,BakWch ,BakWtg ,BakJtg into "
    ":b0:b1,:b2:b3,:b4:b5,:b6:b7,:b8:b9,:b10:b11,:b12:b13  from KvlSystem.Kvl133Bak where "
    "BakDtm=(TO_DATE(:b14,'yyyymmdd')+:b15)";
// This statement names the base calendar without its schema.
constexpr char kCount[] =
    "select count(*)  into :b0  from Kvl133Bak where (BakDtm>TO_DATE(:b1,'yyyymmdd') and "
    "BakDtm<=TO_DATE(:b2,'yyyymmdd'))";

constexpr auto kDayCols =
    Cols<&R::BakDate1, &R::BakJhr, &R::BakMon, &R::BakTag, &R::BakWch, &R::BakWtg, &R::BakJtg>();
constexpr auto kOffsetFrom = Cols<&R::BakDate1, &R::BakDays>();

}  // namespace

int Bak_Read(BakRecord* rec) {
  const BakRecord bound = *rec;  // BakDate1 is an input and an output
  return sql::SelectInto(kRead, Inputs<R>(kOffsetFrom, &bound), Outputs<R>(kDayCols, rec));
}

int Bak_Count(BakRecord* rec) {
  const Out out[] = {Out::I32(&rec->BakDays)};
  return sql::SelectInto(kCount, {In::Text(rec->BakDate1), In::Text(rec->BakDate2)}, out);
}

}  // namespace jf
