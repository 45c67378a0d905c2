#include "support/StatementCheck.h"

#include <cctype>
#include <map>
#include <set>
#include <vector>

#include "db/schema/Description.h"

namespace jf::test {

namespace {

using schema::Kind;
using Tokens = std::vector<std::string>;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsWord(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// Words (names, numbers, placeholders ":b0"), quoted texts, comparisons, single characters.
Tokens Split(std::string_view t) {
  Tokens out;
  for (std::size_t i = 0, j = 0; i < t.size(); i = j) {
    j = i + 1;
    if (IsWord(t[i]) || t[i] == ':') {
      while (j < t.size() && IsWord(t[j])) ++j;
    } else if (t[i] == '\'') {
      j = std::min(t.find('\'', j), t.size() - 1) + 1;
    } else if ((t[i] == '<' || t[i] == '>') && j < t.size() && (t[j] == '=' || t[j] == '>')) {
      ++j;
    }
    if (!std::isspace(static_cast<unsigned char>(t[i]))) out.emplace_back(t.substr(i, j - i));
  }
  return out;
}

bool IsComparison(const std::string& t) {
  return t == "=" || t == "<" || t == ">" || t == "<=" || t == ">=" || t == "<>";
}

// What a select item or a placeholder stands for: a column (none for an expression such as
// count(*) or a number of days added to a date), the date format it is converted through, and
// whether the statement stores it (an insert's values, an update's SET) or only compares it.
struct Use {
  std::string column, format;
  bool write = false;
};

struct Statement {
  std::vector<Use> in, out;  // by placeholder occurrence, by select item
};

Statement Parse(std::string_view text) {
  const Tokens t = Split(text);
  const auto is = [&t](std::size_t i, const char* word) {
    return i < t.size() && Upper(t[i]) == word;
  };
  const auto quoted = [&t](std::size_t i) { return t[i].substr(1, t[i].size() - 2); };
  Statement s;
  // The select list: a column, TO_CHAR(column,'format'), or an expression.
  int depth = 0;
  for (std::size_t i = 1, item = 1; is(0, "SELECT") && i < t.size(); ++i) {
    depth += t[i] == "(" ? 1 : t[i] == ")" ? -1 : 0;
    if (depth != 0 || (t[i] != "," && !is(i, "FROM"))) continue;
    const bool to_char = i - item == 6 && is(item, "TO_CHAR");
    s.out.push_back(i - item == 1 ? Use{t[item], ""}
                    : to_char     ? Use{t[item + 2], quoted(item + 4)}
                                  : Use{});
    if (is(i, "FROM")) break;
    item = i + 1;
  }
  // An insert's values stand for its columns by position: "insert into T (A,B) values (...)".
  Tokens columns;
  std::size_t i = 4, item = 0;
  for (; is(0, "INSERT") && i < t.size() && t[i] != ")"; ++i) {
    if (t[i] != ",") columns.push_back(t[i]);
  }
  depth = 0;
  bool set = is(0, "UPDATE");  // an update stores the values up to its WHERE
  for (i = columns.empty() ? 0 : i + 3; i < t.size(); ++i) {
    depth += t[i] == "(" ? 1 : t[i] == ")" ? -1 : 0;
    item += !columns.empty() && depth == 0 && t[i] == ",";
    set = set && !is(i, "WHERE");
    if (t[i][0] != ':') continue;
    Use use;
    const bool to_date = t[i - 1] == "(" && is(i - 2, "TO_DATE");
    if (to_date) use.format = quoted(i + 2);
    std::size_t j = to_date ? i - 2 : i;  // where the placeholder's side begins
    while (j > 0 && t[j - 1] == "(") --j;
    if (!columns.empty()) {
      use = {item < columns.size() ? columns[item] : "?", use.format, true};
    } else if (j >= 2 && IsComparison(t[j - 1]) && t[j - 2] != ")") {
      use = {t[j - 2], use.format, set};
    } else if (j >= 7 && IsComparison(t[j - 1]) && is(j - 7, "TO_CHAR")) {
      use = {t[j - 5], quoted(j - 3)};  // TO_CHAR(column,'format')=:b0
    } else if (i + 2 < t.size() && IsComparison(t[i + 1])) {
      use = {t[i + 2], ""};  // :b0>=column
    }
    s.in.push_back(use);
  }
  return s;
}

const schema::Column* Described(const std::string& name) {
  static const std::map<std::string, const schema::Column*> columns = [] {
    std::map<std::string, const schema::Column*> m;
    for (const schema::Table& t : schema::Tables()) {
      for (const schema::Column& c : t.columns) m[Upper(c.name)] = &c;
    }
    return m;
  }();
  const auto it = columns.find(Upper(name));
  return it == columns.end() ? nullptr : it->second;
}

// What is wrong between a column and a field a statement binds to it or selects into it; ""
// when nothing is. A text goes with a text column, a number with a number column. A stored
// value fits its column: a text no wider, a number in no more bits. A selected number fits its
// field, and a date converted to a text the field's width; a text column is at least as wide
// as its record field (a wider one is cut on reading, which the program means to).
std::string Mismatch(const Use& use, sql::Type type, int width, bool bound) {
  const schema::Column* c = Described(use.column);
  if (c == nullptr) return use.column + " is no column of the schema description";
  static const char* const kKinds[] = {"a text", "a 16-bit integer", "a 32-bit integer", "a number",
                                       "an instant"};
  static const char* const kTypes[] = {"a text", "a 16-bit integer", "a 32-bit integer",
                                       "a double"};
  static const int kBits[] = {0, 16, 32, 64, 0};  // by Kind, and by sql::Type, which lines up
  const bool text = type == sql::Type::kText;
  const int chars = static_cast<int>(use.format.size()) - (use.format.ends_with("MISS") ? 2 : 0);
  bool fits = true;
  if (!use.format.empty()) {
    fits = c->kind == Kind::kInstant && text && (bound || width >= chars);
  } else if (c->kind == Kind::kInstant || (bound && !use.write)) {
    // Read in the database's own form (CfgDat), or compared: any width compares.
    fits = c->kind == Kind::kInstant || text == (c->kind == Kind::kText);
  } else if (text != (c->kind == Kind::kText)) {
    fits = false;
  } else {
    const int bits = kBits[static_cast<int>(type)], column = kBits[static_cast<int>(c->kind)];
    fits = text ? width <= c->width : bound ? bits <= column : bits >= column;
  }
  if (fits) return "";
  const auto of = [](int n) { return n > 0 ? " of " + std::to_string(n) : std::string(); };
  return use.column + " is " + kKinds[static_cast<int>(c->kind)] + of(c->width) +
         (bound ? ", bound from " : ", selected into ") + kTypes[static_cast<int>(type)] +
         of(width) + (use.format.empty() ? "" : " as '" + use.format + "'");
}

std::string Check(const Statement& s, std::span<const sql::In> in, std::span<const sql::Out> out) {
  std::string problems;
  const auto add = [&problems](const Use& use, sql::Type type, int width, bool bound) {
    const std::string p = use.column.empty() ? "" : Mismatch(use, type, width, bound);
    if (!p.empty()) problems += (problems.empty() ? "" : "; ") + p;
  };
  for (std::size_t i = 0; i < in.size() && i < s.in.size(); ++i) {
    add(s.in[i], in[i].type, in[i].width, true);
  }
  for (std::size_t i = 0; i < out.size() && i < s.out.size(); ++i) {
    add(s.out[i], out[i].type, static_cast<int>(out[i].cap) - 1, false);
  }
  return problems;
}

std::set<std::string> g_found;

}  // namespace

std::string CheckStatement(std::string_view text, std::span<const sql::In> in,
                           std::span<const sql::Out> out) {
  return Check(Parse(text), in, out);
}

void WatchStatements(sql::FaultBackend* backend) {
  backend->Watch([parsed = std::map<std::string, Statement>()](
                     const std::string& text, std::span<const sql::In> in,
                     std::span<const sql::Out> out) mutable {
    auto it = parsed.find(text);
    if (it == parsed.end()) it = parsed.emplace(text, Parse(text)).first;
    const std::string problems = Check(it->second, in, out);
    if (!problems.empty()) g_found.insert(text + "\n  " + problems);
  });
}

std::unique_ptr<sql::Backend> CheckStatements(std::unique_ptr<sql::Backend> base) {
  auto checked = std::make_unique<sql::FaultBackend>(std::move(base));
  WatchStatements(checked.get());
  return checked;
}

std::string TakeStatementProblems() {
  std::string all;
  for (const std::string& p : g_found) all += p + "\n";
  g_found.clear();
  return all;
}

}  // namespace jf::test
