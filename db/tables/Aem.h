// The shift model assignment Kvl532Aem with its calendars: its row record.
// Statements: db/Dbstd/Aem.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

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

}  // namespace jf
