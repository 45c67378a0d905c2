// The Oracle backend: the statement texts run unchanged through Oracle's call interface, with
// the client library loaded at run time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "db/sql/Backend.h"

namespace jf::oracle {

// Rows a cursor brings along with each round trip, and those of a single-row SELECT: two, so
// that the round trip of the execute already tells whether a second row makes it -2112.
inline constexpr unsigned kCursorPrefetchRows = 500;
inline constexpr unsigned kSingleRowPrefetchRows = 2;

// Logs on as user with password to the net service name. Returns 0 with *out set, or a status
// with the reason in *error (the client library missing or too old: -12560 naming the library;
// a refused logon: the negated ORA number).
int OpenOracle(std::string_view user, std::string_view password, std::string_view net_service,
               std::unique_ptr<sql::Backend>* out, std::string* error);

}  // namespace jf::oracle
