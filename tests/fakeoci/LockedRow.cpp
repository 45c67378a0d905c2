#include "fakeoci/LockedRow.h"

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
  const std::size_t where = t.find(" where "), end = t.find(" for update");
  std::vector<std::size_t> parts;  // where the condition's parts joined by "or" end
  int depth = 0;
  for (std::size_t p = where + 7; where < end && end != std::string::npos && p < end; ++p) {
    depth += t[p] == '(' ? 1 : t[p] == ')' ? -1 : 0;
    if (depth == 0 && t.compare(p, 4, " or ") == 0) parts.push_back(p);
  }
  parts.push_back(end);
  const std::size_t width = in.size() / parts.size();
  if (parts.size() == 1 || width * parts.size() != in.size()) return {RowOf(text, in)};
  std::vector<LockedRow> rows;
  for (std::size_t k = 0, from = where + 7; k < parts.size(); from = parts[k++] + 4) {
    const std::string one =
        t.substr(0, where + 7) + t.substr(from, parts[k] - from) + " for update";
    rows.push_back(RowOf(one, in.subspan(k * width, width)));
  }
  return rows;
}

}  // namespace jf::fakeoci
