// The due rows of every kind, read by their download marker for the operator's listing.
#include "db/DbDnl/Due.h"

#include <array>

#include "db/DbDnl/Requester.h"
#include "db/sql/Bind.h"
#include "db/sql/Session.h"
#include "db/sql/Status.h"

namespace jf {

namespace {

constexpr DueNumber kApkNumbers[] = {
    {"ApkSts", 16, true},  {"ApkSis", 16, true},  {"ApkAfo", 16, true}, {"ApkEaf", 16, true},
    {"ApkSsn", 16, false}, {"ApkSta", 16, false}, {"ApkAba", 32, true}};
constexpr DueNumber kAppNumbers[] = {
    {"AppSts", 16, true}, {"AppSis", 16, true}, {"AppSsn", 16, false}, {"AppSta", 16, false},
    {"AppAgs", 32, true}, {"AppAbs", 32, true}, {"AppAes", 32, true}};
constexpr DueNumber kApgNumbers[] = {
    {"ApgSta", 16, false}, {"ApgApl", 32, true}, {"ApgTag", 32, true}};
constexpr DueNumber kAplNumbers[] = {
    {"AplSts", 16, true}, {"AplSis", 16, true}, {"AplSta", 16, false}, {"AplApr", 32, true},
    {"AplAaf", 32, true}, {"AplTag", 32, true}, {"AplAvt", 32, true}};
constexpr DueNumber kUbgNumbers[] = {
    {"UbgSta", 16, false}, {"UbgKnz", 32, true}, {"UbgAst", 32, true}};
constexpr DueNumber kPrvNumbers[] = {
    {"PrvSta", 16, true}, {"PrvBer", 32, true}, {"PrvMmb", 32, true}, {"PrvAwa", 32, true},
    {"PrvAnw", 32, true}, {"PrvApl", 32, true}, {"PrvApp", 32, true}, {"PrvPzm", 32, true}};

constexpr DueKind kKinds[] = {
    {"APK", true, true, false, DueAssignment::kNone, kApkNumbers},
    {"APP", true, true, true, DueAssignment::kNone, kAppNumbers},
    {"MAG", false, true, false, DueAssignment::kAny, kApgNumbers},
    {"MAS", false, true, false, DueAssignment::kExactlyOne, kAplNumbers},
    {"UBG", false, true, false, DueAssignment::kNone, kUbgNumbers},
    {"PNR", false, true, false, DueAssignment::kNone, kPrvNumbers},
    {"KST", false, false, false, DueAssignment::kNone, {}},
};
constexpr std::size_t kKindCount = std::size(kKinds);

// The statements of a kind, and the fields its select list fills before its numbers:
// K key, P position, D download kind, A area, S change date, G workplace group.
struct Statements {
  const char* layout;
  sql::Cursor requesters;
  sql::Cursor rows;
};

// The order of each kind's download cursor, so a row shown behind another is one the download
// reaches after it.
Statements g_statements[kKindCount] = {
    {"KDAS", sql::Cursor("select distinct ApkDwn  from Kvl501Apk where ApkDwn is not null"),
     sql::Cursor("select ApkApk ,ApkDna ,ApkFbe ,TO_CHAR(ApkDat,'yyyymmddHH24MISS') ,ApkSts "
                 ",ApkSis ,ApkAfo ,ApkEaf ,ApkSsn ,ApkSta ,ApkAba  from Kvl501Apk where "
                 "ApkDwn=:b0 order by ApkDwn,ApkFbe")},
    {"KPDAS", sql::Cursor("select distinct AppDwn  from Kvl504App where AppDwn is not null"),
     sql::Cursor("select AppApk ,AppApp ,AppDna ,AppFbe ,TO_CHAR(AppDat,'yyyymmddHH24MISS') "
                 ",AppSts ,AppSis ,AppSsn ,AppSta ,AppAgs ,AppAbs ,AppAes  from Kvl504App where "
                 "AppDwn=:b0 order by AppDwn,AppFbe")},
    {"KDASG", sql::Cursor("select distinct ApgDwn  from Kvl530Apg where ApgDwn is not null"),
     sql::Cursor("select ApgApg ,ApgDna ,ApgFbe ,TO_CHAR(ApgDat,'yyyymmddHH24MISS') ,ApgApg "
                 ",ApgSta ,ApgApl ,ApgTag  from Kvl530Apg where ApgDwn=:b0 order by ApgFbe")},
    {"KDASG", sql::Cursor("select distinct AplDwn  from Kvl531Apl where AplDwn is not null"),
     sql::Cursor("select AplApl ,AplDna ,AplFbe ,TO_CHAR(AplDat,'yyyymmddHH24MISS') ,AplApg "
                 ",AplSts ,AplSis ,AplSta ,AplApr ,AplAaf ,AplTag ,AplAvt  from Kvl531Apl where "
                 "AplDwn=:b0 order by AplFbe")},
    {"KDAS", sql::Cursor("select distinct UbgDwn  from Kvl521Ubg where UbgDwn is not null"),
     sql::Cursor("select UbgUbg ,UbgDna ,UbgFbe ,TO_CHAR(UbgDat,'yyyymmddHH24MISS') ,UbgSta "
                 ",UbgKnz ,UbgAst  from Kvl521Ubg where UbgDwn=:b0 order by UbgFbe")},
    {"KDAS", sql::Cursor("select distinct PrvDwn  from Kvl510Prv where PrvDwn is not null"),
     sql::Cursor("select PrvPnr ,PrvDna ,PrvFbe ,TO_CHAR(PrvDat,'yyyymmddHH24MISS') ,PrvSta "
                 ",PrvBer ,PrvMmb ,PrvAwa ,PrvAnw ,PrvApl ,PrvApp ,PrvPzm  from Kvl510Prv where "
                 "PrvDwn=:b0 order by PrvFbe")},
    // The cost centre download's own text: nothing marks its rows.
    {"KA", sql::Cursor(""),
     sql::Cursor("select KstNum ,FbeFbe  from o1003Kststelle ,Kvl559Fbe where FbeTyp=1 order by "
                 "FbeFbe")},
};

Statements* Of(const DueKind& k) {
  const std::size_t i = static_cast<std::size_t>(&k - kKinds);
  return i < kKindCount ? &g_statements[i] : nullptr;
}

}  // namespace

std::span<const DueKind> DueKinds() {
  return kKinds;
}

int Due_OpenRequesters(const DueKind& k) {
  Statements* s = Of(k);
  if (s == nullptr || !k.marked) return sql::kBadSelector;
  return s->requesters.Open(std::span<const sql::In>());
}

int Due_FetchRequester(const DueKind& k, Text<8>* requester) {
  Statements* s = Of(k);
  if (s == nullptr || !k.marked) return sql::kBadSelector;
  const sql::Out out[] = {sql::Out::Text(*requester)};
  return s->requesters.Fetch(out);
}

int Due_CloseRequesters(const DueKind& k) {
  Statements* s = Of(k);
  if (s == nullptr || !k.marked) return sql::kBadSelector;
  return s->requesters.Close();
}

int Due_Open(const DueKind& k, const char* requester) {
  Statements* s = Of(k);
  if (s == nullptr) return sql::kBadSelector;
  if (!k.marked) return s->rows.Open(std::span<const sql::In>());
  return s->rows.Open({RequesterArg(requester)});
}

int Due_Fetch(const DueKind& k, DueRow* row) {
  Statements* s = Of(k);
  if (s == nullptr) return sql::kBadSelector;
  // Into a copy, so the caller's row changes only with a fetched row.
  DueRow r;
  std::array<sql::Out, 6 + kDueMaxNumbers> out;
  std::size_t n = 0;
  for (const char* f = s->layout; *f != '\0'; ++f) {
    switch (*f) {
      case 'K':
        out[n++] = sql::Out::Text(r.key);
        break;
      case 'P':
        out[n++] = sql::Out::Text(r.position);
        break;
      case 'D':
        out[n++] = sql::Out::Text(r.dna);
        break;
      case 'A':
        out[n++] = sql::Out::Text(r.area);
        break;
      case 'S':
        out[n++] = sql::Out::Text(r.since);
        break;
      case 'G':
        out[n++] = sql::Out::Text(r.group);
        break;
    }
  }
  for (std::size_t i = 0; i < k.numbers.size() && i < kDueMaxNumbers; ++i) {
    out[n++] = sql::Out::Dbl(&r.number[i]);
  }
  const int rc = s->rows.Fetch(std::span<const sql::Out>(out.data(), n));
  if (rc != 0) return rc;
  if (!k.marked) r.dna = "NEU";
  *row = r;
  return 0;
}

int Due_Close(const DueKind& k) {
  Statements* s = Of(k);
  if (s == nullptr) return sql::kBadSelector;
  return s->rows.Close();
}

}  // namespace jf
