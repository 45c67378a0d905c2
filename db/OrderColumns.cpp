#include "db/OrderColumns.h"

#include <cstring>
#include <string_view>

namespace jf {

using sql::Out;

ApkOutputs::ApkOutputs(ApkRecord* r, ApkSelect select) {
  // The download cursor was declared with full-width counters; the table-access module carries
  // its small integers as 16 bits.
  const bool wide = select == ApkSelect::kDownload;
  auto small = [&](int32_t* p) { return wide ? Out::I32(p) : Out::I16(p); };
  std::size_t n = 0;
  auto add = [&](Out o) { cols_[n++] = o; };
  add(Out::Text(r->ApkApk));
  add(Out::Text(r->ApkBz1));
  add(Out::Text(r->ApkBz2));
  add(Out::Text(r->ApkTxt));
  add(Out::I16(&r->ApkSts));
  add(Out::I16(&r->ApkSis));
  add(Out::Text(r->ApkKun));
  add(Out::Text(r->ApkKb1));
  add(Out::Text(r->ApkKb2));
  add(Out::Text(r->ApkBgs));
  add(Out::Text(r->ApkEns));
  add(Out::I16(&r->ApkAfo));
  add(Out::I16(&r->ApkEaf));
  add(Out::Text(r->ApkTnr));
  add(Out::Text(r->ApkTb1));
  add(Out::Text(r->ApkTb2));
  add(Out::Dbl(&r->ApkSme));
  add(Out::Dbl(&r->ApkIme));
  add(Out::Text(r->ApkMee));
  add(Out::Text(r->ApkBdiDate));
  add(Out::Text(r->ApkBdiTime));
  add(Out::Text(r->ApkEdiDate));
  add(Out::Text(r->ApkEdiTime));
  add(Out::Text(r->ApkFbe));
  add(Out::Text(r->ApkKst));
  add(Out::Text(r->ApkZf1));
  add(Out::Text(r->ApkZf2));
  add(Out::Text(r->ApkZf3));
  add(Out::Text(r->ApkKnz));
  add(small(&r->ApkSsn));
  if (select == ApkSelect::kRange) {
    add(Out::Text(r->ApkDwn));
    add(Out::Text(r->ApkDna));
  } else {
    add(Out::Text(r->ApkDna));
    add(Out::Text(r->ApkDwn));
  }
  add(small(&r->ApkSta));
  if (select == ApkSelect::kDownload) add(Out::Text(r->ApkDat));
  add(Out::Text(r->ApkErf));
  add(Out::I32(&r->ApkAba));
  count_ = n;
}

AppOutputs::AppOutputs(AppRecord* r, AppSelect select) {
  const bool wide = select == AppSelect::kDownload;
  auto small = [&](int32_t* p) { return wide ? Out::I32(p) : Out::I16(p); };
  std::size_t n = 0;
  auto add = [&](Out o) { cols_[n++] = o; };
  add(Out::Text(r->AppApk));
  add(Out::Text(r->AppApp));
  add(Out::Text(r->AppVaf));
  add(Out::Text(r->AppNaf));
  add(Out::Text(r->AppBz1));
  add(Out::Text(r->AppBz2));
  add(Out::Text(r->AppTxt));
  add(Out::I16(&r->AppSts));
  add(Out::I16(&r->AppSis));
  add(Out::Text(r->AppBdiDate));
  add(Out::Text(r->AppBdiTime));
  add(Out::Text(r->AppBdsDate));
  add(Out::Text(r->AppBdsTime));
  add(Out::Text(r->AppSbdDate));
  add(Out::Text(r->AppSbdTime));
  add(Out::Text(r->AppEdiDate));
  add(Out::Text(r->AppEdiTime));
  add(Out::Text(r->AppEdsDate));
  add(Out::Text(r->AppEdsTime));
  add(Out::Text(r->AppSedDate));
  add(Out::Text(r->AppSedTime));
  add(Out::Text(r->AppRadDate));
  add(Out::Text(r->AppRadTime));
  add(Out::Text(r->AppRedDate));
  add(Out::Text(r->AppRedTime));
  add(Out::I32(&r->AppAgs));
  add(Out::I32(&r->AppAbs));
  add(Out::I32(&r->AppAes));
  add(Out::Dbl(&r->AppSme));
  add(Out::Dbl(&r->AppIme));
  add(Out::Dbl(&r->AppAme));
  add(Out::Text(r->AppMee));
  add(Out::Dbl(&r->AppSza));
  add(Out::Dbl(&r->AppStr));
  add(Out::Dbl(&r->AppSte));
  add(Out::Dbl(&r->AppIta));
  add(Out::Dbl(&r->AppItr));
  add(Out::Dbl(&r->AppIte));
  add(Out::Text(r->AppApg));
  add(Out::Text(r->AppApl));
  add(Out::Text(r->AppKt1));
  add(Out::Text(r->AppKz1));
  add(Out::Text(r->AppKt2));
  add(Out::Text(r->AppKz2));
  add(Out::Text(r->AppKt3));
  add(Out::Text(r->AppKz3));
  add(Out::Text(r->AppKt4));
  add(Out::Text(r->AppKz4));
  add(Out::Text(r->AppFbe));
  add(Out::Text(r->AppKst));
  add(Out::Text(r->AppZf1));
  add(Out::Text(r->AppZf2));
  add(Out::Text(r->AppZf3));
  add(Out::Text(r->AppKnz));
  // The record keeps AppDna and AppDwn before AppSsn; the select list has AppSsn first.
  add(small(&r->AppSsn));
  add(Out::Text(r->AppDna));
  add(Out::Text(r->AppDwn));
  add(small(&r->AppSta));
  add(Out::Text(r->AppDat));
  add(Out::Text(r->AppErf));
}

Text<14> JoinDateTime(const Text<8>& date, const Text<6>& time) {
  char buf[14];
  const std::size_t d = date.size();
  const std::size_t t = time.size();
  std::memcpy(buf, date.c_str(), d);
  std::memcpy(buf + d, time.c_str(), t);
  return Text<14>(std::string_view(buf, d + t));
}

}  // namespace jf
