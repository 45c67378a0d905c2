// Row records of the order tables. Field names are the column names; texts are fixed-width
// fields, numbers 32-bit (16-bit columns are widened with their sign) and doubles.
#pragma once

#include <cstdint>

#include "db/Text.h"

namespace jf {

// Order header, table Kvl501Apk. Also the row of the order header download cursor.
struct ApkRecord {
  Text<12> ApkApk;
  Text<30> ApkBz1;
  Text<30> ApkBz2;
  Text<10> ApkTxt;
  int32_t ApkSts = 0;
  int32_t ApkSis = 0;
  Text<7> ApkKun;
  Text<30> ApkKb1;
  Text<30> ApkKb2;
  Text<8> ApkBgs;  // yyyymmdd
  Text<8> ApkEns;  // yyyymmdd
  int32_t ApkAfo = 0;
  int32_t ApkEaf = 0;
  Text<20> ApkTnr;
  Text<30> ApkTb1;
  Text<30> ApkTb2;
  double ApkSme = 0;
  double ApkIme = 0;
  Text<3> ApkMee;
  Text<8> ApkBdiDate;
  Text<6> ApkBdiTime;
  Text<8> ApkEdiDate;
  Text<6> ApkEdiTime;
  Text<10> ApkFbe;
  Text<10> ApkKst;
  Text<30> ApkZf1;
  Text<30> ApkZf2;
  Text<30> ApkZf3;
  Text<1> ApkKnz;
  int32_t ApkSsn = 0;
  Text<3> ApkDna;
  Text<8> ApkDwn;
  int32_t ApkSta = 0;
  Text<14> ApkDat;  // yyyymmddHHMMSS
  Text<8> ApkErf;
  int32_t ApkAba = 0;
};
using ApkDnlRecord = ApkRecord;

// Order position, table Kvl504App. Also the row of the order position download cursor.
struct AppRecord {
  Text<12> AppApk;
  Text<5> AppApp;
  Text<5> AppVaf;
  Text<5> AppNaf;
  Text<30> AppBz1;
  Text<30> AppBz2;
  Text<10> AppTxt;
  int32_t AppSts = 0;
  int32_t AppSis = 0;
  Text<8> AppBdiDate;
  Text<6> AppBdiTime;
  Text<8> AppBdsDate;
  Text<6> AppBdsTime;
  Text<8> AppSbdDate;
  Text<6> AppSbdTime;
  Text<8> AppEdiDate;
  Text<6> AppEdiTime;
  Text<8> AppEdsDate;
  Text<6> AppEdsTime;
  Text<8> AppSedDate;
  Text<6> AppSedTime;
  Text<8> AppRadDate;
  Text<6> AppRadTime;
  Text<8> AppRedDate;
  Text<6> AppRedTime;
  int32_t AppAgs = 0;
  int32_t AppAbs = 0;
  int32_t AppAes = 0;
  double AppSme = 0;
  double AppIme = 0;
  double AppAme = 0;
  Text<3> AppMee;
  double AppSza = 0;
  double AppStr = 0;
  double AppSte = 0;
  double AppIta = 0;
  double AppItr = 0;
  double AppIte = 0;
  Text<10> AppApg;
  Text<10> AppApl;
  Text<15> AppKt1;
  Text<3> AppKz1;
  Text<15> AppKt2;
  Text<3> AppKz2;
  Text<15> AppKt3;
  Text<3> AppKz3;
  Text<15> AppKt4;
  Text<3> AppKz4;
  Text<10> AppFbe;
  Text<10> AppKst;
  Text<30> AppZf1;
  Text<30> AppZf2;
  Text<30> AppZf3;
  Text<1> AppKnz;
  Text<3> AppDna;
  Text<8> AppDwn;
  int32_t AppSsn = 0;
  int32_t AppSta = 0;
  Text<14> AppDat;  // yyyymmddHHMMSS
  Text<8> AppErf;
};
using AppDnlRecord = AppRecord;

// Terminal configuration, table Kvl557Cfg: which terminal serves which production areas.
struct CfgRecord {
  int32_t CfgDta = 0;  // terminal number
  Text<15> CfgIP;
  Text<5> CfgPrt;
  Text<30> CfgBez;
  Text<10> CfgTxt;
  int32_t CfgKr1 = 0;
  Text<10> CfgVn1;
  Text<10> CfgBi1;
  Text<30> CfgBz1;
  Text<10> CfgVn2;
  Text<10> CfgBi2;
  Text<30> CfgBz2;
  Text<10> CfgVn3;
  Text<10> CfgBi3;
  Text<30> CfgBz3;
  Text<10> CfgVn4;
  Text<10> CfgBi4;
  Text<30> CfgBz4;
  Text<10> CfgVn5;
  Text<10> CfgBi5;
  Text<30> CfgBz5;
  int32_t CfgSta = 0;
  Text<14> CfgDat;
  Text<8> CfgErf;
};

}  // namespace jf
