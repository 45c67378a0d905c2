#include "db/Dbstd.h"
#include "db/sql/Session.h"
#include "db/tables/Statements.h"

namespace jf {

namespace {

using sql::In;
using sql::Out;
using R = AemRecord;

constexpr char kCount[] =
    "select count(*)  into :b0  from Kvl532Aem where (AemApg=:b1 and AemKng=2)";

constexpr auto kCols =
    Cols<&R::AemApg, &R::AemEmo, &R::AemGvo, &R::AemBez, &R::AemTxt, &R::AemKal, &R::AemLkz,
         &R::AemVzt, &R::AemEzt, &R::AemPrz, &R::AemAfz, &R::AemApz, &R::AemPrp, &R::AemAfp,
         &R::AemApp, &R::KalBtp, &R::KalDtm, &R::BakJhr, &R::BakMon, &R::BakTag, &R::BakWch,
         &R::BakWtg, &R::BakJtg, &R::AemMaz>();

// Composed in the style of the module's quoted cursors. An assignment is valid on the day when it
// starts on or before it and ends on or after it or never (compared as yyyymmdd texts); the day
// must be in the group's calendar and in the base calendar, and the calendar day's type selects
// the shift. BakTag is selected too, so the day field holds the day of the month.
RowCursor<R> g_cursor(
    "select AemApg ,AemEmo ,TO_CHAR(AemGvo,'yyyymmdd') ,AemBez ,AemTxt ,AemKal ,AemLkz ,AemVzt "
    ",AemEzt ,AemPrz ,AemAfz ,AemApz ,AemPrp ,AemAfp ,AemApp ,KalBtp ,TO_CHAR(KalDtm,'yyyymmdd') "
    ",BakJhr ,BakMon ,BakTag ,BakWch ,BakWtg ,BakJtg ,AemMaz  from Kvl532Aem "
    ",KvlSystem.Kvl133Kal ,KvlSystem.Kvl133Bak ,Kvl533Emo where ((((((((AemApg=:b0 and "
    "AemKng=:b1) and TO_CHAR(AemGvo,'yyyymmdd')<=:b2) and (TO_CHAR(AemGbi,'yyyymmdd')>=:b2 or "
    "AemGbi is null )) and AemKal=KalNum) and KalDtm=TO_DATE(:b2,'yyyymmdd')) and "
    "BakDtm=TO_DATE(:b2,'yyyymmdd')) and AemEmo=EmoEmo) and EmoTtp=KalBtp) order by EmoBeg",
    kCols);

// The open's inputs, kept from open to fetch as the module's statement buffers.
AemRecord g_key;

}  // namespace

int Aem_Count(const char* apg, int32_t* count) {
  const Out out[] = {Out::I32(count)};
  return sql::SelectInto(kCount, {In::Text(apg)}, out);
}

int Aem_Open(const AemRecord* rec) {
  g_key.AemApg = rec->AemApg;
  g_key.AemKng = rec->AemKng;
  g_key.KalDtm = rec->KalDtm;
  const In day = In::Text(g_key.KalDtm);
  return g_cursor.Open({In::Text(g_key.AemApg), In::I32(g_key.AemKng), day, day, day, day});
}

int Aem_Fetch(AemRecord* rec) {
  return g_cursor.Fetch(rec);
}

int Aem_Close() {
  return g_cursor.Close();
}

}  // namespace jf
