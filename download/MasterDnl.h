// The record builders of the master data downloads, apart from the loops so that the exact
// bytes of a record can be checked without a database.
#pragma once

#include <cstddef>
#include <string_view>

#include "db/tables/Apg.h"
#include "db/tables/Apl.h"
#include "db/tables/Ksg.h"
#include "db/tables/Prv.h"
#include "db/tables/Ubg.h"
#include "download/DnlRecord.h"

namespace jf {

inline constexpr std::size_t kMagPayloadLength = 255;
inline constexpr std::size_t kMasPayloadLength = 255;
inline constexpr std::size_t kUbgPayloadLength = 74;
inline constexpr std::size_t kPnrPayloadLength = 17;
inline constexpr std::size_t kAwnPayloadLength = 17;
inline constexpr std::size_t kKstPayloadLength = 38;

// Each fills rec's record fields and payload for one row; the requester is not used (master
// data records always go out as "NEU"). All return 0 except Apl_Build, which returns the status
// of the lookup of the group's current cost centre and formats nothing when it fails.
int Apg_Build(DnlRecord* rec, const ApgDnlRecord& row, std::string_view requester);
int Apl_Build(DnlRecord* rec, const AplDnlRecord& row, std::string_view requester);
int Ubg_Build(DnlRecord* rec, const UbgDnlRecord& row, std::string_view requester);
int Prv_BuildPnr(DnlRecord* rec, const PrvDnlRecord& row, std::string_view requester);
int Prv_BuildAwn(DnlRecord* rec, const PrvDnlRecord& row, std::string_view requester);
int Ksg_Build(DnlRecord* rec, const KsgDnlRecord& row, std::string_view requester);

}  // namespace jf
