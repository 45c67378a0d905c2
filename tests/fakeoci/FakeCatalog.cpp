#include "fakeoci/FakeCatalog.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "db/sql/Status.h"

namespace jf::fakeoci {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct DdlColumn {
  std::string table, column, type;
  int length = 0, char_length = 0;   // bytes; a text's width as char_used counts it ("C", "B")
  std::string char_used, precision;  // NUMBER(p)'s p, "" (NULL) for none
};

// The columns of every CREATE TABLE in the DDL: one column per line, "Name TYPE[(n[ CHAR])] ...".
// A character takes up to four bytes, as in an AL32UTF8 database.
std::vector<DdlColumn> ReadDdl() {
  const char* path = std::getenv("FAKEOCI_DDL");
  std::ifstream in(path != nullptr && *path != '\0' ? path : FAKEOCI_DDL);
  std::vector<DdlColumn> out;
  std::string line, table;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string first, second, third;
    words >> first >> second >> third;
    if (Upper(first) == "CREATE" && Upper(second) == "TABLE") {
      table = Upper(third.substr(0, third.find('(')));
      table = table.substr(table.rfind('.') + 1);  // the file holds every schema's tables
      continue;
    }
    if (table.empty() || first.empty()) continue;
    if (first[0] == ')') {
      table.clear();
      continue;
    }
    if (Upper(first) == "CONSTRAINT" || first.rfind("--", 0) == 0) continue;
    // "VARCHAR2(12 CHAR)", "NUMBER(5)", "DATE,": the type, and the width or digits it declares.
    const std::string decl = Upper(second.append(" ").append(third));
    const std::size_t open = std::min(decl.find('('), decl.find_first_of(", "));
    DdlColumn c;
    c.table = table;
    c.column = Upper(first);
    c.type = decl.substr(0, open);
    const int n = decl[open] == '(' ? std::atoi(decl.c_str() + open + 1) : 0;
    if (c.type == "DATE") {
      c.length = 7;
    } else if (c.type == "NUMBER") {
      c.length = 22;
      if (n > 0) c.precision = std::to_string(n);
    } else {
      const bool chars = decl.find(" CHAR)") != std::string::npos;
      c.char_used.assign(1, chars ? 'C' : 'B');
      c.char_length = n;
      c.length = chars ? 4 * n : n;
    }
    out.push_back(c);
  }
  return out;
}

int Run(sql::Backend* db, std::string_view text, std::span<const sql::In> in = {}) {
  std::unique_ptr<sql::BackendStmt> stmt;
  if (int rc = db->Prepare(text, false, &stmt); rc != 0) return rc;
  const int rc = stmt->Execute(in);
  stmt->Close();
  return rc;
}

}  // namespace

bool UsesCatalog(std::string_view text) {
  const std::string t = Upper(std::string(text));
  return t.find("ALL_TAB_COLUMNS") != std::string::npos ||
         t.find("ALL_SYNONYMS") != std::string::npos ||
         t.find("NLS_DATABASE_PARAMETERS") != std::string::npos;
}

int MakeCatalog(sql::Backend* db, const std::string& user) {
  const char* const kSetup[] = {
      "CREATE TEMP TABLE IF NOT EXISTS fakeoci_ddl (table_name TEXT, column_name TEXT, "
      "data_type TEXT, data_length INTEGER, char_length INTEGER, char_used TEXT, data_precision "
      "INTEGER)",
      "DELETE FROM temp.fakeoci_ddl",
      "CREATE TEMP TABLE IF NOT EXISTS fakeoci_owner (owner TEXT)",
      "DELETE FROM temp.fakeoci_owner",
      "CREATE TEMP TABLE IF NOT EXISTS all_synonyms (owner TEXT, synonym_name TEXT, "
      "table_owner TEXT, table_name TEXT)",
      "CREATE TEMP TABLE IF NOT EXISTS nls_database_parameters (parameter TEXT, value TEXT)",
      "DELETE FROM temp.nls_database_parameters",
      // A column is a text ('T') or a number ('N') in the file by its declared type's affinity;
      // the DDL's type stands where it is of the same family.
      "CREATE TEMP VIEW IF NOT EXISTS all_tab_columns AS SELECT o.owner AS owner, t.table_name "
      "AS table_name, t.column_name AS column_name, CASE WHEN t.ddl_family = t.family THEN "
      "t.ddl_type WHEN t.family = 'T' THEN 'VARCHAR2' ELSE 'NUMBER' END AS data_type, CASE WHEN "
      "t.ddl_family = t.family THEN t.ddl_length WHEN t.family = 'T' THEN 4000 ELSE 22 END AS "
      "data_length, CASE WHEN t.ddl_family = t.family THEN t.ddl_chars WHEN t.family = 'T' THEN "
      "4000 END AS char_length, CASE WHEN t.ddl_family = t.family THEN t.ddl_used WHEN t.family = "
      "'T' THEN 'B' END AS char_used, CASE WHEN t.ddl_family = t.family THEN t.ddl_precision END "
      "AS data_precision FROM (SELECT upper(m.name) AS table_name, upper(p.name) AS column_name, "
      "CASE "
      "WHEN upper(p.type) LIKE '%INT%' THEN 'N' WHEN upper(p.type) LIKE '%CHAR%' OR "
      "upper(p.type) LIKE '%CLOB%' OR upper(p.type) LIKE '%TEXT%' THEN 'T' ELSE 'N' END AS "
      "family, d.data_type AS ddl_type, d.data_length AS ddl_length, d.char_length AS ddl_chars, "
      "d.char_used AS ddl_used, d.data_precision AS ddl_precision, CASE WHEN d.data_type IS "
      "NULL THEN NULL WHEN d.data_type IN ('VARCHAR2','CHAR','NVARCHAR2','NCHAR') THEN 'T' ELSE "
      "'N' END AS ddl_family FROM main.sqlite_schema m JOIN pragma_table_info(m.name, 'main') p "
      "LEFT JOIN temp.fakeoci_ddl d ON d.table_name = upper(m.name) AND d.column_name = "
      "upper(p.name) WHERE m.type = 'table') t JOIN temp.fakeoci_owner o",
  };
  for (const char* text : kSetup) {
    if (int rc = Run(db, text); rc != 0 && rc != sql::kNotFound) return rc;
  }
  for (const std::string& owner : {Upper(user), std::string("KVLSYSTEM")}) {
    const sql::In in[] = {sql::In::Text(owner)};
    if (int rc = Run(db, "INSERT INTO temp.fakeoci_owner VALUES (:b0)", in); rc != 0) return rc;
  }
  // The database's character set: FAKEOCI_CHARSET, else that of current installations.
  const char* charset = std::getenv("FAKEOCI_CHARSET");
  const sql::In set[] = {sql::In::Text(charset != nullptr && *charset ? charset : "AL32UTF8")};
  if (int rc = Run(db, "INSERT INTO nls_database_parameters VALUES ('NLS_CHARACTERSET',:b0)", set))
    return rc;
  for (const DdlColumn& c : ReadDdl()) {
    const sql::In in[] = {sql::In::Text(c.table),      sql::In::Text(c.column),
                          sql::In::Text(c.type),       sql::In::I32(c.length),
                          sql::In::I32(c.char_length), sql::In::Text(c.char_used),
                          sql::In::Text(c.precision)};
    if (int rc = Run(db, "INSERT INTO temp.fakeoci_ddl VALUES (:b0,:b1,:b2,:b3,:b4,:b5,:b6)", in);
        rc != 0)
      return rc;
  }
  return db->Commit();
}

}  // namespace jf::fakeoci
