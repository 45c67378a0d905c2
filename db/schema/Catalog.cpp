#include "db/schema/Catalog.h"

#include <cctype>
#include <cstdlib>

#include "db/sql/Session.h"
#include "db/tables/Text.h"

namespace jf {

namespace {

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
    "select column_name ,data_type ,data_length ,char_length ,char_used ,data_precision  from "
    "all_tab_columns where owner=:b0 and table_name=:b1");
// PostgreSQL: a varchar's typmod is its characters plus 4; a numeric's holds its precision in
// the upper half, plus 4; the integer types have the digits of their range. A column of the
// default collation compares by the database's.
sql::Cursor g_postgresColumns(
    "select a.attname ,t.typname ,case when t.typname in ('varchar','bpchar') and a.atttypmod>4 "
    "then a.atttypmod-4 else 0 end ,case when t.typname='numeric' and a.atttypmod>4 then "
    "(a.atttypmod-4)/65536 when t.typname='int2' then 5 when t.typname='int4' then 10 when "
    "t.typname='int8' then 19 else -1 end ,case when a.attcollation=0 then '' when "
    "c.collname='default' then (select d.datcollate from pg_database d where "
    "d.datname=current_database()) else c.collname end  from pg_attribute a join pg_type t on "
    "t.oid=a.atttypid left join pg_collation c on c.oid=a.attcollation where "
    "a.attrelid=to_regclass(:b0) and a.attnum>0 and not a.attisdropped order by a.attnum");
sql::Cursor g_oracleSynonym(
    "select table_owner ,table_name  from all_synonyms where synonym_name=:b0 and (owner=:b1 or "
    "owner='PUBLIC') order by case when owner='PUBLIC' then 1 else 0 end");

int ReadOracleColumns(const std::string& owner, const std::string& table,
                      std::vector<DbColumn>* out) {
  const Name o(owner), t(table);
  if (int rc = g_oracleColumns.Open({sql::In::Text(o), sql::In::Text(t)}); rc != 0) return rc;
  Name name, type;
  Text<1> used;
  int32_t length = 0, chars = 0, precision = 0;
  int16_t no_precision = 0;
  sql::Out row[] = {sql::Out::Text(name),  sql::Out::Text(type), sql::Out::I32(&length),
                    sql::Out::I32(&chars), sql::Out::Text(used), sql::Out::I32(&precision)};
  row[5].ind = &no_precision;  // NULL: a NUMBER without declared digits
  int rc = 0;
  while ((rc = g_oracleColumns.Fetch(row)) == 0) {
    out->push_back({std::string(name.view()), std::string(type.view()), length, chars,
                    used.empty() ? '\0' : used.s[0], no_precision == -1 ? -1 : precision});
  }
  g_oracleColumns.Close();
  return rc == sql::kNotFound ? 0 : rc;
}

int ReadPostgresColumns(std::string_view table, std::vector<DbColumn>* out) {
  const Name t(table);
  if (int rc = g_postgresColumns.Open({sql::In::Text(t)}); rc != 0) return rc;
  Name name, type, collation;
  int32_t chars = 0, precision = 0;
  const sql::Out row[] = {sql::Out::Text(name), sql::Out::Text(type), sql::Out::I32(&chars),
                          sql::Out::I32(&precision), sql::Out::Text(collation)};
  int rc = 0;
  while ((rc = g_postgresColumns.Fetch(row)) == 0) {
    out->push_back({std::string(name.view()), std::string(type.view()), 0, chars, 'C', precision,
                    std::string(collation.view())});
  }
  g_postgresColumns.Close();
  return rc == sql::kNotFound ? 0 : rc;
}

const char* Wanted(schema::Kind kind) {
  switch (kind) {
    case schema::Kind::kText:
      return "a text";
    case schema::Kind::kInstant:
      return "an instant";
    default:
      return "a number";
  }
}

// Whether a column of the database can carry what the program puts in and takes out.
bool Usable(CatalogKind catalog, schema::Kind kind, const DbColumn& col) {
  const std::string t = Upper(col.type);
  if (catalog == CatalogKind::kPostgres) {
    if (kind == schema::Kind::kText) return t == "VARCHAR" || t == "BPCHAR" || t == "TEXT";
    if (kind == schema::Kind::kInstant) return t == "TIMESTAMP" || t == "TIMESTAMPTZ";
    return t == "NUMERIC" || t == "INT2" || t == "INT4" || t == "INT8" || t == "FLOAT4" ||
           t == "FLOAT8";
  }
  if (catalog == CatalogKind::kOracle) {
    const bool text =
        t == "VARCHAR2" || t == "VARCHAR" || t == "CHAR" || t == "NVARCHAR2" || t == "NCHAR";
    const bool number = t == "NUMBER" || t == "FLOAT" || t == "INTEGER" || t == "BINARY_DOUBLE" ||
                        t == "BINARY_FLOAT";
    if (kind == schema::Kind::kText) return text;
    if (kind == schema::Kind::kInstant) return t == "DATE" || t.rfind("TIMESTAMP", 0) == 0;
    return number;
  }
  // SQLite's affinity rules: a text column must not turn digits into numbers; an instant is a
  // Julian day number.
  const bool int_affinity = Contains(t, "INT");
  const bool text_affinity =
      !int_affinity && (Contains(t, "CHAR") || Contains(t, "CLOB") || Contains(t, "TEXT"));
  const bool blob_affinity = !int_affinity && !text_affinity && (t.empty() || Contains(t, "BLOB"));
  if (kind == schema::Kind::kText) return text_affinity || blob_affinity;
  return !text_affinity && !blob_affinity;
}

// What is wrong with the width of a server's column the program can use, or "" when nothing
// is. Texts must hold the program's characters; integers the program's digits, and a 16-bit one
// no more than they, as a larger value fails its read (-1455).
std::string WidthProblem(CatalogKind catalog, bool multibyte, const schema::Table& table,
                         const schema::Column& need, const DbColumn& col) {
  if (need.kind == schema::Kind::kText && catalog == CatalogKind::kPostgres) {
    // Keys and ranges must compare by their bytes, as on Oracle: a column of another collation
    // sorts and compares by the locale's rules. The statement that mends one keeps "C".
    const bool narrow = col.char_length != 0 && col.char_length < need.width;  // 0: text
    const bool bytewise = col.collation == "C" || col.collation == "POSIX";
    if (!narrow && bytewise) return "";
    const std::string alter = "; ALTER TABLE " + schema::QualifiedName(table) + " ALTER COLUMN " +
                              need.name + " TYPE varchar(" +
                              std::to_string(narrow ? need.width : col.char_length) +
                              ") COLLATE \"C\"";
    const std::string declared =
        col.char_length == 0 ? col.type : col.type + "(" + std::to_string(col.char_length) + ")";
    std::string what;
    if (narrow) {
      what = declared + " is narrower than the program's " + std::to_string(need.width) +
             " characters";
    }
    if (!bytewise) {
      what += (what.empty() ? declared : std::string(", and it")) +
              " compares by the collation \"" + col.collation +
              "\", not by its bytes: keys and ranges compare and sort otherwise " +
              "than on Oracle";
    }
    return what + alter;
  }
  if (need.kind == schema::Kind::kText) {
    const std::string alter = "; ALTER TABLE " + schema::QualifiedName(table) + " MODIFY (" +
                              need.name + " VARCHAR2(" + std::to_string(need.width) + " CHAR))";
    const bool bytes = col.char_used != 'C';
    const int chars = bytes ? col.length : col.char_length;
    const std::string declared =
        col.type + "(" + std::to_string(chars) + (bytes ? " BYTE)" : " CHAR)");
    // The program binds its texts as VARCHAR2, which Oracle compares with a blank-padded CHAR
    // value without padding: a marker 'BENCH' never finds its row, and nothing is sent. The
    // values keep their blanks through the ALTER, so they are trimmed after it.
    const std::string t = Upper(col.type);
    if (t == "CHAR" || t == "NCHAR") {
      return declared + " pads its values with blanks, which the program's texts never match" +
             alter + "; UPDATE " + schema::QualifiedName(table) + " SET " + need.name + "=RTRIM(" +
             need.name + ")";
    }
    if (bytes && multibyte) {
      return declared + " counts bytes, and in this character set a character may take more " +
             "than one: it may not hold the program's " + std::to_string(need.width) +
             " characters" + alter;
    }
    if (chars < need.width) {
      return declared + " is narrower than the program's " + std::to_string(need.width) +
             " characters" + alter;
    }
    return "";
  }
  const bool int16 = need.kind == schema::Kind::kInt16;
  if (!int16 && need.kind != schema::Kind::kInt32) return "";
  const int digits = int16 ? 5 : 10;
  const std::string declared =
      col.precision < 0 ? col.type : col.type + "(" + std::to_string(col.precision) + ")";
  if (int16 && (col.precision < 0 || col.precision > digits)) {
    return declared + ", but the program carries it in 16 bits: a value beyond -32768..32767 " +
           "fails its read (-1455)";
  }
  if (col.precision >= 0 && col.precision < digits) {
    return declared + " is narrower than the program's " + std::to_string(digits) + " digits";
  }
  return "";
}

}  // namespace

int ReadTableColumns(CatalogKind kind, std::string_view user, std::string_view table,
                     std::vector<DbColumn>* out) {
  out->clear();
  if (kind == CatalogKind::kPostgres) return ReadPostgresColumns(table, out);
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

int ReadCharacterSet(std::string* name) {
  Name value;
  const sql::Out row[] = {sql::Out::Text(value)};
  const int rc = sql::SelectInto(
      "select value into :b0  from nls_database_parameters where parameter='NLS_CHARACTERSET'",
      std::span<const sql::In>(), row);
  *name = std::string(value.view());
  return rc;
}

bool HoldsWindows1252(std::string_view name) {
  // The Unicode sets hold every character; of the others only Windows-1252 itself.
  const std::string upper = Upper(name);
  return Contains(upper, "UTF") || upper == "WE8MSWIN1252";
}

int ReadConnectionSecurity(std::string* text) {
  Text<200> value;
  const sql::Out row[] = {sql::Out::Text(value)};
  const int rc = sql::SelectInto(
      "select case when s.ssl then 'encrypted ('||s.version||', '||s.cipher||')' when "
      "inet_client_addr() is null then 'a local socket, not encrypted' else 'not encrypted' end "
      "into :b0  from pg_stat_ssl s where s.pid=pg_backend_pid()",
      std::span<const sql::In>(), row);
  *text = std::string(value.view());
  return rc;
}

bool MultiByteCharacterSet(std::string_view name) {
  // Oracle's names carry the bits of a character after the language: WE8MSWIN1252, US7ASCII,
  // ZHS16GBK, AL32UTF8. The Unicode sets (UTF8, AL32UTF8, AL16UTF16) all take several bytes.
  const std::string upper = Upper(name);
  if (Contains(upper, "UTF")) return true;
  const std::size_t digit = upper.find_first_of("0123456789");
  if (digit == std::string::npos) return false;
  const int bits = std::atoi(upper.c_str() + digit);
  return bits != 7 && bits != 8;
}

std::vector<std::string> CheckTableColumns(CatalogKind kind, bool multibyte,
                                           const schema::Table& table,
                                           const std::vector<DbColumn>& have) {
  std::vector<std::string> problems;
  const std::string name = schema::QualifiedName(table);
  if (have.empty()) {
    problems.push_back(name + ": table missing");
    return problems;
  }
  for (const schema::Column& need : table.columns) {
    const DbColumn* col = nullptr;
    for (const DbColumn& c : have) {
      if (Upper(c.name) == Upper(need.name)) col = &c;
    }
    const std::string where = name + "." + need.name + ": ";
    if (col == nullptr) {
      problems.push_back(where + "column missing");
    } else if (!Usable(kind, need.kind, *col)) {
      problems.push_back(where + (col->type.empty() ? "no declared type" : col->type) +
                         ", but the program keeps " + Wanted(need.kind) + " in it");
    } else if (kind != CatalogKind::kSqlite) {
      const std::string width = WidthProblem(kind, multibyte, table, need, *col);
      if (!width.empty()) problems.push_back(where + width);
    }
  }
  return problems;
}

}  // namespace jf
