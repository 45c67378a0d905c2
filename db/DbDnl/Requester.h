// The parameter buffer the download cursors share: the requester name as a download marker holds
// it. A longer name is cut to the marker's 8 characters.
#pragma once

#include "db/sql/Bind.h"
#include "db/tables/Statements.h"
#include "db/tables/Text.h"

namespace jf {

inline sql::In RequesterArg(const char* requester) {
  static Text<8> buffer;
  return TextArg(buffer, requester);
}

}  // namespace jf
