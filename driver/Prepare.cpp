#include "driver/Prepare.h"

#include "db/Dbstd.h"
#include "db/tables/Apk.h"
#include "db/tables/App.h"
#include "download/Download.h"
#include "msg/Msg.h"

namespace jf {

namespace {

constexpr std::size_t kOrderKeyWidth = Text<12>::kWidth;
constexpr std::size_t kPositionKeyWidth = Text<5>::kWidth;

constexpr char kOrderTooLong[] = "Auftragsnummer zu lang (max. 12 Zeichen)";
constexpr char kPositionTooLong[] = "Positionsnummer zu lang (max. 5 Zeichen)";

// Header statuses that keep an order header out of a download; a position is kept out by 9 only.
constexpr int32_t kStatusLocked = 7;
constexpr int32_t kStatusClosed = 9;
constexpr int32_t kStatusReleased = 10;

}  // namespace

int32_t PrepareOrderHeader(std::string_view order, const Text<8>& requester) {
  if (order.size() > kOrderKeyWidth) {
    Msg_Log(kKeyTooLong, "Auk_To_Apk", kOrderTooLong, kMsgError);
    return kKeyTooLong;
  }
  ApkRecord rec;
  rec.ApkApk = order;
  if (int rc = Apk_PKeyRead(&rec); rc != 0) return rc;
  if (rec.ApkSts == kStatusClosed || rec.ApkSts == kStatusLocked) return 0;

  rec.ApkDna = "AEN";
  rec.ApkDwn = requester.view();
  const int rc = Apk_PKeyUpd(&rec);
  if (rc != 0) Msg_Log(rc, "Auk_To_Apk", "Fehelr bei Apk_PKeyDel", kMsgError);
  return rc;
}

int32_t PreparePosition(std::string_view order, std::string_view position, const Text<8>& requester,
                        const Text<5>& action) {
  if (order.size() > kOrderKeyWidth) {
    Msg_Log(kKeyTooLong, "App_Sel", kOrderTooLong, kMsgError);
    return kKeyTooLong;
  }
  if (position.size() > kPositionKeyWidth) {
    Msg_Log(kKeyTooLong, "App_Sel", kPositionTooLong, kMsgError);
    return kKeyTooLong;
  }
  AppRecord rec;
  rec.AppApk = order;
  rec.AppApp = position;
  if (int rc = App_PKeyRead(&rec); rc != 0) return rc;
  if (rec.AppSts == kStatusClosed) return 0;

  rec.AppDna = "AEN";
  rec.AppDwn = requester.view();
  // Compared whole and case-sensitively; the asterisk belongs to "FREI*".
  const std::string_view keyword = action.view();
  if (keyword == "SPERR") {
    rec.AppDna = "STA";
    rec.AppSis = rec.AppSts;
    rec.AppSts = kStatusLocked;
  } else if (keyword == "FREI*") {
    rec.AppDna = "STA";
    rec.AppSts = kStatusReleased;
  } else if (keyword == "BEGIN") {
    rec.AppSis = rec.AppSts;
    rec.AppSts = kStatusReleased;
  }
  const int rc = App_PKeyUpd(&rec);
  if (rc != 0) Msg_Log(rc, "App_Sel", "Fehelr bei App_PKeyDel", kMsgError);
  return rc;
}

int32_t RunOrder(const RunContext& ctx, std::string_view order, std::string_view position) {
  // A failed step is logged where it fails and never stops the run: the downloads still send
  // whatever is marked for the requester. Only the position download decides the exit code.
  PrepareOrderHeader(order, ctx.requester);
  Apk_Dnl(ctx.date, ctx.time, ctx.requester.c_str());
  PreparePosition(order, position, ctx.requester, ctx.action);
  return App_Dnl(ctx.date, ctx.time, ctx.requester.c_str());
}

}  // namespace jf
