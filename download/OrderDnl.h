// The record builders of the order downloads, apart from the loops so that the exact bytes of a
// record can be checked without a database.
#pragma once

#include <cstddef>
#include <string_view>

#include "db/tables/Apk.h"
#include "db/tables/App.h"
#include "download/DnlRecord.h"

namespace jf {

inline constexpr std::size_t kApkPayloadLength = 255;
inline constexpr std::size_t kAppPayloadLength = 257;

// Fill rec's record fields and payload for an order header / position row. Always 0.
int Apk_Build(DnlRecord* rec, const ApkDnlRecord& row, std::string_view requester);
int App_Build(DnlRecord* rec, const AppDnlRecord& row, std::string_view requester);

}  // namespace jf
