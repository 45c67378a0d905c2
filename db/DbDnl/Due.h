// The rows due for download, read for the operator rather than for sending: per kind of record,
// the requesters rows are marked for, and each due row's key, download kind, production area,
// change date and the integer columns the downloads read in a fixed width. The rows are found by
// the download marker (its index), in the order the download cursor delivers them.
#pragma once

#include <cstddef>
#include <span>

#include "db/tables/Text.h"

namespace jf {

inline constexpr std::size_t kDueMaxNumbers = 8;

// An integer column as the downloads read it: in `bits` (16 or 32) bits, the narrowest of the
// download cursor and the key read. A value past them fails the read with -1455. cursor: the
// download cursor itself reads it so narrow, so its fetch fails and the download ends there.
struct DueNumber {
  const char* column;
  int bits;
  bool cursor;
};

// What a download needs besides a terminal before a row goes out: the workplace group's cost
// centre assignment valid today, any (the group's cursor joins it) or exactly one (a workplace's
// record carries it).
enum class DueAssignment { kNone, kAny, kExactlyOne };

struct DueKind {
  const char* tag;  // record type: "APK", "APP", "MAG", "MAS", "UBG", "PNR", "KST"
  bool order;       // an order download: it stops at its first failing row
  bool marked;      // false: sent whole on every run, to no requester in particular (KST)
  bool position;    // the key has a second part, the position
  DueAssignment assignment;
  std::span<const DueNumber> numbers;
};

// One due row. Numbers are read unconverted, so a value no download can read still shows.
struct DueRow {
  Text<12> key;
  Text<5> position;  // order positions only
  Text<3> dna;       // download kind; "NEU" for KST, which has none
  Text<10> area;
  Text<14> since;  // change date yyyymmddHHMMSS, empty where the row has none
  Text<10> group;  // workplace group whose cost centre assignment counts (MAG, MAS)
  double number[kDueMaxNumbers] = {};
};

// The seven kinds in the order a listing shows them.
std::span<const DueKind> DueKinds();

// The requesters rows of kind k are marked for (a marked kind only); each name once.
int Due_OpenRequesters(const DueKind& k);
int Due_FetchRequester(const DueKind& k, Text<8>* requester);
int Due_CloseRequesters(const DueKind& k);

// The rows of kind k due for the requester (ignored for KST), in the download cursor's order.
int Due_Open(const DueKind& k, const char* requester);
int Due_Fetch(const DueKind& k, DueRow* row);
int Due_Close(const DueKind& k);

}  // namespace jf
