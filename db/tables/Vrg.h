// The preset table Kvl555Vrg: its row record.
// Statements: db/Dbstd/Vrg.cpp.
#pragma once

#include <cstdint>

#include "db/tables/Text.h"

namespace jf {

// Preset value of a field, table Kvl555Vrg.
struct VrgRecord {
  Text<10> VrgBer;  // area
  Text<3> VrgFld;   // field
  Text<30> VrgWrt;  // value
};

}  // namespace jf
