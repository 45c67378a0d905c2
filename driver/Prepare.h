// The order run after the connection is open: preparation of the order and its downloads.
#pragma once

#include <cstdint>
#include <string_view>

#include "db/Text.h"

namespace jf {

struct RunContext {
  char date[41] = {};  // run date yyyymmdd
  char time[10] = {};  // run time HHMMSS
  Text<8> requester;   // first argument, cut to 8 characters
  Text<5> action;      // fourth argument, cut to 5 characters
};

// Marks the order and its position for the requester, applies the action keyword, runs the
// order header and order position downloads. Returns the position download's status.
int32_t RunOrder(const RunContext& ctx, std::string_view order, std::string_view position);

}  // namespace jf
