#include "db/schema/Schema.h"

#include <sqlite3.h>

#include <string>

#include "db/sql/Status.h"
#include "platform/Env.h"

namespace jf {

const char* const kSqliteSchema = R"SQL(
CREATE TABLE IF NOT EXISTS Kvl501Apk (
  ApkApk TEXT NOT NULL PRIMARY KEY,
  ApkBz1 TEXT, ApkBz2 TEXT, ApkTxt TEXT,
  ApkSts INTEGER, ApkSis INTEGER,
  ApkKun TEXT, ApkKb1 TEXT, ApkKb2 TEXT,
  ApkBgs REAL, ApkEns REAL,
  ApkAfo INTEGER, ApkEaf INTEGER,
  ApkTnr TEXT, ApkTb1 TEXT, ApkTb2 TEXT,
  ApkSme REAL, ApkIme REAL, ApkMee TEXT,
  ApkBdi REAL, ApkEdi REAL,
  ApkFbe TEXT, ApkKst TEXT, ApkZf1 TEXT, ApkZf2 TEXT, ApkZf3 TEXT, ApkKnz TEXT,
  ApkSsn INTEGER, ApkDna TEXT, ApkDwn TEXT, ApkSta INTEGER,
  ApkDat REAL, ApkErf TEXT, ApkAba INTEGER
);
CREATE INDEX IF NOT EXISTS Kvl501Apk_Dwn ON Kvl501Apk (ApkDwn);

CREATE TABLE IF NOT EXISTS Kvl504App (
  AppApk TEXT NOT NULL, AppApp TEXT NOT NULL,
  AppVaf TEXT, AppNaf TEXT, AppBz1 TEXT, AppBz2 TEXT, AppTxt TEXT,
  AppSts INTEGER, AppSis INTEGER,
  AppBdi REAL, AppBds REAL, AppSbd REAL, AppEdi REAL, AppEds REAL, AppSed REAL,
  AppRad REAL, AppRed REAL,
  AppAgs INTEGER, AppAbs INTEGER, AppAes INTEGER,
  AppSme REAL, AppIme REAL, AppAme REAL, AppMee TEXT,
  AppSza REAL, AppStr REAL, AppSte REAL, AppIta REAL, AppItr REAL, AppIte REAL,
  AppApg TEXT, AppApl TEXT,
  AppKt1 TEXT, AppKz1 TEXT, AppKt2 TEXT, AppKz2 TEXT, AppKt3 TEXT, AppKz3 TEXT,
  AppKt4 TEXT, AppKz4 TEXT,
  AppFbe TEXT, AppKst TEXT, AppZf1 TEXT, AppZf2 TEXT, AppZf3 TEXT, AppKnz TEXT,
  AppSsn INTEGER, AppDna TEXT, AppDwn TEXT, AppSta INTEGER,
  AppDat REAL, AppErf TEXT,
  PRIMARY KEY (AppApk, AppApp)
);
CREATE INDEX IF NOT EXISTS Kvl504App_Dwn ON Kvl504App (AppDwn);

CREATE TABLE IF NOT EXISTS Kvl557Cfg (
  CfgDta INTEGER NOT NULL PRIMARY KEY,  -- WITHOUT ROWID: a real key, NULL refused as on Oracle
  CfgIP TEXT, CfgPrt TEXT, CfgBez TEXT, CfgTxt TEXT, CfgKr1 INTEGER,
  CfgVn1 TEXT, CfgBi1 TEXT, CfgBz1 TEXT,
  CfgVn2 TEXT, CfgBi2 TEXT, CfgBz2 TEXT,
  CfgVn3 TEXT, CfgBi3 TEXT, CfgBz3 TEXT,
  CfgVn4 TEXT, CfgBi4 TEXT, CfgBz4 TEXT,
  CfgVn5 TEXT, CfgBi5 TEXT, CfgBz5 TEXT,
  CfgSta INTEGER, CfgDat REAL, CfgErf TEXT
) WITHOUT ROWID;

-- Order sources and operations. Begin and end dates and times are read as they stand, so they
-- are kept as texts.
CREATE TABLE IF NOT EXISTS Kvl500Auk (
  AukApk TEXT NOT NULL PRIMARY KEY,
  AukBz1 TEXT, AukBz2 TEXT, AukTxt TEXT, AukSts INTEGER,
  AukBgs TEXT, AukEns TEXT, AukAfo INTEGER,
  AukTnr TEXT, AukTb1 TEXT, AukTb2 TEXT, AukSme REAL, AukMee TEXT,
  AukZf1 TEXT, AukZf2 TEXT, AukZf3 TEXT,
  AukKun TEXT, AukKb1 TEXT, AukKb2 TEXT, AukFbe TEXT, AukKst TEXT
);

CREATE TABLE IF NOT EXISTS Kvl503Afo (
  AfoApk TEXT NOT NULL, AfoApp TEXT NOT NULL,
  AfoVaf TEXT, AfoNaf TEXT, AfoBz1 TEXT, AfoBz2 TEXT, AfoTxt TEXT, AfoSts INTEGER,
  AfoBgs TEXT, AfoBgz TEXT, AfoEns TEXT, AfoEnz TEXT, AfoAgs INTEGER,
  AfoSme REAL, AfoMee TEXT, AfoSta REAL, AfoStr REAL, AfoSte REAL,
  AfoApg TEXT, AfoApl TEXT, AfoZf1 TEXT, AfoZf2 TEXT, AfoZf3 TEXT, AfoFbe TEXT, AfoKst TEXT,
  PRIMARY KEY (AfoApk, AfoApp)
);

-- Download journal, statistics and update ranges.
CREATE TABLE IF NOT EXISTS Kvl540Dnl (
  DnlDta REAL, DnlLfn INTEGER,
  DnlVkz TEXT, DnlBer TEXT, DnlFun TEXT, DnlSkz TEXT, DnlPnr TEXT,
  DnlApk TEXT, DnlApp TEXT, DnlApl TEXT, DnlDnl TEXT,
  DnlDat REAL, DnlErf TEXT
);
CREATE INDEX IF NOT EXISTS Kvl540Dnl_Erf ON Kvl540Dnl (DnlErf, DnlDta);

CREATE TABLE IF NOT EXISTS Kvl542Dwn (
  DwnDta REAL NOT NULL,
  DwnApk INTEGER, DwnApp INTEGER, DwnAuk INTEGER, DwnAfo INTEGER,
  DwnNeu INTEGER, DwnAen INTEGER, DwnLoe INTEGER,
  DwnZf1 TEXT, DwnZf2 TEXT, DwnZf3 TEXT,
  DwnDat REAL, DwnErf TEXT NOT NULL,
  PRIMARY KEY (DwnDta, DwnErf)
);

CREATE TABLE IF NOT EXISTS Kvl543Upd (
  UpdKey TEXT NOT NULL PRIMARY KEY,
  UpdAkv TEXT, UpdAkb TEXT, UpdAav TEXT, UpdAab TEXT, UpdApv TEXT, UpdApb TEXT,
  UpdAlv TEXT, UpdAlb TEXT, UpdAgv TEXT, UpdAgb TEXT, UpdUgv TEXT, UpdUgb TEXT,
  UpdAuv TEXT, UpdAub TEXT, UpdPvv TEXT, UpdPvb TEXT, UpdKsv TEXT, UpdKsb TEXT,
  UpdDat REAL, UpdErf TEXT
);

-- Further lookups: function assignments, shifts and breaks, presets, cost centre assignments of
-- persons, persons, employments and number counters; the shared calendars and badges, which
-- live in the schema KvlSystem on Oracle, are tables of this file like the others.
CREATE TABLE IF NOT EXISTS Kvl553Fzu (
  FzuFcd TEXT NOT NULL, FzuAec TEXT NOT NULL,
  FzuMld TEXT, FzuBez TEXT, FzuTxt TEXT,
  FzuArt INTEGER, FzuObj INTEGER, FzuUpl INTEGER, FzuGen INTEGER,
  FzuZf1 TEXT, FzuZf2 TEXT, FzuZf3 TEXT, FzuSta INTEGER, FzuDat REAL, FzuErf TEXT,
  PRIMARY KEY (FzuFcd, FzuAec)
);
CREATE INDEX IF NOT EXISTS Kvl553Fzu_Mld ON Kvl553Fzu (FzuMld);

CREATE TABLE IF NOT EXISTS Kvl532Aem (
  AemApg TEXT NOT NULL, AemKng INTEGER NOT NULL, AemEmo TEXT,
  AemGvo REAL, AemGbi REAL,
  AemBez TEXT, AemTxt TEXT, AemKal TEXT,
  AemLkz INTEGER, AemVzt INTEGER, AemEzt INTEGER, AemPrz INTEGER, AemAfz INTEGER,
  AemApz INTEGER, AemPrp INTEGER, AemAfp INTEGER, AemApp INTEGER, AemMaz INTEGER
);
CREATE INDEX IF NOT EXISTS Kvl532Aem_Apg ON Kvl532Aem (AemApg, AemKng);

CREATE TABLE IF NOT EXISTS Kvl533Emo (
  EmoEmo TEXT NOT NULL, EmoTtp TEXT NOT NULL, EmoTxt TEXT,
  EmoBeg INTEGER, EmoEnd INTEGER, EmoArt INTEGER, EmoPmo TEXT
);
CREATE INDEX IF NOT EXISTS Kvl533Emo_Emo ON Kvl533Emo (EmoEmo, EmoTtp);

CREATE TABLE IF NOT EXISTS Kvl536Pmz (
  PmzPmo TEXT NOT NULL, PmzPms TEXT NOT NULL, PmzGvo REAL, PmzGbi REAL
);
CREATE INDEX IF NOT EXISTS Kvl536Pmz_Pmo ON Kvl536Pmz (PmzPmo);

CREATE TABLE IF NOT EXISTS Kvl535Pms (
  PmsNum TEXT NOT NULL,
  PmsBeg INTEGER, PmsEnd INTEGER, PmsInt INTEGER, PmsPse INTEGER, PmsBzt INTEGER, PmsPrz INTEGER
);
CREATE INDEX IF NOT EXISTS Kvl535Pms_Num ON Kvl535Pms (PmsNum);

CREATE TABLE IF NOT EXISTS Kvl133Kal (
  KalNum TEXT NOT NULL, KalDtm REAL NOT NULL, KalBtp TEXT,
  PRIMARY KEY (KalNum, KalDtm)
);

CREATE TABLE IF NOT EXISTS Kvl133Bak (
  BakDtm REAL NOT NULL PRIMARY KEY,
  BakJhr INTEGER, BakMon INTEGER, BakTag INTEGER, BakWch INTEGER, BakWtg INTEGER, BakJtg INTEGER
);

CREATE TABLE IF NOT EXISTS Kvl555Vrg (
  VrgBer TEXT NOT NULL, VrgFld TEXT NOT NULL, VrgWrt TEXT,
  PRIMARY KEY (VrgBer, VrgFld)
);

CREATE TABLE IF NOT EXISTS Kvl329Ztg (
  ZtgPnr TEXT NOT NULL, ZtgVon REAL NOT NULL, ZtgKst TEXT,
  PRIMARY KEY (ZtgPnr, ZtgVon)
);

CREATE TABLE IF NOT EXISTS Kvl301Asw (
  AswNum TEXT NOT NULL, AswGvo REAL NOT NULL, AswGbi REAL,
  AswPnr TEXT, AswErf TEXT, AswDat REAL,
  PRIMARY KEY (AswNum, AswGvo)
);
CREATE INDEX IF NOT EXISTS Kvl301Asw_Pnr ON Kvl301Asw (AswPnr);

CREATE TABLE IF NOT EXISTS Kvl300Pnr (
  PnrNum TEXT NOT NULL PRIMARY KEY,
  PnrNam TEXT, PnrStr TEXT, PnrOrt TEXT
);

CREATE TABLE IF NOT EXISTS Kvl310Bsv (
  BsvPnr TEXT NOT NULL, BsvGvo REAL NOT NULL, BsvGbi REAL,
  PRIMARY KEY (BsvPnr, BsvGvo)
);

CREATE TABLE IF NOT EXISTS Kvl591Nzp (
  NzpAkz INTEGER NOT NULL, NzpGvn REAL NOT NULL, NzpGbi REAL NOT NULL,
  NzpAak INTEGER, NzpAwt INTEGER, NzpKjh INTEGER, NzpKmn INTEGER, NzpKwo INTEGER, NzpKtg INTEGER,
  NzpAan INTEGER, NzpVfh INTEGER, NzpNfh INTEGER, NzpMrk INTEGER, NzpAdt REAL, NzpAus TEXT,
  PRIMARY KEY (NzpAkz, NzpGvn, NzpGbi)
);

-- Master data: workplace groups and their cost centre assignments, workplaces, interruption
-- reasons, personnel, production areas and cost centres.
CREATE TABLE IF NOT EXISTS Kvl530Apg (
  ApgApg TEXT NOT NULL PRIMARY KEY,
  ApgBez TEXT, ApgTxt TEXT, ApgKst TEXT, ApgFbe TEXT,
  ApgZf1 TEXT, ApgZf2 TEXT, ApgZf3 TEXT,
  ApgApl INTEGER, ApgTag INTEGER,
  ApgKap REAL, ApgPrd REAL, ApgRst REAL, ApgPau REAL, ApgUnt REAL, ApgIak REAL,
  ApgSt1 TEXT, ApgSt2 TEXT, ApgSt3 TEXT, ApgSf1 REAL, ApgSf2 REAL, ApgSf3 REAL,
  ApgDna TEXT, ApgDwn TEXT, ApgSta INTEGER, ApgDat REAL, ApgErf TEXT
);
CREATE INDEX IF NOT EXISTS Kvl530Apg_Dwn ON Kvl530Apg (ApgDwn);

CREATE TABLE IF NOT EXISTS Kvl537Ksg (
  KsgApg TEXT NOT NULL, KsgGvo REAL NOT NULL, KsgGbi REAL,
  KsgFbe TEXT, KsgKst TEXT, KsgZf1 TEXT, KsgZf2 TEXT, KsgZf3 TEXT,
  KsgSta INTEGER, KsgDat REAL, KsgErf TEXT,
  PRIMARY KEY (KsgApg, KsgGvo)
);

CREATE TABLE IF NOT EXISTS Kvl531Apl (
  AplApl TEXT NOT NULL PRIMARY KEY,
  AplBez TEXT, AplTxt TEXT, AplApg TEXT, AplFbe TEXT,
  AplSts INTEGER, AplSis INTEGER, AplApr INTEGER, AplAaf INTEGER,
  AplUbg TEXT, AplUdt REAL,
  AplZf1 TEXT, AplZf2 TEXT, AplZf3 TEXT,
  AplTag INTEGER,
  AplVrf REAL, AplRsp REAL, AplRsi REAL, AplAfp REAL, AplAfi REAL, AplPau REAL, AplUnt REAL,
  AplIak REAL, AplAvt INTEGER, AplKap REAL, AplAvr REAL, AplAvp REAL,
  AplSt1 TEXT, AplSt2 TEXT, AplSt3 TEXT, AplSf1 REAL, AplSf2 REAL, AplSf3 REAL,
  AplDna TEXT, AplDwn TEXT, AplSta INTEGER, AplDat REAL, AplErf TEXT
);
CREATE INDEX IF NOT EXISTS Kvl531Apl_Dwn ON Kvl531Apl (AplDwn);
CREATE INDEX IF NOT EXISTS Kvl531Apl_Apg ON Kvl531Apl (AplApg);

CREATE TABLE IF NOT EXISTS Kvl521Ubg (
  UbgUbg TEXT NOT NULL PRIMARY KEY,
  UbgKnz INTEGER, UbgFbe TEXT, UbgBez TEXT, UbgTxt TEXT,
  UbgZf1 TEXT, UbgZf2 TEXT, UbgZf3 TEXT,
  UbgAst INTEGER, UbgRst REAL, UbgAsf REAL,
  UbgSt1 TEXT, UbgSt2 TEXT, UbgSt3 TEXT, UbgSf1 REAL, UbgSf2 REAL, UbgSf3 REAL,
  UbgDna TEXT, UbgDwn TEXT, UbgSta INTEGER, UbgDat REAL, UbgErf TEXT
);
CREATE INDEX IF NOT EXISTS Kvl521Ubg_Dwn ON Kvl521Ubg (UbgDwn);

CREATE TABLE IF NOT EXISTS Kvl510Prv (
  PrvPnr TEXT NOT NULL PRIMARY KEY,
  PrvGvo REAL, PrvGbi REAL, PrvBer INTEGER, PrvKst TEXT, PrvFbe TEXT, PrvMmb INTEGER,
  PrvZf1 TEXT, PrvZf2 TEXT, PrvZf3 TEXT,
  PrvDna TEXT, PrvDwn TEXT, PrvAwa INTEGER, PrvAwn TEXT, PrvAnw INTEGER,
  PrvAvn REAL, PrvAbi REAL, PrvApl INTEGER, PrvApp INTEGER, PrvPzm INTEGER,
  PrvSta INTEGER, PrvDat REAL, PrvErf TEXT,
  PrvNam TEXT, PrvStr TEXT, PrvOrt TEXT
);
CREATE INDEX IF NOT EXISTS Kvl510Prv_Dwn ON Kvl510Prv (PrvDwn);
CREATE INDEX IF NOT EXISTS Kvl510Prv_Awn ON Kvl510Prv (PrvAwn);

CREATE TABLE IF NOT EXISTS Kvl559Fbe (
  FbeFbe TEXT NOT NULL PRIMARY KEY,
  FbeTyp INTEGER
);

CREATE TABLE IF NOT EXISTS o1003Kststelle (
  KstNum TEXT NOT NULL PRIMARY KEY
);
)SQL";

int CreateSqliteDatabase(const char* path, const char** error) {
  static std::string last;
  sqlite3* db = nullptr;
  const std::string native = NativePath(path);
  int rc =
      sqlite3_open_v2(native.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, kSqliteSchema, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    last = db != nullptr ? sqlite3_errmsg(db) : "cannot open";
    if (error != nullptr) *error = last.c_str();
    sqlite3_close_v2(db);
    return sql::kOtherError;
  }
  sqlite3_close_v2(db);
  return 0;
}

}  // namespace jf
