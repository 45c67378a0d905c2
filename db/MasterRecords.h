// Row records of the master data tables: workplace groups, workplaces, interruption reasons,
// personnel and the cost centre assignments of workplace groups. Field names are the column
// names; texts are fixed-width fields, numbers 32-bit (16-bit columns widened with their sign)
// and doubles. The download cursors fill the same types under their download names.
#pragma once

#include <cstdint>

#include "db/Text.h"

namespace jf {

// Workplace group, table Kvl530Apg.
struct ApgRecord {
  Text<10> ApgApg;
  Text<30> ApgBez;
  Text<10> ApgTxt;
  Text<10> ApgKst;  // download cursor: the cost centre of the group's valid assignment
  Text<10> ApgFbe;  // production area
  Text<30> ApgZf1;
  Text<30> ApgZf2;
  Text<30> ApgZf3;
  int32_t ApgApl = 0;
  int32_t ApgTag = 0;
  double ApgKap = 0;
  double ApgPrd = 0;
  double ApgRst = 0;
  double ApgPau = 0;
  double ApgUnt = 0;
  double ApgIak = 0;
  Text<10> ApgSt1;
  Text<10> ApgSt2;
  Text<10> ApgSt3;
  double ApgSf1 = 0;
  double ApgSf2 = 0;
  double ApgSf3 = 0;
  Text<3> ApgDna;  // download kind
  Text<8> ApgDwn;  // download marker
  int32_t ApgSta = 0;
  Text<14> ApgDat;  // yyyymmddHHMMSS of the last change
  Text<8> ApgErf;
};
using ApgDnlRecord = ApgRecord;

// Workplace, table Kvl531Apl.
struct AplRecord {
  Text<10> AplApl;
  Text<30> AplBez;
  Text<10> AplTxt;
  Text<10> AplApg;  // the workplace's group
  Text<10> AplFbe;  // production area
  int32_t AplSts = 0;
  int32_t AplSis = 0;
  int32_t AplApr = 0;
  int32_t AplAaf = 0;
  Text<4> AplUbg;   // an interruption reason key
  Text<14> AplUdt;  // table access: yyyymmddHHMMSS; download cursor: the session's date text
  Text<30> AplZf1;
  Text<30> AplZf2;
  Text<30> AplZf3;
  int32_t AplTag = 0;
  double AplVrf = 0;
  double AplRsp = 0;
  double AplRsi = 0;
  double AplAfp = 0;
  double AplAfi = 0;
  double AplPau = 0;
  double AplUnt = 0;
  double AplIak = 0;
  int32_t AplAvt = 0;
  double AplKap = 0;
  double AplAvr = 0;
  double AplAvp = 0;
  Text<10> AplSt1;
  Text<10> AplSt2;
  Text<10> AplSt3;
  double AplSf1 = 0;
  double AplSf2 = 0;
  double AplSf3 = 0;
  Text<3> AplDna;
  Text<8> AplDwn;
  int32_t AplSta = 0;
  Text<14> AplDat;
  Text<8> AplErf;
};
using AplDnlRecord = AplRecord;

// Interruption reason, table Kvl521Ubg.
struct UbgRecord {
  Text<4> UbgUbg;
  int32_t UbgKnz = 0;  // kind of reason
  Text<10> UbgFbe;     // production area
  Text<30> UbgBez;
  Text<10> UbgTxt;
  Text<30> UbgZf1;
  Text<30> UbgZf2;
  Text<30> UbgZf3;
  int32_t UbgAst = 0;
  double UbgRst = 0;
  double UbgAsf = 0;
  Text<10> UbgSt1;
  Text<10> UbgSt2;
  Text<10> UbgSt3;
  double UbgSf1 = 0;
  double UbgSf2 = 0;
  double UbgSf3 = 0;
  Text<3> UbgDna;
  Text<8> UbgDwn;
  int32_t UbgSta = 0;
  Text<14> UbgDat;
  Text<8> UbgErf;
};
using UbgDnlRecord = UbgRecord;

// Person, table Kvl510Prv.
struct PrvRecord {
  Text<8> PrvPnr;  // personnel number
  Text<8> PrvGvo;  // valid from, yyyymmdd
  Text<8> PrvGbi;  // valid to, yyyymmdd
  int32_t PrvBer = 0;
  Text<10> PrvKst;  // cost centre
  Text<10> PrvFbe;  // production area
  int32_t PrvMmb = 0;
  Text<30> PrvZf1;
  Text<30> PrvZf2;
  Text<30> PrvZf3;
  Text<3> PrvDna;
  Text<8> PrvDwn;
  int32_t PrvAwa = 0;
  Text<8> PrvAwn;
  int32_t PrvAnw = 0;
  Text<14> PrvAvn;  // yyyymmddHHMMSS
  Text<14> PrvAbi;  // yyyymmddHHMMSS
  int32_t PrvApl = 0;
  int32_t PrvApp = 0;
  int32_t PrvSta = 0;
  Text<14> PrvDat;  // yyyymmddHHMMSS of the last change
  Text<8> PrvErf;
  int32_t PrvPzm = 0;
  Text<50> PrvNam;
  Text<50> PrvStr;
  Text<50> PrvOrt;
};
using PrvDnlRecord = PrvRecord;

// Cost centre assignment of a workplace group, table Kvl537Ksg. The download cursor fills only
// KsgKst and KsgFbe: one cost centre for one production area.
struct KsgRecord {
  Text<10> KsgApg;
  Text<14> KsgGvo;  // start of validity, yyyymmdd
  Text<14> KsgGbi;  // end of validity, yyyymmdd
  Text<10> KsgFbe;
  Text<10> KsgKst;
  Text<30> KsgZf1;
  Text<30> KsgZf2;
  Text<30> KsgZf3;
  int32_t KsgSta = 0;
  Text<14> KsgDat;
  Text<8> KsgErf;
};
using KsgDnlRecord = KsgRecord;

}  // namespace jf
