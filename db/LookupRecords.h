// Row records of the lookups over the wider shop-floor tables: function assignments, shift
// models and their breaks, the base calendar, presets, badges and the number counters. Field
// names are the column names; dates travel as "yyyymmdd" texts, instants as "yyyymmddHHMMSS".
// Only the fields the lookups read or write are declared.
#pragma once

#include <cstdint>

#include "db/Text.h"

namespace jf {

// Function assignment, table Kvl553Fzu.
struct FzuRecord {
  Text<3> FzuFcd;  // function code
  Text<3> FzuMld;  // message code
  Text<30> FzuBez;
  Text<10> FzuTxt;
  int32_t FzuArt = 0;
  int32_t FzuObj = 0;
  int32_t FzuUpl = 0;
  int32_t FzuGen = 0;
  Text<30> FzuZf1;
  Text<30> FzuZf2;
  Text<30> FzuZf3;
  int32_t FzuSta = 0;  // travels as 16 bits
  Text<14> FzuDat;     // yyyymmddHHMMSS of the last change; no lookup touches it
  Text<8> FzuErf;
};

// Shift model of a workplace group on one day: the assignment (Kvl532Aem) joined with the
// group's calendar (Kvl133Kal) and the base calendar (Kvl133Bak).
struct AemRecord {
  int32_t AemKng = 0;  // kind of assignment; input of the cursor
  Text<10> AemApg;     // workplace group; input of the cursor
  Text<10> AemEmo;     // shift
  Text<8> AemGvo;      // valid from
  Text<30> AemBez;
  Text<10> AemTxt;
  Text<5> AemKal;  // calendar number
  int32_t AemLkz = 0;
  int32_t AemVzt = 0;
  int32_t AemEzt = 0;
  int32_t AemPrz = 0;
  int32_t AemAfz = 0;
  int32_t AemApz = 0;
  int32_t AemPrp = 0;
  int32_t AemAfp = 0;
  int32_t AemApp = 0;
  Text<3> KalBtp;  // day type of the calendar day
  int32_t BakJhr = 0;
  int32_t BakMon = 0;
  int32_t BakTag = 0;
  int32_t BakWch = 0;
  int32_t BakWtg = 0;
  int32_t BakJtg = 0;
  Text<8> KalDtm;  // the day asked for (input of the cursor), then the day found
  int32_t AemMaz = 0;
};

// A shift (Kvl533Emo) and, for the break cursor and sum, one break of its break model
// (Kvl535Pms). Times are minutes of the day, 0 to 1439.
struct EmoRecord {
  Text<10> EmoEmo;
  Text<3> EmoTtp;  // day type
  Text<10> EmoTxt;
  int32_t EmoBeg = 0;
  int32_t EmoEnd = 0;
  int32_t EmoArt = 0;
  Text<5> PmsNum;
  int32_t PmsBeg = 0;
  int32_t PmsEnd = 0;
  int32_t PmsInt = 0;
  int32_t PmsPse = 0;  // Pms_PauseSum: the break minutes of the shift on a day
  int32_t PmsBzt = 0;
  int32_t PmsPrz = 0;
};

// A day of the base calendar, KvlSystem.Kvl133Bak.
struct BakRecord {
  Text<8> BakDate1;
  Text<8> BakDate2;
  int32_t BakJhr = 0;   // year
  int32_t BakMon = 0;   // month
  int32_t BakTag = 0;   // day of the month
  int32_t BakWch = 0;   // week
  int32_t BakWtg = 0;   // day of the week
  int32_t BakJtg = 0;   // day of the year
  int32_t BakDays = 0;  // Bak_Read: offset in days from BakDate1; Bak_Count: the count
};

// Preset value of a field, table Kvl555Vrg.
struct VrgRecord {
  Text<10> VrgBer;  // area
  Text<3> VrgFld;   // field
  Text<30> VrgWrt;  // value
};

// A badge assignment (KvlSystem.Kvl301Asw) with its person's name and address (Kvl300Pnr).
struct AswRecord {
  Text<8> AswPnr;  // person number
  Text<8> AswGvo;  // valid from
  Text<8> AswGbi;  // valid to; empty when open-ended
  Text<8> AswNum;  // badge number
  Text<14> AswDat;
  Text<12> AswErf;  // longer values are cut to the field
  Text<50> PnrNam;
  Text<50> PnrStr;
  Text<50> PnrOrt;
};

// A number counter, table Kvl591Nzp, valid from NzpGvn to NzpGbi.
struct NzpRecord {
  int32_t NzpAkz = 0;
  Text<8> NzpGvn;
  Text<8> NzpGbi;
  int32_t NzpAak = 0;
  int32_t NzpAwt = 0;
  int32_t NzpKjh = 0;
  int32_t NzpKmn = 0;
  int32_t NzpKwo = 0;
  int32_t NzpKtg = 0;
  int32_t NzpAan = 0;
  int32_t NzpVfh = 0;
  int32_t NzpNfh = 0;
  int32_t NzpMrk = 0;
  Text<14> NzpAdt;  // yyyymmddHHMMSS of the last update; the update stamps it itself
  Text<8> NzpAus;
};

}  // namespace jf
