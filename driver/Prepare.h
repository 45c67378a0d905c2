// The order run after the connection is open: preparation of the order and its downloads.
#pragma once

#include <cstdint>
#include <string_view>

#include "db/tables/Text.h"

namespace jf {

struct RunContext {
  char date[41] = {};  // run date yyyymmdd
  char time[10] = {};  // run time HHMMSS
  Text<8> requester;   // first argument, cut to 8 characters
  Text<5> action;      // fourth argument, cut to 5 characters
};

// Status of a preparation whose order number (over 12 characters) or position number (over 5)
// does not fit its key column. Cutting it could mark a different order, so the step is logged
// and skipped, and the database is not touched.
inline constexpr int32_t kKeyTooLong = -4;

// Marks the order header for download to the requester (download kind "AEN"), unless its status
// is 7 or 9. Returns the status of the read (not found: silently) or of the update (logged).
int32_t PrepareOrderHeader(std::string_view order, const Text<8>& requester);

// Marks the order position for download to the requester and applies the action keyword
// ("SPERR", "FREI*", "BEGIN"; anything else changes no status), unless its status is 9.
// Returns the status of the read (not found: silently) or of the update (logged).
int32_t PreparePosition(std::string_view order, std::string_view position, const Text<8>& requester,
                        const Text<5>& action);

// Marks the order and its position for the requester, applies the action keyword, runs the
// order header and order position downloads. Returns the position download's status.
int32_t RunOrder(const RunContext& ctx, std::string_view order, std::string_view position);

}  // namespace jf
