#include "support/DueSite.h"

#include <cstdio>
#include <filesystem>
#include <set>

namespace jf::test {

namespace fs = std::filesystem;

namespace {

constexpr int kTerminals[3] = {3, 5, 12};
constexpr std::size_t kLineBytes = 552;

std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

void DueSiteTest::AddTerminals() {
  AddTerminal(3, "10.1.0.3", "4001", "100", "199");
  AddTerminal(5, "10.1.0.5", "4001", "200", "299");
  AddTerminal(12, "10.1.0.12", "4002", "300", "399");
}

void DueSiteTest::MarkRows(int positions, const std::string& requester, const std::string& prefix) {
  markings_.push_back({positions, requester, prefix});
  InsertRows(markings_.back(), true);
}

void DueSiteTest::ResetRows() {
  Sql("begin");
  for (const Marking& m : markings_) {
    Sql("delete from Kvl504App where AppApk like '" + m.prefix + "%'");
    Sql("delete from Kvl501Apk where ApkApk like '" + m.prefix + "%'");
  }
  Sql("commit");
  for (const Marking& m : markings_) InsertRows(m, false);
}

void DueSiteTest::InsertRows(const Marking& m, bool remember) {
  static const char* const kPosKinds[4] = {"NEU", "AEN", "STA", "LOE"};
  static const char* const kHeadKinds[3] = {"AEN", "NEU", "STA"};
  const int orders = (m.positions + 4) / 5;
  Sql("begin");
  int made = 0;
  for (int o = 0; o < orders; ++o) {
    char order[32];
    std::snprintf(order, sizeof order, "%s%05d", m.prefix.c_str(), o);
    const int t = o % 3;
    const std::string area = std::to_string(100 * (t + 1) + o % 50);
    const std::string hk = kHeadKinds[o % 3];
    Sql("insert into Kvl501Apk (ApkApk,ApkBz1,ApkSts,ApkBgs,ApkEns,ApkAfo,ApkSme,ApkMee,ApkFbe,"
        "ApkDwn,ApkDna) values ('" +
        std::string(order) + "','Auftrag',2,julianday('2026-12-07'),julianday('2026-12-18'),5," +
        "1250,'STK','" + area + "','" + m.requester + "','" + hk + "')");
    if (remember) {
      due_.push_back({"APK|" + std::string(order), order, "", hk, m.requester, kTerminals[t]});
      afo_start_[order] = 5;
    }
    for (int p = 0; p < 5 && made < m.positions; ++p, ++made) {
      const std::string pos = std::to_string(10 * (p + 1));
      const std::string pk = kPosKinds[made % 4];
      Sql("insert into Kvl504App (AppApk,AppApp,AppBz1,AppSts,AppBds,AppEds,AppSme,AppMee,"
          "AppStr,AppSte,AppSza,AppApg,AppFbe,AppDwn,AppDna) values ('" +
          std::string(order) + "','" + pos +
          "','Arbeitsgang',2,julianday('2026-12-07'),julianday('2026-12-08'),625,'STK',12.5,"
          "1.25,0.5,'FRAES1','" +
          area + "','" + m.requester + "','" + pk + "')");
      if (remember) {
        due_.push_back(
            {"APP|" + std::string(order) + "|" + pos, order, pos, pk, m.requester, kTerminals[t]});
      }
    }
  }
  Sql("commit");
}

std::map<std::string, int> DueSiteTest::Lines(int* bad, std::string* why) {
  std::map<std::string, int> out;
  *bad = 0;
  if (!fs::exists(buffer_dir())) return out;
  for (const auto& entry : fs::directory_iterator(buffer_dir())) {
    const std::string name = entry.path().filename().string();
    int terminal = 0;
    if (std::sscanf(name.c_str(), "SndDnl%d.buf", &terminal) != 1) continue;
    const std::string bytes = ReadBytes(entry.path());
    if (bytes.size() % kLineBytes != 0) {
      ++*bad;
      *why += name + ": " + std::to_string(bytes.size()) + " bytes, not whole lines; ";
    }
    for (std::size_t at = 0; at + kLineBytes <= bytes.size(); at += kLineBytes) {
      const std::string line = bytes.substr(at, kLineBytes);
      if (line[0] != '$' || line.compare(kLineBytes - 3, 3, "*\r\n") != 0) {
        ++*bad;
        *why += name + ": broken line at byte " + std::to_string(at) + "; ";
        continue;
      }
      const std::string type = line.substr(90, 3);
      std::string key = type + "|" + Trim(line.substr(111, 12));
      if (type == "APP") key += "|" + Trim(line.substr(123, 5));
      ++out[std::to_string(terminal) + "|" + key];
    }
  }
  return out;
}

DueSiteTest::Report DueSiteTest::CheckPromises(const std::string& when, bool finished) {
  Report r;
  auto broken = [&](const std::string& what) {
    ++r.violations;
    if (r.violations <= 20) ADD_FAILURE() << when << ": " << what;
  };
  int bad = 0;
  std::string why;
  const std::map<std::string, int> lines = Lines(&bad, &why);
  if (bad != 0) broken("send-buffer files hold " + std::to_string(bad) + " bad lines: " + why);

  // The rows as they stand: marker per key, missing when deleted.
  std::map<std::string, std::string> marker;
  for (const std::string& row : Query("select ApkApk, ifnull(ApkDwn,'') from Kvl501Apk")) {
    const std::size_t bar = row.find('|');
    marker["APK|" + row.substr(0, bar)] = row.substr(bar + 1);
  }
  for (const std::string& row :
       Query("select AppApk||'|'||AppApp, ifnull(AppDwn,'') from Kvl504App")) {
    const std::size_t bar = row.rfind('|');
    marker["APP|" + row.substr(0, bar)] = row.substr(bar + 1);
  }

  std::set<std::string> seen_keys;
  std::map<std::string, int> afo_expected = afo_start_;
  for (const Due& d : due_) {
    const std::string tkey = std::to_string(d.terminal) + "|" + d.key;
    const auto l = lines.find(tkey);
    const int count = l == lines.end() ? 0 : l->second;
    seen_keys.insert(tkey);
    const auto m = marker.find(d.key);
    const bool deleted = m == marker.end();
    const bool marked = !deleted && m->second == d.requester;
    if (count > 0) ++r.sent;
    if (count > 1 && !remarked_.count(d.key)) r.extra_lines += count - 1;
    if (marked) {
      ++r.still_due;
      if (finished) broken(d.key + " is still marked");
    } else if (count == 0) {
      broken(d.key + (deleted ? " was deleted" : " was unmarked") + " without a line in SndDnl" +
             std::to_string(d.terminal) + ".buf");
    }
    if (deleted && d.kind != "LOE") broken(d.key + " was deleted though its kind is " + d.kind);
    if (d.position.empty()) continue;
    if (d.kind == "NEU" && !marked && !deleted) ++afo_expected[d.order];
    if (d.kind == "LOE" && deleted) --afo_expected[d.order];
  }
  for (const auto& [tkey, count] : lines) {
    if (foreign_.count(tkey.substr(tkey.find('|') + 1))) continue;
    if (!seen_keys.count(tkey)) broken("a line nobody marked, or in the wrong file: " + tkey);
  }
  for (const std::string& row : Query("select ApkApk, ApkAfo from Kvl501Apk")) {
    const std::size_t bar = row.find('|');
    const std::string order = row.substr(0, bar);
    const auto e = afo_expected.find(order);
    if (e == afo_expected.end()) continue;
    if (row.substr(bar + 1) != std::to_string(e->second)) {
      broken("order " + order + " has ApkAfo " + row.substr(bar + 1) + ", its lines imply " +
             std::to_string(e->second));
    }
  }
  const std::string integrity = Scalar("pragma integrity_check");
  if (integrity != "ok") broken("database integrity: " + integrity);
  return r;
}

}  // namespace jf::test
