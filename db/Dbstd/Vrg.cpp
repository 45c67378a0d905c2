#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;
using sql::Out;

constexpr char kPreset[] =
    "select VrgWrt into :b0:b1  from Kvl555Vrg where (VrgBer=:b2 and VrgFld=:b3)";
// Only an assignment that starts today is found: one that began earlier and still holds is not.
constexpr char kCostCentre[] =
    "select ZTGKST into :b0:b1  from Kvl329Ztg where (ZtgPnr=:b2 and ZtgVon=trunc(SYSDATE))";

constexpr auto kPresetKey = Cols<&VrgRecord::VrgBer, &VrgRecord::VrgFld>();
constexpr auto kPresetValue = Cols<&VrgRecord::VrgWrt>();

}  // namespace

int Vrg_PKeyRead(VrgRecord* rec) {
  return sql::SelectInto(kPreset, Inputs<VrgRecord>(kPresetKey, rec),
                         Outputs<VrgRecord>(kPresetValue, rec));
}

int Ztg_KstRead(const char* pnr, Text<10>* kst) {
  const Out out[] = {Out::Text(*kst)};
  return sql::SelectInto(kCostCentre, {In::Text(pnr)}, out);
}

}  // namespace jf
