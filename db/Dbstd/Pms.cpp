#include <string>

#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;
using sql::Out;
using R = EmoRecord;

// Breaks within the day, then breaks that run past midnight (their end lies before their begin).
constexpr char kSumWithinDay[] =
    "select sum((PmsEnd-PmsBeg)) into :b0:b1  from Kvl533Emo ,Kvl536Pmz ,Kvl535Pms where "
    "((((((EmoEmo=:b2 and EmoTtp=:b3) and EmoPmo=PmzPmo) and PmzPms=PmsNum) and "
    "TO_CHAR(PmzGvo,'yyyymmdd')<=:b4) and TO_CHAR(PmzGbi,'yyyymmdd')>=:b4) and PmsEnd>=PmsBeg)";
constexpr char kSumOverMidnight[] =
    "select sum(((PmsEnd+1440)-PmsBeg)) into :b0:b1  from Kvl533Emo ,Kvl536Pmz ,Kvl535Pms where "
    "((((((EmoEmo=:b2 and EmoTtp=:b3) and EmoPmo=PmzPmo) and PmzPms=PmsNum) and "
    "TO_CHAR(PmzGvo,'yyyymmdd')<=:b4) and TO_CHAR(PmzGbi,'yyyymmdd')>=:b4) and PmsEnd<PmsBeg)";

constexpr auto kBreakCols =
    Cols<&R::EmoEmo, &R::EmoTtp, &R::EmoTxt, &R::EmoBeg, &R::EmoEnd, &R::PmsNum, &R::PmsBeg,
         &R::PmsEnd, &R::PmsInt, &R::PmsPse, &R::PmsBzt, &R::PmsPrz>();
constexpr auto kShiftCols =
    Cols<&R::EmoEmo, &R::EmoTtp, &R::EmoTxt, &R::EmoBeg, &R::EmoEnd, &R::EmoArt>();

RowCursor<R> g_breaks(
    "select EmoEmo ,EmoTtp ,EmoTxt ,EmoBeg ,EmoEnd ,PmsNum ,PmsBeg ,PmsEnd ,PmsInt ,PmsPse ,PmsBzt "
    ",PmsPrz  from Kvl533Emo ,Kvl536Pmz ,Kvl535Pms where (((((EmoEmo=:b0 and EmoTtp=:b1) and "
    "EmoPmo=PmzPmo) and PmzPms=PmsNum) and TO_CHAR(PmzGvo,'yyyymmdd')<=:b2) and "
    "TO_CHAR(PmzGbi,'yyyymmdd')>=:b2) order by EmoBeg",
    kBreakCols);
RowCursor<R> g_shifts(
    "select EmoEmo ,EmoTtp ,EmoTxt ,EmoBeg ,EmoEnd ,EmoArt  from Kvl533Emo where (EmoEmo=:b0 and "
    "EmoTtp=:b1) order by EmoBeg",
    kShiftCols);

// The cursors' inputs, kept whole from open to close as the module's statement buffers.
std::string g_breakArgs[3];
std::string g_shiftArgs[2];

}  // namespace

int Pms_PauseSum(EmoRecord* rec, const char* date) {
  const In in[] = {In::Text(rec->EmoEmo), In::Text(rec->EmoTtp), In::Text(date), In::Text(date)};
  // A sum over no rows is NULL, which arrives as 0.
  int32_t within = 0;
  int32_t over = 0;
  const Out out_within[] = {Out::I32(&within)};
  const Out out_over[] = {Out::I32(&over)};
  int rc = sql::SelectInto(kSumWithinDay, in, out_within);
  if (rc == 0 || rc == sql::kNotFound) rc = sql::SelectInto(kSumOverMidnight, in, out_over);
  // The total only when both sums were read: a half sum would pass for the whole.
  rec->PmsPse = rc == 0 || rc == sql::kNotFound ? within + over : 0;
  return rc;
}

int Pms_Open(const char* emo, const char* ttp, const char* date) {
  std::string* a = g_breakArgs;
  a[0] = In::Text(emo).text;
  a[1] = In::Text(ttp).text;
  a[2] = In::Text(date).text;
  return g_breaks.Open({In::Text(a[0]), In::Text(a[1]), In::Text(a[2]), In::Text(a[2])});
}

int Pms_Fetch(EmoRecord* rec) {
  return g_breaks.Fetch(rec);
}

int Pms_Close() {
  return g_breaks.Close();
}

int Emo_Open(const char* emo, const char* ttp) {
  g_shiftArgs[0] = In::Text(emo).text;
  g_shiftArgs[1] = In::Text(ttp).text;
  return g_shifts.Open({In::Text(g_shiftArgs[0]), In::Text(g_shiftArgs[1])});
}

int Emo_Fetch(EmoRecord* rec) {
  return g_shifts.Fetch(rec);
}

int Emo_Close() {
  return g_shifts.Close();
}

}  // namespace jf
