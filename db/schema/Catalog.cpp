#include "db/schema/Catalog.h"

#include <cctype>
#include <cstdlib>
#include <iterator>

#include "db/sql/Session.h"
#include "db/tables/Text.h"

namespace jf {

namespace {

// Further tables are added here, one entry each.
constexpr TableNeed kTables[] = {
    {"Kvl501Apk",
     "ApkApk T12, ApkBz1 T30, ApkBz2 T30, ApkTxt T10, ApkSts I16, ApkSis I16, ApkKun T7, "
     "ApkKb1 T30, ApkKb2 T30, ApkBgs D, ApkEns D, ApkAfo I16, ApkEaf I16, ApkTnr T20, "
     "ApkTb1 T30, ApkTb2 T30, ApkSme N, ApkIme N, ApkMee T3, ApkBdi D, ApkEdi D, ApkFbe T10, "
     "ApkKst T10, ApkZf1 T30, ApkZf2 T30, ApkZf3 T30, ApkKnz T1, ApkSsn I16, ApkDna T3, "
     "ApkDwn T8, ApkSta I16, ApkDat D, ApkErf T8, ApkAba I32"},
    {"Kvl504App",
     "AppApk T12, AppApp T5, AppVaf T5, AppNaf T5, AppBz1 T30, AppBz2 T30, AppTxt T10, "
     "AppSts I16, AppSis I16, AppBdi D, AppBds D, AppSbd D, AppEdi D, AppEds D, AppSed D, "
     "AppRad D, AppRed D, AppAgs I32, AppAbs I32, AppAes I32, AppSme N, AppIme N, AppAme N, "
     "AppMee T3, AppSza N, AppStr N, AppSte N, AppIta N, AppItr N, AppIte N, AppApg T10, "
     "AppApl T10, AppKt1 T15, AppKz1 T3, AppKt2 T15, AppKz2 T3, AppKt3 T15, AppKz3 T3, "
     "AppKt4 T15, AppKz4 T3, AppFbe T10, AppKst T10, AppZf1 T30, AppZf2 T30, AppZf3 T30, "
     "AppKnz T1, AppSsn I16, AppDna T3, AppDwn T8, AppSta I16, AppDat D, AppErf T8"},
    {"Kvl557Cfg",
     "CfgDta I32, CfgIP T15, CfgPrt T5, CfgBez T30, CfgTxt T10, CfgKr1 I32, CfgVn1 T10, "
     "CfgBi1 T10, CfgBz1 T30, CfgVn2 T10, CfgBi2 T10, CfgBz2 T30, CfgVn3 T10, CfgBi3 T10, "
     "CfgBz3 T30, CfgVn4 T10, CfgBi4 T10, CfgBz4 T30, CfgVn5 T10, CfgBi5 T10, CfgBz5 T30, "
     "CfgSta I32, CfgDat D, CfgErf T8"},
    {"Kvl500Auk",
     "AukApk T12, AukBz1 T30, AukBz2 T30, AukTxt T10, AukSts I16, AukBgs T8, AukEns T8, "
     "AukAfo I16, AukTnr T20, AukTb1 T30, AukTb2 T30, AukSme N, AukMee T3, AukZf1 T30, "
     "AukZf2 T30, AukZf3 T30, AukKun T7, AukKb1 T30, AukKb2 T30, AukFbe T10, AukKst T10"},
    {"Kvl503Afo",
     "AfoApk T12, AfoApp T5, AfoVaf T5, AfoNaf T5, AfoBz1 T30, AfoBz2 T30, AfoTxt T10, "
     "AfoSts I16, AfoBgs T8, AfoBgz T6, AfoEns T8, AfoEnz T6, AfoAgs I16, AfoSme N, "
     "AfoMee T3, AfoSta N, AfoStr N, AfoSte N, AfoApg T10, AfoApl T10, AfoZf1 T30, "
     "AfoZf2 T30, AfoZf3 T30, AfoFbe T10, AfoKst T10"},
    {"Kvl540Dnl",
     "DnlDta D, DnlLfn I32, DnlVkz T3, DnlBer T10, DnlFun T3, DnlSkz T3, DnlPnr T8, "
     "DnlApk T12, DnlApp T5, DnlApl T10, DnlDnl T257, DnlDat D, DnlErf T8"},
    {"Kvl542Dwn",
     "DwnDta D, DwnApk I32, DwnApp I32, DwnAuk I32, DwnAfo I32, DwnNeu I32, DwnAen I32, "
     "DwnLoe I32, DwnZf1 T30, DwnZf2 T30, DwnZf3 T30, DwnDat D, DwnErf T8"},
    {"Kvl543Upd",
     "UpdKey T3, UpdAkv T12, UpdAkb T12, UpdAav T12, UpdAab T12, UpdApv T5, UpdApb T5, "
     "UpdAlv T10, UpdAlb T10, UpdAgv T10, UpdAgb T10, UpdUgv T5, UpdUgb T5, UpdAuv T5, "
     "UpdAub T5, UpdPvv T8, UpdPvb T8, UpdKsv T5, UpdKsb T5, UpdDat D, UpdErf T8"},
    {"Kvl553Fzu",
     "FzuFcd T3, FzuAec T3, FzuMld T3, FzuBez T30, FzuTxt T10, FzuArt I32, FzuObj I32, "
     "FzuUpl I32, FzuGen I32, FzuZf1 T30, FzuZf2 T30, FzuZf3 T30, FzuSta I16, FzuDat D, "
     "FzuErf T8"},
    {"Kvl532Aem",
     "AemApg T10, AemKng I32, AemEmo T10, AemGvo D, AemGbi D, AemBez T30, AemTxt T10, "
     "AemKal T5, AemLkz I32, AemVzt I32, AemEzt I32, AemPrz I32, AemAfz I32, AemApz I32, "
     "AemPrp I32, AemAfp I32, AemApp I32, AemMaz I32"},
    {"Kvl533Emo",
     "EmoEmo T10, EmoTtp T3, EmoTxt T10, EmoBeg I32, EmoEnd I32, EmoArt I32, EmoPmo T10"},
    {"Kvl536Pmz", "PmzPmo T10, PmzPms T5, PmzGvo D, PmzGbi D"},
    {"Kvl535Pms",
     "PmsNum T5, PmsBeg I32, PmsEnd I32, PmsInt I32, PmsPse I32, PmsBzt I32, PmsPrz I32"},
    {"Kvl555Vrg", "VrgBer T10, VrgFld T3, VrgWrt T30"},
    {"Kvl329Ztg", "ZtgPnr T8, ZtgVon D, ZtgKst T10"},
    {"Kvl300Pnr", "PnrNum T8, PnrNam T50, PnrStr T50, PnrOrt T50"},
    {"Kvl310Bsv", "BsvPnr T8, BsvGvo D, BsvGbi D"},
    {"Kvl591Nzp",
     "NzpAkz I32, NzpGvn D, NzpGbi D, NzpAak I32, NzpAwt I32, NzpKjh I32, NzpKmn I32, "
     "NzpKwo I32, NzpKtg I32, NzpAan I32, NzpVfh I32, NzpNfh I32, NzpMrk I32, NzpAdt D, "
     "NzpAus T8"},
    {"KvlSystem.Kvl133Kal", "KalNum T5, KalDtm D, KalBtp T3"},
    {"KvlSystem.Kvl133Bak",
     "BakDtm D, BakJhr I32, BakMon I32, BakTag I32, BakWch I32, BakWtg I32, BakJtg I32"},
    {"KvlSystem.Kvl301Asw", "AswNum T8, AswGvo D, AswGbi D, AswPnr T8, AswErf T50, AswDat D"},
    {"Kvl530Apg",
     "ApgApg T10, ApgBez T30, ApgTxt T10, ApgKst T10, ApgFbe T10, ApgZf1 T30, ApgZf2 T30, "
     "ApgZf3 T30, ApgApl I32, ApgTag I32, ApgKap N, ApgPrd N, ApgRst N, ApgPau N, ApgUnt N, "
     "ApgIak N, ApgSt1 T10, ApgSt2 T10, ApgSt3 T10, ApgSf1 N, ApgSf2 N, ApgSf3 N, ApgDna T3, "
     "ApgDwn T8, ApgSta I16, ApgDat D, ApgErf T8"},
    {"Kvl537Ksg",
     "KsgApg T10, KsgGvo D, KsgGbi D, KsgFbe T10, KsgKst T10, KsgZf1 T30, KsgZf2 T30, "
     "KsgZf3 T30, KsgSta I16, KsgDat D, KsgErf T8"},
    {"Kvl531Apl",
     "AplApl T10, AplBez T30, AplTxt T10, AplApg T10, AplFbe T10, AplSts I16, AplSis I16, "
     "AplApr I32, AplAaf I32, AplUbg T4, AplUdt D, AplZf1 T30, AplZf2 T30, AplZf3 T30, "
     "AplTag I32, AplVrf N, AplRsp N, AplRsi N, AplAfp N, AplAfi N, AplPau N, AplUnt N, "
     "AplIak N, AplAvt I32, AplKap N, AplAvr N, AplAvp N, AplSt1 T10, AplSt2 T10, AplSt3 T10, "
     "AplSf1 N, AplSf2 N, AplSf3 N, AplDna T3, AplDwn T8, AplSta I16, AplDat D, AplErf T8"},
    {"Kvl521Ubg",
     "UbgUbg T4, UbgKnz I32, UbgFbe T10, UbgBez T30, UbgTxt T10, UbgZf1 T30, UbgZf2 T30, "
     "UbgZf3 T30, UbgAst I32, UbgRst N, UbgAsf N, UbgSt1 T10, UbgSt2 T10, UbgSt3 T10, "
     "UbgSf1 N, UbgSf2 N, UbgSf3 N, UbgDna T3, UbgDwn T8, UbgSta I16, UbgDat D, UbgErf T8"},
    {"Kvl510Prv",
     "PrvPnr T8, PrvGvo D, PrvGbi D, PrvBer I32, PrvKst T10, PrvFbe T10, PrvMmb I32, "
     "PrvZf1 T30, PrvZf2 T30, PrvZf3 T30, PrvDna T3, PrvDwn T8, PrvAwa I32, PrvAwn T8, "
     "PrvAnw I32, PrvAvn D, PrvAbi D, PrvApl I32, PrvApp I32, PrvPzm I32, PrvSta I16, "
     "PrvDat D, PrvErf T8, PrvNam T50, PrvStr T50, PrvOrt T50"},
    {"Kvl559Fbe", "FbeFbe T10, FbeTyp I32"},
    {"o1003Kststelle", "KstNum T10"},
};

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool Contains(const std::string& upper, const char* part) {
  return upper.find(part) != std::string::npos;
}

// The names in the catalogs are 30 characters at most; the types a little less.
using Name = Text<128>;

sql::Cursor g_sqliteColumns("select name ,type  from pragma_table_info(:b0)");
sql::Cursor g_oracleColumns(
    "select column_name ,data_type ,data_length  from all_tab_columns where owner=:b0 and "
    "table_name=:b1");
sql::Cursor g_postgresColumns(
    "select a.attname ,t.typname ,case when t.typname in ('varchar','bpchar') and a.atttypmod>4 "
    "then a.atttypmod-4 else 0 end  from pg_attribute a ,pg_type t where "
    "a.attrelid=to_regclass(:b0) and a.attnum>0 and not a.attisdropped and t.oid=a.atttypid "
    "order by a.attnum");
sql::Cursor g_oracleSynonym(
    "select table_owner ,table_name  from all_synonyms where synonym_name=:b0 and (owner=:b1 or "
    "owner='PUBLIC') order by case when owner='PUBLIC' then 1 else 0 end");

// The columns a catalog cursor delivers as name, type and length.
int ReadColumns(sql::Cursor* cursor, std::initializer_list<sql::In> in,
                std::vector<DbColumn>* out) {
  if (int rc = cursor->Open(in); rc != 0) return rc;
  Name name, type;
  int32_t length = 0;
  const sql::Out row[] = {sql::Out::Text(name), sql::Out::Text(type), sql::Out::I32(&length)};
  int rc = 0;
  while ((rc = cursor->Fetch(row)) == 0) {
    out->push_back({std::string(name.view()), std::string(type.view()), length});
  }
  cursor->Close();
  return rc == sql::kNotFound ? 0 : rc;
}

int ReadOracleColumns(const std::string& owner, const std::string& table,
                      std::vector<DbColumn>* out) {
  const Name o(owner), t(table);
  return ReadColumns(&g_oracleColumns, {sql::In::Text(o), sql::In::Text(t)}, out);
}

// The kind of a column as the program needs it, from its spec ("T12", "I16", "N", "D").
struct Need {
  char kind = 'T';
  int width = 0;
};

Need ParseNeed(std::string_view spec) {
  Need n;
  n.kind = spec.empty() ? '?' : spec[0];
  if (n.kind == 'T') n.width = std::atoi(std::string(spec.substr(1)).c_str());
  return n;
}

const char* Wanted(const Need& n) {
  switch (n.kind) {
    case 'T':
      return "a text";
    case 'D':
      return "an instant";
    default:
      return "a number";
  }
}

// Whether a column of the database can carry what the program puts in and takes out.
bool Usable(CatalogKind kind, const Need& need, const DbColumn& col) {
  const std::string t = Upper(col.type);
  if (kind == CatalogKind::kPostgres) {
    if (need.kind == 'T') return t == "VARCHAR" || t == "BPCHAR" || t == "TEXT";
    if (need.kind == 'D') return t == "TIMESTAMP" || t == "TIMESTAMPTZ";
    return t == "NUMERIC" || t == "INT2" || t == "INT4" || t == "INT8" || t == "FLOAT4" ||
           t == "FLOAT8";
  }
  if (kind == CatalogKind::kOracle) {
    const bool text =
        t == "VARCHAR2" || t == "VARCHAR" || t == "CHAR" || t == "NVARCHAR2" || t == "NCHAR";
    const bool number = t == "NUMBER" || t == "FLOAT" || t == "INTEGER" || t == "BINARY_DOUBLE" ||
                        t == "BINARY_FLOAT";
    if (need.kind == 'T') return text;
    if (need.kind == 'D') return t == "DATE" || t.rfind("TIMESTAMP", 0) == 0;
    return number;
  }
  // SQLite's affinity rules: a text column must not turn digits into numbers; an instant is a
  // Julian day number.
  const bool int_affinity = Contains(t, "INT");
  const bool text_affinity =
      !int_affinity && (Contains(t, "CHAR") || Contains(t, "CLOB") || Contains(t, "TEXT"));
  const bool blob_affinity = !int_affinity && !text_affinity && (t.empty() || Contains(t, "BLOB"));
  if (need.kind == 'T') return text_affinity || blob_affinity;
  return !text_affinity && !blob_affinity;
}

}  // namespace

std::span<const TableNeed> ProgramTables() {
  return kTables;
}

int ReadTableColumns(CatalogKind kind, std::string_view user, std::string_view table,
                     std::vector<DbColumn>* out) {
  out->clear();
  if (kind == CatalogKind::kPostgres) {
    const Name t(table);
    return ReadColumns(&g_postgresColumns, {sql::In::Text(t)}, out);
  }
  const std::size_t dot = table.find('.');
  const std::string_view schema = dot == std::string_view::npos ? "" : table.substr(0, dot);
  const std::string_view bare = dot == std::string_view::npos ? table : table.substr(dot + 1);
  if (kind == CatalogKind::kSqlite) {
    // The embedded database holds every schema's tables in its one file.
    const Name t(bare);
    if (int rc = g_sqliteColumns.Open({sql::In::Text(t)}); rc != 0) return rc;
    Name name, type;
    const sql::Out row[] = {sql::Out::Text(name), sql::Out::Text(type)};
    int rc = 0;
    while ((rc = g_sqliteColumns.Fetch(row)) == 0) {
      out->push_back({std::string(name.view()), std::string(type.view()), 0});
    }
    g_sqliteColumns.Close();
    return rc == sql::kNotFound ? 0 : rc;
  }
  // Names made without quotes are upper case in the dictionary.
  const std::string owner = Upper(schema.empty() ? user : schema);
  if (int rc = ReadOracleColumns(owner, Upper(bare), out); rc != 0 || !out->empty()) return rc;
  if (!schema.empty()) return 0;
  const Name syn(Upper(bare)), me(owner);
  if (int rc = g_oracleSynonym.Open({sql::In::Text(syn), sql::In::Text(me)}); rc != 0) return rc;
  Name target_owner, target_table;
  const sql::Out row[] = {sql::Out::Text(target_owner), sql::Out::Text(target_table)};
  const int rc = g_oracleSynonym.Fetch(row);
  g_oracleSynonym.Close();
  if (rc == sql::kNotFound) return 0;
  if (rc != 0) return rc;
  return ReadOracleColumns(std::string(target_owner.view()), std::string(target_table.view()), out);
}

std::vector<std::string> CheckTableColumns(CatalogKind kind, const TableNeed& need,
                                           const std::vector<DbColumn>& have) {
  std::vector<std::string> problems;
  if (have.empty()) {
    problems.push_back(std::string(need.table) + ": table missing");
    return problems;
  }
  std::string_view list = need.columns;
  while (!list.empty()) {
    const std::size_t comma = list.find(", ");
    const std::string_view item = list.substr(0, comma);
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 2);
    const std::size_t space = item.find(' ');
    const std::string name(item.substr(0, space));
    const Need n = ParseNeed(space == std::string_view::npos ? "" : item.substr(space + 1));
    const DbColumn* col = nullptr;
    for (const DbColumn& c : have) {
      if (Upper(c.name) == Upper(name)) col = &c;
    }
    const std::string where = std::string(need.table) + "." + name;
    if (col == nullptr) {
      problems.push_back(where + ": column missing");
    } else if (!Usable(kind, n, *col)) {
      problems.push_back(where + ": " + (col->type.empty() ? "no declared type" : col->type) +
                         ", but the program keeps " + Wanted(n) + " in it");
    } else if (kind != CatalogKind::kSqlite && n.kind == 'T' && col->length > 0 &&
               col->length < n.width) {
      problems.push_back(where + ": " + col->type + "(" + std::to_string(col->length) +
                         ") is narrower than the program's " + std::to_string(n.width) +
                         " characters");
    }
  }
  return problems;
}

}  // namespace jf
