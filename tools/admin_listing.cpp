// The lines of the operator's listings.
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/TerminalText.h"
#include "tools/admin_operator.h"

namespace jf::admin {

std::string ListField(std::string_view value) {
  if (value.empty()) return "-";
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

void PrintRow(std::initializer_list<std::string_view> fields) {
  std::string line;
  for (const std::string_view f : fields) {
    if (!line.empty()) line += '\t';
    line += ListField(f);
  }
  line += '\n';
  std::fputs(ForTerminal(line).c_str(), stdout);
}

std::string ShownInstant(std::string_view d) {
  if (d.size() != 14 || d.find_first_not_of("0123456789") != std::string_view::npos) return {};
  std::string s;
  s.append(d.substr(0, 4)) += '-';
  s.append(d.substr(4, 2)) += '-';
  s.append(d.substr(6, 2)) += ' ';
  s.append(d.substr(8, 2)) += ':';
  s.append(d.substr(10, 2)) += ':';
  s.append(d.substr(12, 2));
  return s;
}

}  // namespace jf::admin
