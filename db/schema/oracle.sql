-- The tables of the program on Oracle, for a new schema or a test one; `jobfeed-admin check-db`
-- tells whether an existing schema has what the program uses.
-- Texts are VARCHAR2 of the record widths; columns carried as 16-bit integers are NUMBER(5),
-- 32-bit integers NUMBER(10), quantities NUMBER; instants are DATE.

-- Order headers, order positions and the terminal configuration.
CREATE TABLE Kvl501Apk (
  ApkApk VARCHAR2(12) NOT NULL,
  ApkBz1 VARCHAR2(30),
  ApkBz2 VARCHAR2(30),
  ApkTxt VARCHAR2(10),
  ApkSts NUMBER(5),
  ApkSis NUMBER(5),
  ApkKun VARCHAR2(7),
  ApkKb1 VARCHAR2(30),
  ApkKb2 VARCHAR2(30),
  ApkBgs DATE,
  ApkEns DATE,
  ApkAfo NUMBER(5),
  ApkEaf NUMBER(5),
  ApkTnr VARCHAR2(20),
  ApkTb1 VARCHAR2(30),
  ApkTb2 VARCHAR2(30),
  ApkSme NUMBER,
  ApkIme NUMBER,
  ApkMee VARCHAR2(3),
  ApkBdi DATE,
  ApkEdi DATE,
  ApkFbe VARCHAR2(10),
  ApkKst VARCHAR2(10),
  ApkZf1 VARCHAR2(30),
  ApkZf2 VARCHAR2(30),
  ApkZf3 VARCHAR2(30),
  ApkKnz VARCHAR2(1),
  ApkSsn NUMBER(5),
  ApkDna VARCHAR2(3),
  ApkDwn VARCHAR2(8),
  ApkSta NUMBER(5),
  ApkDat DATE,
  ApkErf VARCHAR2(8),
  ApkAba NUMBER(10),
  CONSTRAINT Kvl501Apk_PK PRIMARY KEY (ApkApk)
);
CREATE INDEX Kvl501Apk_Dwn ON Kvl501Apk (ApkDwn);

CREATE TABLE Kvl504App (
  AppApk VARCHAR2(12) NOT NULL,
  AppApp VARCHAR2(5) NOT NULL,
  AppVaf VARCHAR2(5),
  AppNaf VARCHAR2(5),
  AppBz1 VARCHAR2(30),
  AppBz2 VARCHAR2(30),
  AppTxt VARCHAR2(10),
  AppSts NUMBER(5),
  AppSis NUMBER(5),
  AppBdi DATE,
  AppBds DATE,
  AppSbd DATE,
  AppEdi DATE,
  AppEds DATE,
  AppSed DATE,
  AppRad DATE,
  AppRed DATE,
  AppAgs NUMBER(10),
  AppAbs NUMBER(10),
  AppAes NUMBER(10),
  AppSme NUMBER,
  AppIme NUMBER,
  AppAme NUMBER,
  AppMee VARCHAR2(3),
  AppSza NUMBER,
  AppStr NUMBER,
  AppSte NUMBER,
  AppIta NUMBER,
  AppItr NUMBER,
  AppIte NUMBER,
  AppApg VARCHAR2(10),
  AppApl VARCHAR2(10),
  AppKt1 VARCHAR2(15),
  AppKz1 VARCHAR2(3),
  AppKt2 VARCHAR2(15),
  AppKz2 VARCHAR2(3),
  AppKt3 VARCHAR2(15),
  AppKz3 VARCHAR2(3),
  AppKt4 VARCHAR2(15),
  AppKz4 VARCHAR2(3),
  AppFbe VARCHAR2(10),
  AppKst VARCHAR2(10),
  AppZf1 VARCHAR2(30),
  AppZf2 VARCHAR2(30),
  AppZf3 VARCHAR2(30),
  AppKnz VARCHAR2(1),
  AppSsn NUMBER(5),
  AppDna VARCHAR2(3),
  AppDwn VARCHAR2(8),
  AppSta NUMBER(5),
  AppDat DATE,
  AppErf VARCHAR2(8),
  CONSTRAINT Kvl504App_PK PRIMARY KEY (AppApk, AppApp)
);
CREATE INDEX Kvl504App_Dwn ON Kvl504App (AppDwn);

CREATE TABLE Kvl557Cfg (
  CfgDta NUMBER(10) NOT NULL,
  CfgIP VARCHAR2(15),
  CfgPrt VARCHAR2(5),
  CfgBez VARCHAR2(30),
  CfgTxt VARCHAR2(10),
  CfgKr1 NUMBER(10),
  CfgVn1 VARCHAR2(10),
  CfgBi1 VARCHAR2(10),
  CfgBz1 VARCHAR2(30),
  CfgVn2 VARCHAR2(10),
  CfgBi2 VARCHAR2(10),
  CfgBz2 VARCHAR2(30),
  CfgVn3 VARCHAR2(10),
  CfgBi3 VARCHAR2(10),
  CfgBz3 VARCHAR2(30),
  CfgVn4 VARCHAR2(10),
  CfgBi4 VARCHAR2(10),
  CfgBz4 VARCHAR2(30),
  CfgVn5 VARCHAR2(10),
  CfgBi5 VARCHAR2(10),
  CfgBz5 VARCHAR2(30),
  CfgSta NUMBER(10),
  CfgDat DATE,
  CfgErf VARCHAR2(8),
  CONSTRAINT Kvl557Cfg_PK PRIMARY KEY (CfgDta)
);

-- Order sources and operations. Begin and end dates and times are read as they stand, so they
-- are kept as texts of the widths the rows carry them in.
CREATE TABLE Kvl500Auk (
  AukApk VARCHAR2(12) NOT NULL,
  AukBz1 VARCHAR2(30),
  AukBz2 VARCHAR2(30),
  AukTxt VARCHAR2(10),
  AukSts NUMBER(5),
  AukBgs VARCHAR2(8),
  AukEns VARCHAR2(8),
  AukAfo NUMBER(5),
  AukTnr VARCHAR2(20),
  AukTb1 VARCHAR2(30),
  AukTb2 VARCHAR2(30),
  AukSme NUMBER,
  AukMee VARCHAR2(3),
  AukZf1 VARCHAR2(30),
  AukZf2 VARCHAR2(30),
  AukZf3 VARCHAR2(30),
  AukKun VARCHAR2(7),
  AukKb1 VARCHAR2(30),
  AukKb2 VARCHAR2(30),
  AukFbe VARCHAR2(10),
  AukKst VARCHAR2(10),
  CONSTRAINT Kvl500Auk_PK PRIMARY KEY (AukApk)
);

CREATE TABLE Kvl503Afo (
  AfoApk VARCHAR2(12) NOT NULL,
  AfoApp VARCHAR2(5) NOT NULL,
  AfoVaf VARCHAR2(5),
  AfoNaf VARCHAR2(5),
  AfoBz1 VARCHAR2(30),
  AfoBz2 VARCHAR2(30),
  AfoTxt VARCHAR2(10),
  AfoSts NUMBER(5),
  AfoBgs VARCHAR2(8),
  AfoBgz VARCHAR2(6),
  AfoEns VARCHAR2(8),
  AfoEnz VARCHAR2(6),
  AfoAgs NUMBER(5),
  AfoSme NUMBER,
  AfoMee VARCHAR2(3),
  AfoSta NUMBER,
  AfoStr NUMBER,
  AfoSte NUMBER,
  AfoApg VARCHAR2(10),
  AfoApl VARCHAR2(10),
  AfoZf1 VARCHAR2(30),
  AfoZf2 VARCHAR2(30),
  AfoZf3 VARCHAR2(30),
  AfoFbe VARCHAR2(10),
  AfoKst VARCHAR2(10),
  CONSTRAINT Kvl503Afo_PK PRIMARY KEY (AfoApk, AfoApp)
);

-- Download journal, statistics and update ranges. DnlDnl holds a whole order position payload
-- (257 characters); DnlBer is wider than the area the rows carry.
CREATE TABLE Kvl540Dnl (
  DnlDta DATE,
  DnlLfn NUMBER(10),
  DnlVkz VARCHAR2(3),
  DnlBer VARCHAR2(10),
  DnlFun VARCHAR2(3),
  DnlSkz VARCHAR2(3),
  DnlPnr VARCHAR2(8),
  DnlApk VARCHAR2(12),
  DnlApp VARCHAR2(5),
  DnlApl VARCHAR2(10),
  DnlDnl VARCHAR2(257),
  DnlDat DATE,
  DnlErf VARCHAR2(8)
);
CREATE INDEX Kvl540Dnl_Erf ON Kvl540Dnl (DnlErf, DnlDta);

CREATE TABLE Kvl542Dwn (
  DwnDta DATE NOT NULL,
  DwnApk NUMBER(10),
  DwnApp NUMBER(10),
  DwnAuk NUMBER(10),
  DwnAfo NUMBER(10),
  DwnNeu NUMBER(10),
  DwnAen NUMBER(10),
  DwnLoe NUMBER(10),
  DwnZf1 VARCHAR2(30),
  DwnZf2 VARCHAR2(30),
  DwnZf3 VARCHAR2(30),
  DwnDat DATE,
  DwnErf VARCHAR2(8) NOT NULL,
  CONSTRAINT Kvl542Dwn_PK PRIMARY KEY (DwnDta, DwnErf)
);

CREATE TABLE Kvl543Upd (
  UpdKey VARCHAR2(3) NOT NULL,
  UpdAkv VARCHAR2(12),
  UpdAkb VARCHAR2(12),
  UpdAav VARCHAR2(12),
  UpdAab VARCHAR2(12),
  UpdApv VARCHAR2(5),
  UpdApb VARCHAR2(5),
  UpdAlv VARCHAR2(10),
  UpdAlb VARCHAR2(10),
  UpdAgv VARCHAR2(10),
  UpdAgb VARCHAR2(10),
  UpdUgv VARCHAR2(5),
  UpdUgb VARCHAR2(5),
  UpdAuv VARCHAR2(5),
  UpdAub VARCHAR2(5),
  UpdPvv VARCHAR2(8),
  UpdPvb VARCHAR2(8),
  UpdKsv VARCHAR2(5),
  UpdKsb VARCHAR2(5),
  UpdDat DATE,
  UpdErf VARCHAR2(8),
  CONSTRAINT Kvl543Upd_PK PRIMARY KEY (UpdKey)
);

-- Further lookups: function assignments, shifts and breaks, presets, cost centre assignments of
-- persons, persons, employments and number counters.
CREATE TABLE Kvl553Fzu (
  FzuFcd VARCHAR2(3) NOT NULL,
  FzuAec VARCHAR2(3) NOT NULL,
  FzuMld VARCHAR2(3),
  FzuBez VARCHAR2(30),
  FzuTxt VARCHAR2(10),
  FzuArt NUMBER(10),
  FzuObj NUMBER(10),
  FzuUpl NUMBER(10),
  FzuGen NUMBER(10),
  FzuZf1 VARCHAR2(30),
  FzuZf2 VARCHAR2(30),
  FzuZf3 VARCHAR2(30),
  FzuSta NUMBER(5),
  FzuDat DATE,
  FzuErf VARCHAR2(8),
  CONSTRAINT Kvl553Fzu_PK PRIMARY KEY (FzuFcd, FzuAec)
);
CREATE INDEX Kvl553Fzu_Mld ON Kvl553Fzu (FzuMld);

CREATE TABLE Kvl532Aem (
  AemApg VARCHAR2(10) NOT NULL,
  AemKng NUMBER(10) NOT NULL,
  AemEmo VARCHAR2(10),
  AemGvo DATE,
  AemGbi DATE,
  AemBez VARCHAR2(30),
  AemTxt VARCHAR2(10),
  AemKal VARCHAR2(5),
  AemLkz NUMBER(10),
  AemVzt NUMBER(10),
  AemEzt NUMBER(10),
  AemPrz NUMBER(10),
  AemAfz NUMBER(10),
  AemApz NUMBER(10),
  AemPrp NUMBER(10),
  AemAfp NUMBER(10),
  AemApp NUMBER(10),
  AemMaz NUMBER(10)
);
CREATE INDEX Kvl532Aem_Apg ON Kvl532Aem (AemApg, AemKng);

CREATE TABLE Kvl533Emo (
  EmoEmo VARCHAR2(10) NOT NULL,
  EmoTtp VARCHAR2(3) NOT NULL,
  EmoTxt VARCHAR2(10),
  EmoBeg NUMBER(10),
  EmoEnd NUMBER(10),
  EmoArt NUMBER(10),
  EmoPmo VARCHAR2(10)
);
CREATE INDEX Kvl533Emo_Emo ON Kvl533Emo (EmoEmo, EmoTtp);

CREATE TABLE Kvl536Pmz (
  PmzPmo VARCHAR2(10) NOT NULL,
  PmzPms VARCHAR2(5) NOT NULL,
  PmzGvo DATE,
  PmzGbi DATE
);
CREATE INDEX Kvl536Pmz_Pmo ON Kvl536Pmz (PmzPmo);

CREATE TABLE Kvl535Pms (
  PmsNum VARCHAR2(5) NOT NULL,
  PmsBeg NUMBER(10),
  PmsEnd NUMBER(10),
  PmsInt NUMBER(10),
  PmsPse NUMBER(10),
  PmsBzt NUMBER(10),
  PmsPrz NUMBER(10)
);
CREATE INDEX Kvl535Pms_Num ON Kvl535Pms (PmsNum);

CREATE TABLE Kvl555Vrg (
  VrgBer VARCHAR2(10) NOT NULL,
  VrgFld VARCHAR2(3) NOT NULL,
  VrgWrt VARCHAR2(30),
  CONSTRAINT Kvl555Vrg_PK PRIMARY KEY (VrgBer, VrgFld)
);

CREATE TABLE Kvl329Ztg (
  ZtgPnr VARCHAR2(8) NOT NULL,
  ZtgVon DATE NOT NULL,
  ZtgKst VARCHAR2(10),
  CONSTRAINT Kvl329Ztg_PK PRIMARY KEY (ZtgPnr, ZtgVon)
);

CREATE TABLE Kvl300Pnr (
  PnrNum VARCHAR2(8) NOT NULL,
  PnrNam VARCHAR2(50),
  PnrStr VARCHAR2(50),
  PnrOrt VARCHAR2(50),
  CONSTRAINT Kvl300Pnr_PK PRIMARY KEY (PnrNum)
);

CREATE TABLE Kvl310Bsv (
  BsvPnr VARCHAR2(8) NOT NULL,
  BsvGvo DATE NOT NULL,
  BsvGbi DATE,
  CONSTRAINT Kvl310Bsv_PK PRIMARY KEY (BsvPnr, BsvGvo)
);

CREATE TABLE Kvl591Nzp (
  NzpAkz NUMBER(10) NOT NULL,
  NzpGvn DATE NOT NULL,
  NzpGbi DATE NOT NULL,
  NzpAak NUMBER(10),
  NzpAwt NUMBER(10),
  NzpKjh NUMBER(10),
  NzpKmn NUMBER(10),
  NzpKwo NUMBER(10),
  NzpKtg NUMBER(10),
  NzpAan NUMBER(10),
  NzpVfh NUMBER(10),
  NzpNfh NUMBER(10),
  NzpMrk NUMBER(10),
  NzpAdt DATE,
  NzpAus VARCHAR2(8),
  CONSTRAINT Kvl591Nzp_PK PRIMARY KEY (NzpAkz, NzpGvn, NzpGbi)
);

-- The shared calendars and badges belong to the schema KvlSystem (created by a user allowed to
-- create tables there); the application user needs SELECT on them. One statement names the base
-- calendar without its schema, which the synonym resolves.
CREATE TABLE KvlSystem.Kvl133Kal (
  KalNum VARCHAR2(5) NOT NULL,
  KalDtm DATE NOT NULL,
  KalBtp VARCHAR2(3),
  CONSTRAINT Kvl133Kal_PK PRIMARY KEY (KalNum, KalDtm)
);

CREATE TABLE KvlSystem.Kvl133Bak (
  BakDtm DATE NOT NULL,
  BakJhr NUMBER(10),
  BakMon NUMBER(10),
  BakTag NUMBER(10),
  BakWch NUMBER(10),
  BakWtg NUMBER(10),
  BakJtg NUMBER(10),
  CONSTRAINT Kvl133Bak_PK PRIMARY KEY (BakDtm)
);

CREATE TABLE KvlSystem.Kvl301Asw (
  AswNum VARCHAR2(8) NOT NULL,
  AswGvo DATE NOT NULL,
  AswGbi DATE,
  AswPnr VARCHAR2(8),
  AswErf VARCHAR2(50),
  AswDat DATE,
  CONSTRAINT Kvl301Asw_PK PRIMARY KEY (AswNum, AswGvo)
);
CREATE INDEX KvlSystem.Kvl301Asw_Pnr ON KvlSystem.Kvl301Asw (AswPnr);

CREATE SYNONYM Kvl133Bak FOR KvlSystem.Kvl133Bak;

-- Master data: workplace groups and their cost centre assignments, workplaces, interruption
-- reasons, personnel, production areas and cost centres.

CREATE TABLE Kvl530Apg (
  ApgApg VARCHAR2(10) NOT NULL,
  ApgBez VARCHAR2(30),
  ApgTxt VARCHAR2(10),
  ApgKst VARCHAR2(10),
  ApgFbe VARCHAR2(10),
  ApgZf1 VARCHAR2(30),
  ApgZf2 VARCHAR2(30),
  ApgZf3 VARCHAR2(30),
  ApgApl NUMBER(10),
  ApgTag NUMBER(10),
  ApgKap NUMBER,
  ApgPrd NUMBER,
  ApgRst NUMBER,
  ApgPau NUMBER,
  ApgUnt NUMBER,
  ApgIak NUMBER,
  ApgSt1 VARCHAR2(10),
  ApgSt2 VARCHAR2(10),
  ApgSt3 VARCHAR2(10),
  ApgSf1 NUMBER,
  ApgSf2 NUMBER,
  ApgSf3 NUMBER,
  ApgDna VARCHAR2(3),
  ApgDwn VARCHAR2(8),
  ApgSta NUMBER(5),
  ApgDat DATE,
  ApgErf VARCHAR2(8),
  CONSTRAINT Kvl530Apg_PK PRIMARY KEY (ApgApg)
);
CREATE INDEX Kvl530Apg_Dwn ON Kvl530Apg (ApgDwn);

CREATE TABLE Kvl537Ksg (
  KsgApg VARCHAR2(10) NOT NULL,
  KsgGvo DATE NOT NULL,
  KsgGbi DATE,
  KsgFbe VARCHAR2(10),
  KsgKst VARCHAR2(10),
  KsgZf1 VARCHAR2(30),
  KsgZf2 VARCHAR2(30),
  KsgZf3 VARCHAR2(30),
  KsgSta NUMBER(5),
  KsgDat DATE,
  KsgErf VARCHAR2(8),
  CONSTRAINT Kvl537Ksg_PK PRIMARY KEY (KsgApg, KsgGvo)
);

CREATE TABLE Kvl531Apl (
  AplApl VARCHAR2(10) NOT NULL,
  AplBez VARCHAR2(30),
  AplTxt VARCHAR2(10),
  AplApg VARCHAR2(10),
  AplFbe VARCHAR2(10),
  AplSts NUMBER(5),
  AplSis NUMBER(5),
  AplApr NUMBER(10),
  AplAaf NUMBER(10),
  AplUbg VARCHAR2(4),
  AplUdt DATE,
  AplZf1 VARCHAR2(30),
  AplZf2 VARCHAR2(30),
  AplZf3 VARCHAR2(30),
  AplTag NUMBER(10),
  AplVrf NUMBER,
  AplRsp NUMBER,
  AplRsi NUMBER,
  AplAfp NUMBER,
  AplAfi NUMBER,
  AplPau NUMBER,
  AplUnt NUMBER,
  AplIak NUMBER,
  AplAvt NUMBER(10),
  AplKap NUMBER,
  AplAvr NUMBER,
  AplAvp NUMBER,
  AplSt1 VARCHAR2(10),
  AplSt2 VARCHAR2(10),
  AplSt3 VARCHAR2(10),
  AplSf1 NUMBER,
  AplSf2 NUMBER,
  AplSf3 NUMBER,
  AplDna VARCHAR2(3),
  AplDwn VARCHAR2(8),
  AplSta NUMBER(5),
  AplDat DATE,
  AplErf VARCHAR2(8),
  CONSTRAINT Kvl531Apl_PK PRIMARY KEY (AplApl)
);
CREATE INDEX Kvl531Apl_Dwn ON Kvl531Apl (AplDwn);
CREATE INDEX Kvl531Apl_Apg ON Kvl531Apl (AplApg);

CREATE TABLE Kvl521Ubg (
  UbgUbg VARCHAR2(4) NOT NULL,
  UbgKnz NUMBER(10),
  UbgFbe VARCHAR2(10),
  UbgBez VARCHAR2(30),
  UbgTxt VARCHAR2(10),
  UbgZf1 VARCHAR2(30),
  UbgZf2 VARCHAR2(30),
  UbgZf3 VARCHAR2(30),
  UbgAst NUMBER(10),
  UbgRst NUMBER,
  UbgAsf NUMBER,
  UbgSt1 VARCHAR2(10),
  UbgSt2 VARCHAR2(10),
  UbgSt3 VARCHAR2(10),
  UbgSf1 NUMBER,
  UbgSf2 NUMBER,
  UbgSf3 NUMBER,
  UbgDna VARCHAR2(3),
  UbgDwn VARCHAR2(8),
  UbgSta NUMBER(5),
  UbgDat DATE,
  UbgErf VARCHAR2(8),
  CONSTRAINT Kvl521Ubg_PK PRIMARY KEY (UbgUbg)
);
CREATE INDEX Kvl521Ubg_Dwn ON Kvl521Ubg (UbgDwn);

CREATE TABLE Kvl510Prv (
  PrvPnr VARCHAR2(8) NOT NULL,
  PrvGvo DATE,
  PrvGbi DATE,
  PrvBer NUMBER(10),
  PrvKst VARCHAR2(10),
  PrvFbe VARCHAR2(10),
  PrvMmb NUMBER(10),
  PrvZf1 VARCHAR2(30),
  PrvZf2 VARCHAR2(30),
  PrvZf3 VARCHAR2(30),
  PrvDna VARCHAR2(3),
  PrvDwn VARCHAR2(8),
  PrvAwa NUMBER(10),
  PrvAwn VARCHAR2(8),
  PrvAnw NUMBER(10),
  PrvAvn DATE,
  PrvAbi DATE,
  PrvApl NUMBER(10),
  PrvApp NUMBER(10),
  PrvPzm NUMBER(10),
  PrvSta NUMBER(5),
  PrvDat DATE,
  PrvErf VARCHAR2(8),
  PrvNam VARCHAR2(50),
  PrvStr VARCHAR2(50),
  PrvOrt VARCHAR2(50),
  CONSTRAINT Kvl510Prv_PK PRIMARY KEY (PrvPnr)
);
CREATE INDEX Kvl510Prv_Dwn ON Kvl510Prv (PrvDwn);
CREATE INDEX Kvl510Prv_Awn ON Kvl510Prv (PrvAwn);

CREATE TABLE Kvl559Fbe (
  FbeFbe VARCHAR2(10) NOT NULL,
  FbeTyp NUMBER(10),
  CONSTRAINT Kvl559Fbe_PK PRIMARY KEY (FbeFbe)
);

CREATE TABLE o1003Kststelle (
  KstNum VARCHAR2(10) NOT NULL,
  CONSTRAINT o1003Kststelle_PK PRIMARY KEY (KstNum)
);
