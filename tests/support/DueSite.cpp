#include "support/DueSite.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <thread>

#include "download/DnlGroup.h"

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

std::string LineKey(const std::string& line) {
  const std::string type = line.substr(90, 3);
  const std::string p = line.substr(111);
  if (type == "APP") return type + "|" + Trim(p.substr(0, 12)) + "|" + Trim(p.substr(12, 5));
  if (type == "MAG" || type == "MAS") return type + "|" + Trim(p.substr(0, 10));
  if (type == "UBG") return type + "|" + Trim(p.substr(1, 4));
  if (type == "PNR") return type + "|" + Trim(p.substr(0, 8));
  if (type == "AWN") return type + "|" + Trim(p.substr(8, 8));
  if (type == "KST") return type + "|" + Trim(p.substr(0, 7));
  return type + "|" + Trim(p.substr(0, 12));
}

int Grouping::Limit() const {
  return rows > 0 ? rows : DnlGroupLimits{}.rows;
}

void Grouping::Use() const {
  if (rows > 0) {
    ::setenv("JOBFEED_GROUP_ROWS", std::to_string(rows).c_str(), 1);
  } else {
    ::unsetenv("JOBFEED_GROUP_ROWS");
  }
}

pid_t StartProgram(const char* program, const std::vector<std::string>& args) {
  std::fflush(nullptr);  // or the child would write the parent's buffered output again
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> argv{const_cast<char*>(program)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execv(program, argv.data());
    ::_exit(127);
  }
  return pid;
}

bool WaitFor(pid_t pid, int ms, int* status) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (::waitpid(pid, status, WNOHANG) == pid) return true;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void DueSiteTest::TearDown() {
  kGrouped.Use();
  OrderSiteTest::TearDown();
}

void DueSiteTest::AddTerminals() {
  AddTerminal(3, "10.1.0.3", "4001", "100", "199");
  AddTerminal(5, "10.1.0.5", "4001", "200", "299");
  AddTerminal(12, "10.1.0.12", "4002", "300", "399");
}

void DueSiteTest::MarkRows(int positions, const std::string& requester, const std::string& prefix) {
  markings_.push_back({positions, requester, prefix});
  InsertRows(markings_.back(), true);
}

void DueSiteTest::MarkMasterRows(int each, const std::string& requester,
                                 const std::string& prefix) {
  markings_.push_back({each, requester, prefix, true});
  InsertMasterRows(markings_.back(), true);
}

void DueSiteTest::ResetRows() {
  Sql("begin");
  for (const Marking& m : markings_) {
    const std::string like = " like '" + m.prefix + "%'";
    if (m.master) {
      Sql("delete from Kvl530Apg where ApgApg" + like);
      Sql("delete from Kvl537Ksg where KsgApg" + like);
      Sql("delete from Kvl531Apl where AplApl" + like);
      Sql("delete from Kvl521Ubg where UbgUbg" + like);
      Sql("delete from Kvl510Prv where PrvPnr" + like);
    } else {
      Sql("delete from Kvl504App where AppApk" + like);
      Sql("delete from Kvl501Apk where ApkApk" + like);
    }
  }
  Sql("commit");
  for (const Marking& m : markings_) {
    if (m.master) {
      InsertMasterRows(m, false);
    } else {
      InsertRows(m, false);
    }
  }
}

void DueSiteTest::InsertMasterRows(const Marking& m, bool remember) {
  static const char* const kKinds[3] = {"AEN", "LOE", "NEU"};
  const std::string& p = m.prefix;
  Sql("begin");
  if (remember && Scalar("select count(*) from Kvl559Fbe") == "0") {
    Sql("insert into Kvl559Fbe (FbeFbe,FbeTyp) values ('110',1),('250',1),('310',2)");
    Sql("insert into o1003Kststelle (KstNum) values ('K1'),('K2')");
    for (const char* kst : {"KST|K1", "KST|K2"}) {
      for (int terminal : {3, 5}) due_.push_back({kst, "", "", "", "", terminal, {}, false, true});
    }
  }
  // Index `each` is the row of the other requester.
  for (int i = 0; i <= m.positions; ++i) {
    const bool ours = i < m.positions;
    const std::string requester = ours ? m.requester : "ANDERER";
    const int t = i % 3;
    const std::string area = std::to_string(100 * (t + 1) + i % 50);
    const std::string kind = ours ? kKinds[i % 3] : "AEN";
    char n[16];
    std::snprintf(n, sizeof n, "%03d", i);
    const std::string group = p + "G" + n;
    const std::string place = p + "W" + n;
    const std::string reason = p + n;
    std::snprintf(n, sizeof n, "%06d", i);
    const std::string person = p + "P" + n;
    const std::string badge = p + "B" + n;
    // Persons: AEN, LOE leaving (PrvAwa 3), LOE keeping the person (PrvAwa 1), NEU.
    const std::string person_kind = ours ? (i % 4 == 3   ? "NEU"
                                            : i % 4 == 0 ? "AEN"
                                                         : "LOE")
                                         : "AEN";
    const int awa = ours && i % 4 == 1 ? 3 : 1;

    Sql("insert into Kvl530Apg (ApgApg,ApgBez,ApgTxt,ApgFbe,ApgKst,ApgZf1,ApgApl,ApgDna,ApgDwn,"
        "ApgErf) values ('" +
        group + "','Gruppe " + n + "','Text','" + area + "','ALT','Z1',4,'" + kind + "','" +
        requester + "','PPS')");
    Sql("insert into Kvl537Ksg (KsgApg,KsgGvo,KsgGbi,KsgFbe,KsgKst,KsgSta,KsgErf) values ('" +
        group + "',julianday('2020-01-01'),NULL,'" + area + "','K" + std::to_string(i % 2 + 1) +
        "',0,'PPS')");
    Sql("insert into Kvl531Apl (AplApl,AplBez,AplTxt,AplApg,AplFbe,AplSts,AplApr,AplZf1,AplDna,"
        "AplDwn,AplErf) values ('" +
        place + "','Platz " + n + "','Text','" + group + "','" + area + "',1,12,'Z1','" + kind +
        "','" + requester + "','PPS')");
    Sql("insert into Kvl521Ubg (UbgUbg,UbgKnz,UbgFbe,UbgBez,UbgTxt,UbgDna,UbgDwn,UbgErf) values "
        "('" +
        reason + "'," + std::to_string(i % 2 + 1) + ",'" + area + "','Grund " + n + "','T','" +
        kind + "','" + requester + "','PPS')");
    Sql("insert into Kvl510Prv (PrvPnr,PrvGvo,PrvBer,PrvKst,PrvFbe,PrvDna,PrvDwn,PrvAwa,PrvAwn,"
        "PrvAnw,PrvApl,PrvNam,PrvErf) values ('" +
        person + "',julianday('2020-01-01')," + std::to_string(i % 2 + 1) + ",'K1','" + area +
        "','" + person_kind + "','" + requester + "'," + std::to_string(awa) + ",'" + badge +
        "',1,7,'Name','PPS')");
    if (!remember) continue;
    if (!ours) {
      for (const std::string& q : {"select * from Kvl530Apg where ApgApg='" + group + "'",
                                   "select * from Kvl531Apl where AplApl='" + place + "'",
                                   "select * from Kvl521Ubg where UbgUbg='" + reason + "'",
                                   "select * from Kvl510Prv where PrvPnr='" + person + "'"}) {
        untouched_[q] = Query(q);
      }
      continue;
    }
    const int terminal = kTerminals[t];
    const bool loe = kind == "LOE";
    due_.push_back({"MAG|" + group, "", "", kind, requester, terminal, {}, loe});
    due_.push_back({"MAS|" + place, "", "", kind, requester, terminal, {}, loe});
    due_.push_back({"UBG|" + reason, "", "", kind, requester, terminal, {}, loe});
    due_.push_back({"PRV|" + person,
                    "",
                    "",
                    person_kind,
                    requester,
                    terminal,
                    {"PNR|" + person, "AWN|" + person},
                    person_kind == "LOE" && awa == 3});
  }
  Sql("commit");
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
      due_.push_back(
          {"APK|" + std::string(order), order, "", hk, m.requester, kTerminals[t], {}, false});
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
        due_.push_back({"APP|" + std::string(order) + "|" + pos,
                        order,
                        pos,
                        pk,
                        m.requester,
                        kTerminals[t],
                        {},
                        pk == "LOE"});
      }
    }
  }
  Sql("commit");
}

std::map<std::string, int> DueSiteTest::Lines(int* bad, std::string* why, bool torn_tail) {
  std::map<std::string, int> out;
  *bad = 0;
  if (!fs::exists(buffer_dir())) return out;
  for (const auto& entry : fs::directory_iterator(buffer_dir())) {
    const std::string name = entry.path().filename().string();
    int terminal = 0;
    if (std::sscanf(name.c_str(), "SndDnl%d.buf", &terminal) != 1) continue;
    const std::string bytes = ReadBytes(entry.path());
    const std::string_view tail =
        std::string_view(bytes).substr(bytes.size() - bytes.size() % kLineBytes);
    if (!tail.empty() && !(torn_tail && tail[0] == '$' && tail.find('\n') == tail.npos)) {
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
      ++out[std::to_string(terminal) + "|" + LineKey(line)];
    }
  }
  return out;
}

DueSiteTest::Report DueSiteTest::CheckPromises(const std::string& when, bool finished,
                                               bool torn_tail) {
  Report r;
  auto broken = [&](const std::string& what) {
    ++r.violations;
    if (r.violations <= 20) ADD_FAILURE() << when << ": " << what;
  };
  int bad = 0;
  std::string why;
  const std::map<std::string, int> lines = Lines(&bad, &why, torn_tail);
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
  if (std::any_of(markings_.begin(), markings_.end(), [](const Marking& m) { return m.master; })) {
    for (const char* q : {"select 'MAG|'||ApgApg, ifnull(ApgDwn,'') from Kvl530Apg",
                          "select 'MAS|'||AplApl, ifnull(AplDwn,'') from Kvl531Apl",
                          "select 'UBG|'||UbgUbg, ifnull(UbgDwn,'') from Kvl521Ubg",
                          "select 'PRV|'||PrvPnr, ifnull(PrvDwn,'') from Kvl510Prv"}) {
      for (const std::string& row : Query(q)) {
        const std::size_t bar = row.rfind('|');
        marker[row.substr(0, bar)] = row.substr(bar + 1);
      }
    }
  }

  std::set<std::string> seen_keys;
  std::map<std::string, int> afo_expected = afo_start_;
  for (const Due& d : due_) {
    // A row counts as sent when each of its lines went out; it was sent again when one of them
    // went out more than once.
    int count = -1;
    int most = 0;
    for (const std::string& key : d.lines.empty() ? std::vector<std::string>{d.key} : d.lines) {
      const std::string tkey = std::to_string(d.terminal) + "|" + key;
      const auto l = lines.find(tkey);
      const int n = l == lines.end() ? 0 : l->second;
      seen_keys.insert(tkey);
      count = count < 0 ? n : std::min(count, n);
      most = std::max(most, n);
    }
    if (d.everyRun) {
      if (count > 0) ++r.sent;
      if (finished && count == 0)
        broken(d.key + " never went to terminal " + std::to_string(d.terminal));
      continue;
    }
    const auto m = marker.find(d.key);
    const bool deleted = m == marker.end();
    const bool marked = !deleted && m->second == d.requester;
    if (count > 0) ++r.sent;
    if (most > 1 && !remarked_.count(d.key)) r.extra_lines += most - 1;
    if (marked) {
      ++r.still_due;
      if (finished) broken(d.key + " is still marked");
    } else if (count == 0) {
      broken(d.key + (deleted ? " was deleted" : " was unmarked") + " without a line in SndDnl" +
             std::to_string(d.terminal) + ".buf");
    }
    if (deleted && !d.deletable) broken(d.key + " was deleted though its kind is " + d.kind);
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
  for (const auto& [query, rows] : untouched_) {
    if (Query(query) != rows) broken("a row of another requester changed: " + query);
  }
  // A client killed or failing cannot damage a server's files; an SQLite file it writes itself.
  if (backend() != BackendKind::kPostgres) {
    const std::string integrity = Scalar("pragma integrity_check");
    if (integrity != "ok") broken("database integrity: " + integrity);
  }
  return r;
}

}  // namespace jf::test
