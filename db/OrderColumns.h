// The selected columns of the order tables, as outputs into a record. Every cursor and key read
// of the order header and order position tables selects the same columns in nearly the same
// order; the few differences (which integers travel as 16 bits, whether ApkDat is selected, where
// ApkDna and ApkDwn stand) are named by the select-list kind, so each statement's outputs are
// built from one description instead of a copy per routine.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "db/Records.h"
#include "db/sql/Bind.h"

namespace jf {

// The select lists of the order header table.
enum class ApkSelect {
  kDownload,  // 36 columns, ApkDna before ApkDwn, ApkDat included; ApkSsn, ApkSta 32-bit
  kKeyRead,   // 35 columns, ApkDna before ApkDwn, no ApkDat; ApkSsn, ApkSta 16-bit
  kRange,     // 35 columns, ApkDwn before ApkDna, no ApkDat; ApkSsn, ApkSta 16-bit
};

// The select lists of the order position table: all 60 columns in one order; the download
// cursor carries AppSsn and AppSta as 32-bit, the table access as 16-bit integers.
enum class AppSelect { kDownload, kTableAccess };

inline constexpr std::size_t kApkMaxColumns = 36;
inline constexpr std::size_t kAppColumns = 60;

// Outputs of one order header select list, pointing into a record.
class ApkOutputs {
 public:
  ApkOutputs(ApkRecord* rec, ApkSelect select);
  std::span<const sql::Out> span() const { return {cols_.data(), count_}; }
  operator std::span<const sql::Out>() const { return span(); }  // NOLINT

 private:
  std::array<sql::Out, kApkMaxColumns> cols_{};
  std::size_t count_ = 0;
};

// Outputs of the order position select list, pointing into a record.
class AppOutputs {
 public:
  AppOutputs(AppRecord* rec, AppSelect select);
  std::span<const sql::Out> span() const { return {cols_.data(), cols_.size()}; }
  operator std::span<const sql::Out>() const { return span(); }  // NOLINT

 private:
  std::array<sql::Out, kAppColumns> cols_{};
};

// A date field and a time field written as one instant: a buffer of 14 characters receives the
// date, then the time. Both empty give the empty text, which the database stores as NULL; a date
// alone reads as its midnight.
Text<14> JoinDateTime(const Text<8>& date, const Text<6>& time);

}  // namespace jf
