#include "fakeoci/LockedRow.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace jf::fakeoci {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The name that starts at pos, after blanks.
std::string WordAt(const std::string& text, std::size_t pos) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  std::size_t end = pos;
  while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                               text[end] == '_' || text[end] == '.')) {
    ++end;
  }
  return text.substr(pos, end - pos);
}

}  // namespace

LockedRow RowOf(std::string_view text, std::span<const sql::In> in) {
  const std::string t = Lower(text);
  std::size_t start = 0;
  while (start < t.size() && std::isspace(static_cast<unsigned char>(t[start]))) ++start;
  LockedRow row;
  if (t.compare(start, 6, "update") == 0) {
    row.table = WordAt(t, start + 6);
  } else if (const std::size_t from = t.find(" from "); from != std::string::npos) {
    row.table = WordAt(t, from + 6);
  }
  const std::size_t where = t.find(" where ");
  if (row.table.empty() || where == std::string::npos) return {};
  std::size_t end = t.find(" for update");
  if (end == std::string::npos || end < where) end = t.size();
  // The inputs before WHERE are the values an UPDATE sets, not the row's.
  std::size_t skip = 0;
  for (std::size_t p = t.find(':'); p < where; p = t.find(':', p + 1)) ++skip;
  // Placeholders by their number differ between statements that name one row.
  for (std::size_t p = where; p < end; ++p) {
    row.key += t[p];
    if (t[p] != ':') continue;
    while (p + 1 < end && std::isalnum(static_cast<unsigned char>(t[p + 1]))) ++p;
  }
  for (std::size_t i = skip; i < in.size(); ++i) {
    const sql::In& v = in[i];
    row.key += '|';
    if (v.type == sql::Type::kText) {
      row.key.append(v.text);
    } else if (v.type == sql::Type::kDouble) {
      row.key += std::to_string(v.d);
    } else {
      row.key += std::to_string(v.i);
    }
  }
  return row;
}

std::vector<LockedRow> RowsOf(std::string_view text, std::span<const sql::In> in) {
  const std::string t = Lower(text);
  const std::size_t where = t.find(" where ");
  const std::size_t end = t.find(" for update");
  const std::size_t start = t.find_first_not_of(" \t\n");
  if (where == std::string::npos || end == std::string::npos || end < where ||
      t.compare(start, 7, "select ") != 0 || t.find(':') < where) {
    return {RowOf(text, in)};
  }
  // The condition's parts joined by "or" outside parentheses, each with as many inputs.
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  std::size_t from = where + 7;
  int depth = 0;
  for (std::size_t p = from; p < end; ++p) {
    depth += t[p] == '(' ? 1 : t[p] == ')' ? -1 : 0;
    if (depth == 0 && t.compare(p, 4, " or ") == 0) {
      parts.emplace_back(from, p);
      from = p + 4;
    }
  }
  parts.emplace_back(from, end);
  std::vector<std::size_t> inputs;
  for (const auto& [a, b] : parts) {
    std::size_t n = 0;
    for (std::size_t p = t.find(':', a); p < b; p = t.find(':', p + 1)) ++n;
    inputs.push_back(n);
  }
  if (parts.size() < 2 || inputs[0] * parts.size() != in.size() ||
      std::count(inputs.begin(), inputs.end(), inputs[0]) != static_cast<long>(inputs.size())) {
    return {RowOf(text, in)};
  }
  std::vector<LockedRow> rows;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const std::string one = t.substr(0, where + 7) +
                            t.substr(parts[k].first, parts[k].second - parts[k].first) +
                            t.substr(end);
    rows.push_back(RowOf(one, in.subspan(k * inputs[0], inputs[0])));
  }
  return rows;
}

}  // namespace jf::fakeoci
