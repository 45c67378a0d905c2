#include "db/schema/Description.h"

#include <cctype>

namespace jf::schema {

namespace {

constexpr Column T(const char* name, int width) {
  return {name, Kind::kText, width, false, false};
}
constexpr Column I16(const char* name) {
  return {name, Kind::kInt16, 0, false, false};
}
constexpr Column I32(const char* name) {
  return {name, Kind::kInt32, 0, false, false};
}
constexpr Column N(const char* name) {
  return {name, Kind::kNumber, 0, false, false};
}
constexpr Column D(const char* name) {
  return {name, Kind::kInstant, 0, false, false};
}
constexpr Column NotNull(Column c) {
  c.not_null = true;
  return c;
}
// A column of the primary key; the key lists its columns in the order they stand in the table.
constexpr Column Key(Column c) {
  c.not_null = true;
  c.key = true;
  return c;
}

constexpr Column kApk[] = {
    Key(T("ApkApk", 12)), T("ApkBz1", 30), T("ApkBz2", 30), T("ApkTxt", 10), I16("ApkSts"),
    I16("ApkSis"),        T("ApkKun", 7),  T("ApkKb1", 30), T("ApkKb2", 30), D("ApkBgs"),
    D("ApkEns"),          I16("ApkAfo"),   I16("ApkEaf"),   T("ApkTnr", 20), T("ApkTb1", 30),
    T("ApkTb2", 30),      N("ApkSme"),     N("ApkIme"),     T("ApkMee", 3),  D("ApkBdi"),
    D("ApkEdi"),          T("ApkFbe", 10), T("ApkKst", 10), T("ApkZf1", 30), T("ApkZf2", 30),
    T("ApkZf3", 30),      T("ApkKnz", 1),  I16("ApkSsn"),   T("ApkDna", 3),  T("ApkDwn", 8),
    I16("ApkSta"),        D("ApkDat"),     T("ApkErf", 8),  I32("ApkAba")};
constexpr Column kApp[] = {
    Key(T("AppApk", 12)), Key(T("AppApp", 5)), T("AppVaf", 5),  T("AppNaf", 5),  T("AppBz1", 30),
    T("AppBz2", 30),      T("AppTxt", 10),     I16("AppSts"),   I16("AppSis"),   D("AppBdi"),
    D("AppBds"),          D("AppSbd"),         D("AppEdi"),     D("AppEds"),     D("AppSed"),
    D("AppRad"),          D("AppRed"),         I32("AppAgs"),   I32("AppAbs"),   I32("AppAes"),
    N("AppSme"),          N("AppIme"),         N("AppAme"),     T("AppMee", 3),  N("AppSza"),
    N("AppStr"),          N("AppSte"),         N("AppIta"),     N("AppItr"),     N("AppIte"),
    T("AppApg", 10),      T("AppApl", 10),     T("AppKt1", 15), T("AppKz1", 3),  T("AppKt2", 15),
    T("AppKz2", 3),       T("AppKt3", 15),     T("AppKz3", 3),  T("AppKt4", 15), T("AppKz4", 3),
    T("AppFbe", 10),      T("AppKst", 10),     T("AppZf1", 30), T("AppZf2", 30), T("AppZf3", 30),
    T("AppKnz", 1),       I16("AppSsn"),       T("AppDna", 3),  T("AppDwn", 8),  I16("AppSta"),
    D("AppDat"),          T("AppErf", 8)};
constexpr Column kCfg[] = {Key(I32("CfgDta")), T("CfgIP", 15),  T("CfgPrt", 5),  T("CfgBez", 30),
                           T("CfgTxt", 10),    I32("CfgKr1"),   T("CfgVn1", 10), T("CfgBi1", 10),
                           T("CfgBz1", 30),    T("CfgVn2", 10), T("CfgBi2", 10), T("CfgBz2", 30),
                           T("CfgVn3", 10),    T("CfgBi3", 10), T("CfgBz3", 30), T("CfgVn4", 10),
                           T("CfgBi4", 10),    T("CfgBz4", 30), T("CfgVn5", 10), T("CfgBi5", 10),
                           T("CfgBz5", 30),    I32("CfgSta"),   D("CfgDat"),     T("CfgErf", 8)};
constexpr Column kAuk[] = {Key(T("AukApk", 12)), T("AukBz1", 30), T("AukBz2", 30), T("AukTxt", 10),
                           I16("AukSts"),        T("AukBgs", 8),  T("AukEns", 8),  I16("AukAfo"),
                           T("AukTnr", 20),      T("AukTb1", 30), T("AukTb2", 30), N("AukSme"),
                           T("AukMee", 3),       T("AukZf1", 30), T("AukZf2", 30), T("AukZf3", 30),
                           T("AukKun", 7),       T("AukKb1", 30), T("AukKb2", 30), T("AukFbe", 10),
                           T("AukKst", 10)};
constexpr Column kAfo[] = {
    Key(T("AfoApk", 12)), Key(T("AfoApp", 5)), T("AfoVaf", 5),  T("AfoNaf", 5),  T("AfoBz1", 30),
    T("AfoBz2", 30),      T("AfoTxt", 10),     I16("AfoSts"),   T("AfoBgs", 8),  T("AfoBgz", 6),
    T("AfoEns", 8),       T("AfoEnz", 6),      I16("AfoAgs"),   N("AfoSme"),     T("AfoMee", 3),
    N("AfoSta"),          N("AfoStr"),         N("AfoSte"),     T("AfoApg", 10), T("AfoApl", 10),
    T("AfoZf1", 30),      T("AfoZf2", 30),     T("AfoZf3", 30), T("AfoFbe", 10), T("AfoKst", 10)};
constexpr Column kDnl[] = {D("DnlDta"),    I32("DnlLfn"),   T("DnlVkz", 3),   T("DnlBer", 10),
                           T("DnlFun", 3), T("DnlSkz", 3),  T("DnlPnr", 8),   T("DnlApk", 12),
                           T("DnlApp", 5), T("DnlApl", 10), T("DnlDnl", 257), D("DnlDat"),
                           T("DnlErf", 8)};
constexpr Column kDwn[] = {Key(D("DwnDta")),   I32("DwnApk"),   I32("DwnApp"),   I32("DwnAuk"),
                           I32("DwnAfo"),      I32("DwnNeu"),   I32("DwnAen"),   I32("DwnLoe"),
                           T("DwnZf1", 30),    T("DwnZf2", 30), T("DwnZf3", 30), D("DwnDat"),
                           Key(T("DwnErf", 8))};
constexpr Column kUpd[] = {Key(T("UpdKey", 3)), T("UpdAkv", 12), T("UpdAkb", 12), T("UpdAav", 12),
                           T("UpdAab", 12),     T("UpdApv", 5),  T("UpdApb", 5),  T("UpdAlv", 10),
                           T("UpdAlb", 10),     T("UpdAgv", 10), T("UpdAgb", 10), T("UpdUgv", 5),
                           T("UpdUgb", 5),      T("UpdAuv", 5),  T("UpdAub", 5),  T("UpdPvv", 8),
                           T("UpdPvb", 8),      T("UpdKsv", 5),  T("UpdKsb", 5),  D("UpdDat"),
                           T("UpdErf", 8)};
constexpr Column kFzu[] = {
    Key(T("FzuFcd", 3)), Key(T("FzuAec", 3)), T("FzuMld", 3), T("FzuBez", 30), T("FzuTxt", 10),
    I32("FzuArt"),       I32("FzuObj"),       I32("FzuUpl"),  I32("FzuGen"),   T("FzuZf1", 30),
    T("FzuZf2", 30),     T("FzuZf3", 30),     I16("FzuSta"),  D("FzuDat"),     T("FzuErf", 8)};
constexpr Column kAem[] = {NotNull(T("AemApg", 10)),
                           NotNull(I32("AemKng")),
                           T("AemEmo", 10),
                           D("AemGvo"),
                           D("AemGbi"),
                           T("AemBez", 30),
                           T("AemTxt", 10),
                           T("AemKal", 5),
                           I32("AemLkz"),
                           I32("AemVzt"),
                           I32("AemEzt"),
                           I32("AemPrz"),
                           I32("AemAfz"),
                           I32("AemApz"),
                           I32("AemPrp"),
                           I32("AemAfp"),
                           I32("AemApp"),
                           I32("AemMaz")};
constexpr Column kEmo[] = {NotNull(T("EmoEmo", 10)),
                           NotNull(T("EmoTtp", 3)),
                           T("EmoTxt", 10),
                           I32("EmoBeg"),
                           I32("EmoEnd"),
                           I32("EmoArt"),
                           T("EmoPmo", 10)};
constexpr Column kPmz[] = {NotNull(T("PmzPmo", 10)), NotNull(T("PmzPms", 5)), D("PmzGvo"),
                           D("PmzGbi")};
constexpr Column kPms[] = {NotNull(T("PmsNum", 5)), I32("PmsBeg"), I32("PmsEnd"), I32("PmsInt"),
                           I32("PmsPse"),           I32("PmsBzt"), I32("PmsPrz")};
constexpr Column kVrg[] = {Key(T("VrgBer", 10)), Key(T("VrgFld", 3)), T("VrgWrt", 30)};
constexpr Column kZtg[] = {Key(T("ZtgPnr", 8)), Key(D("ZtgVon")), T("ZtgKst", 10)};
constexpr Column kPnr[] = {Key(T("PnrNum", 8)), T("PnrNam", 50), T("PnrStr", 50), T("PnrOrt", 50)};
constexpr Column kBsv[] = {Key(T("BsvPnr", 8)), Key(D("BsvGvo")), D("BsvGbi")};
constexpr Column kNzp[] = {Key(I32("NzpAkz")), Key(D("NzpGvn")), Key(D("NzpGbi")), I32("NzpAak"),
                           I32("NzpAwt"),      I32("NzpKjh"),    I32("NzpKmn"),    I32("NzpKwo"),
                           I32("NzpKtg"),      I32("NzpAan"),    I32("NzpVfh"),    I32("NzpNfh"),
                           I32("NzpMrk"),      D("NzpAdt"),      T("NzpAus", 8)};
constexpr Column kKal[] = {Key(T("KalNum", 5)), Key(D("KalDtm")), T("KalBtp", 3)};
constexpr Column kBak[] = {Key(D("BakDtm")), I32("BakJhr"), I32("BakMon"), I32("BakTag"),
                           I32("BakWch"),    I32("BakWtg"), I32("BakJtg")};
constexpr Column kAsw[] = {Key(T("AswNum", 8)), Key(D("AswGvo")), D("AswGbi"),
                           T("AswPnr", 8),      T("AswErf", 50),  D("AswDat")};
constexpr Column kApg[] = {Key(T("ApgApg", 10)), T("ApgBez", 30), T("ApgTxt", 10), T("ApgKst", 10),
                           T("ApgFbe", 10),      T("ApgZf1", 30), T("ApgZf2", 30), T("ApgZf3", 30),
                           I32("ApgApl"),        I32("ApgTag"),   N("ApgKap"),     N("ApgPrd"),
                           N("ApgRst"),          N("ApgPau"),     N("ApgUnt"),     N("ApgIak"),
                           T("ApgSt1", 10),      T("ApgSt2", 10), T("ApgSt3", 10), N("ApgSf1"),
                           N("ApgSf2"),          N("ApgSf3"),     T("ApgDna", 3),  T("ApgDwn", 8),
                           I16("ApgSta"),        D("ApgDat"),     T("ApgErf", 8)};
constexpr Column kKsg[] = {Key(T("KsgApg", 10)), Key(D("KsgGvo")), D("KsgGbi"),     T("KsgFbe", 10),
                           T("KsgKst", 10),      T("KsgZf1", 30),  T("KsgZf2", 30), T("KsgZf3", 30),
                           I16("KsgSta"),        D("KsgDat"),      T("KsgErf", 8)};
constexpr Column kApl[] = {
    Key(T("AplApl", 10)), T("AplBez", 30), T("AplTxt", 10), T("AplApg", 10), T("AplFbe", 10),
    I16("AplSts"),        I16("AplSis"),   I32("AplApr"),   I32("AplAaf"),   T("AplUbg", 4),
    D("AplUdt"),          T("AplZf1", 30), T("AplZf2", 30), T("AplZf3", 30), I32("AplTag"),
    N("AplVrf"),          N("AplRsp"),     N("AplRsi"),     N("AplAfp"),     N("AplAfi"),
    N("AplPau"),          N("AplUnt"),     N("AplIak"),     I32("AplAvt"),   N("AplKap"),
    N("AplAvr"),          N("AplAvp"),     T("AplSt1", 10), T("AplSt2", 10), T("AplSt3", 10),
    N("AplSf1"),          N("AplSf2"),     N("AplSf3"),     T("AplDna", 3),  T("AplDwn", 8),
    I16("AplSta"),        D("AplDat"),     T("AplErf", 8)};
constexpr Column kUbg[] = {Key(T("UbgUbg", 4)), I32("UbgKnz"),   T("UbgFbe", 10), T("UbgBez", 30),
                           T("UbgTxt", 10),     T("UbgZf1", 30), T("UbgZf2", 30), T("UbgZf3", 30),
                           I32("UbgAst"),       N("UbgRst"),     N("UbgAsf"),     T("UbgSt1", 10),
                           T("UbgSt2", 10),     T("UbgSt3", 10), N("UbgSf1"),     N("UbgSf2"),
                           N("UbgSf3"),         T("UbgDna", 3),  T("UbgDwn", 8),  I16("UbgSta"),
                           D("UbgDat"),         T("UbgErf", 8)};
constexpr Column kPrv[] = {Key(T("PrvPnr", 8)), D("PrvGvo"),     D("PrvGbi"),    I32("PrvBer"),
                           T("PrvKst", 10),     T("PrvFbe", 10), I32("PrvMmb"),  T("PrvZf1", 30),
                           T("PrvZf2", 30),     T("PrvZf3", 30), T("PrvDna", 3), T("PrvDwn", 8),
                           I32("PrvAwa"),       T("PrvAwn", 8),  I32("PrvAnw"),  D("PrvAvn"),
                           D("PrvAbi"),         I32("PrvApl"),   I32("PrvApp"),  I32("PrvPzm"),
                           I16("PrvSta"),       D("PrvDat"),     T("PrvErf", 8), T("PrvNam", 50),
                           T("PrvStr", 50),     T("PrvOrt", 50)};
constexpr Column kFbe[] = {Key(T("FbeFbe", 10)), I32("FbeTyp")};
constexpr Column kKst[] = {Key(T("KstNum", 10))};

// Further tables are added here, one entry each, with their columns above.
constexpr Table kTables[] = {
    {"Kvl501Apk", nullptr, false, kApk, "ApkDwn",
     "Order headers, order positions and the terminal configuration."},
    {"Kvl504App", nullptr, false, kApp, "AppDwn", nullptr},
    {"Kvl557Cfg", nullptr, false, kCfg, nullptr, nullptr},
    {"Kvl500Auk", nullptr, false, kAuk, nullptr,
     "Order sources and operations. Begin and end dates and times are read as they stand, so they\n"
     "are kept as texts of the widths the rows carry them in."},
    {"Kvl503Afo", nullptr, false, kAfo, nullptr, nullptr},
    {"Kvl540Dnl", nullptr, false, kDnl, "DnlErf, DnlDta",
     "Download journal, statistics and update ranges. DnlDnl holds a whole order position payload\n"
     "(257 characters); DnlBer is wider than the area the rows carry."},
    {"Kvl542Dwn", nullptr, false, kDwn, nullptr, nullptr},
    {"Kvl543Upd", nullptr, false, kUpd, nullptr, nullptr},
    {"Kvl553Fzu", nullptr, false, kFzu, "FzuMld",
     "Further lookups: function assignments, shifts and breaks, presets, cost centre assignments "
     "of\n"
     "persons, persons, employments and number counters."},
    {"Kvl532Aem", nullptr, false, kAem, "AemApg, AemKng", nullptr},
    {"Kvl533Emo", nullptr, false, kEmo, "EmoEmo, EmoTtp", nullptr},
    {"Kvl536Pmz", nullptr, false, kPmz, "PmzPmo", nullptr},
    {"Kvl535Pms", nullptr, false, kPms, "PmsNum", nullptr},
    {"Kvl555Vrg", nullptr, false, kVrg, nullptr, nullptr},
    {"Kvl329Ztg", nullptr, false, kZtg, nullptr, nullptr},
    {"Kvl300Pnr", nullptr, false, kPnr, nullptr, nullptr},
    {"Kvl310Bsv", nullptr, false, kBsv, nullptr, nullptr},
    {"Kvl591Nzp", nullptr, false, kNzp, nullptr, nullptr},
    {"Kvl133Kal", "KvlSystem", false, kKal, nullptr,
     "The shared calendars and badges live in the schema KvlSystem, made by a user allowed to "
     "create\n"
     "tables there; the application user needs SELECT on them. One statement names the base\n"
     "calendar without its schema, which a synonym resolves."},
    {"Kvl133Bak", "KvlSystem", true, kBak, nullptr, nullptr},
    {"Kvl301Asw", "KvlSystem", false, kAsw, "AswPnr", nullptr},
    {"Kvl530Apg", nullptr, false, kApg, "ApgDwn",
     "Master data: workplace groups and their cost centre assignments, workplaces, interruption\n"
     "reasons, personnel, production areas and cost centres."},
    {"Kvl537Ksg", nullptr, false, kKsg, nullptr, nullptr},
    {"Kvl531Apl", nullptr, false, kApl, "AplDwn;AplApg", nullptr},
    {"Kvl521Ubg", nullptr, false, kUbg, "UbgDwn", nullptr},
    {"Kvl510Prv", nullptr, false, kPrv, "PrvDwn;PrvAwn", nullptr},
    {"Kvl559Fbe", nullptr, false, kFbe, nullptr, nullptr},
    {"o1003Kststelle", nullptr, false, kKst, nullptr, nullptr},
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::span<const Table> Tables() {
  return kTables;
}

std::string QualifiedName(const Table& table) {
  return table.owner != nullptr ? std::string(table.owner) + "." + table.name : table.name;
}

const Column* FindColumn(const Table& table, std::string_view name) {
  for (const Column& c : table.columns) {
    if (SameName(c.name, name)) return &c;
  }
  return nullptr;
}

}  // namespace jf::schema
