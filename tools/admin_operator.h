// What the operator's listings (due, terminals, terminal, messages) share: their exit codes and
// their lines, one row a line, fields separated by a tab, so a person reads them on a terminal
// and a script splits them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace jf::admin {

// 0 all well, 1 something to look at, 2 bad use, 3 the database or a file failed.
inline constexpr int kExitLook = 1;
inline constexpr int kExitBadUse = 2;
inline constexpr int kExitFailed = 3;

// A value as a field of a listing: "-" when empty; a backslash, a tab, control bytes and bytes
// that are no character of the code page as \\ and \xHH, so a field never splits a line or
// sends an escape sequence to the terminal.
std::string ListField(std::string_view value);
// Prints the fields, each through ListField, tab-separated, in the terminal's encoding.
void PrintRow(std::initializer_list<std::string_view> fields);

// yyyymmddHHMMSS as "yyyy-mm-dd hh:mm:ss"; empty when the text is not 14 digits.
std::string ShownInstant(std::string_view digits14);

}  // namespace jf::admin
