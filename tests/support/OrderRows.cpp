#include "support/OrderRows.h"

#include <cctype>
#include <cstdio>
#include <set>
#include <vector>

#include "db/schema/Description.h"

namespace jf::test {

namespace {

// DATE columns are REAL; a text column with the same tag (AukBgs) holds a text like any other.
bool IsInstant(const std::string& column, const std::string& type) {
  static const std::set<std::string> kTags = {"Bgs", "Ens", "Bdi", "Edi", "Dat", "Bds",
                                              "Sbd", "Eds", "Sed", "Rad", "Red", "Dta",
                                              "Udt", "Gvo", "Gbi", "Avn", "Abi"};
  return type == "REAL" && column.size() == 6 && kTags.count(column.substr(3)) > 0;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == '|') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> OrderRowsTest::TableColumns(
    const std::string& table) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const std::string& r :
       Query("select name, type from pragma_table_info('" + table + "') order by cid")) {
    const auto f = Split(r);
    out.emplace_back(f[0], f[1]);
  }
  if (backend() != BackendKind::kPostgres) return out;
  // PostgreSQL keeps the names in lower case; the schema description spells them.
  for (const schema::Table& t : schema::Tables()) {
    if (Lower(t.name) != Lower(table)) continue;
    for (auto& [column, type] : out) {
      if (const schema::Column* c = schema::FindColumn(t, column)) column = c->name;
    }
  }
  return out;
}

std::string OrderRowsTest::InstantDate(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "2026%02d%02d", 1 + i % 12, 1 + i % 28);
  return buf;
}

std::string OrderRowsTest::InstantTime(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d", i % 24, i % 60, (i * 7) % 60);
  return buf;
}

void OrderRowsTest::InsertFull(const std::string& table, const Row& overrides) {
  std::vector<std::string> names;
  std::vector<std::string> types;
  for (const auto& [name, type] : TableColumns(table)) {
    names.push_back(name);
    types.push_back(type);
  }
  std::string cols;
  std::string vals;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& n = names[i];
    const int pos = static_cast<int>(i) + 1;
    std::string v;
    if (auto it = overrides.find(n); it != overrides.end()) {
      v = it->second;
    } else if (IsInstant(n, types[i])) {
      const std::string d = InstantDate(pos);
      // Begin and end dates of an order and of a validity are days without a time.
      const std::string tag = n.substr(3);
      const bool day_only = tag == "Bgs" || tag == "Ens" || tag == "Gvo" || tag == "Gbi";
      const std::string t = day_only ? "000000" : InstantTime(pos);
      v = "julianday('" + d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + " " +
          t.substr(0, 2) + ":" + t.substr(2, 2) + ":" + t.substr(4, 2) + "')";
    } else if (types[i] == "INTEGER") {
      v = std::to_string(pos);
    } else if (types[i] == "REAL") {
      v = std::to_string(pos) + ".5";
    } else {
      v = "'" + (n.substr(3) == "Knz" ? std::string("K") : n.substr(3)) + "'";
    }
    cols += (i ? "," : "") + n;
    vals += (i ? "," : "") + v;
  }
  Sql("insert into " + table + " (" + cols + ") values (" + vals + ")");
}

OrderRowsTest::Row OrderRowsTest::Unrepresentable(const std::string& table) {
  const schema::Table* t = nullptr;
  for (const schema::Table& candidate : schema::Tables()) {
    if (Lower(candidate.name) == Lower(table)) t = &candidate;
  }
  Row out;
  for (const auto& [name, type] : TableColumns(table)) {
    const schema::Column* c = t != nullptr ? schema::FindColumn(*t, name) : nullptr;
    if (type != "TEXT" || c == nullptr) continue;
    std::vector<std::string> chars = {"\xC5\x81", "\xE2\x98\x83", "\xC3\xA4"};
    for (char ch : name.substr(3)) chars.emplace_back(1, ch);
    std::string v;
    for (std::size_t i = 0; i < chars.size() && static_cast<int>(i) < c->width; ++i) v += chars[i];
    out[name] = "'" + v + "'";
  }
  return out;
}

OrderRowsTest::Row OrderRowsTest::ReadRow(const std::string& table, const std::string& where) {
  std::vector<std::string> names;
  std::string list;
  for (const auto& [name, type] : TableColumns(table)) {
    list += (names.empty() ? "" : ",") + (IsInstant(name, type) ? "datetime(" + name + ")" : name);
    names.push_back(name);
  }
  Row row;
  const auto rows = Query("select " + list + " from " + table + " where " + where);
  if (rows.empty()) return row;
  const auto f = Split(rows[0]);
  for (std::size_t i = 0; i < names.size() && i < f.size(); ++i) row[names[i]] = f[i];
  return row;
}

std::string OrderRowsTest::Differences(const Row& a, const Row& b) {
  std::string out;
  for (const auto& [name, value] : a) {
    auto it = b.find(name);
    if (it == b.end() || it->second != value) out += (out.empty() ? "" : ",") + name;
  }
  return out;
}

}  // namespace jf::test
