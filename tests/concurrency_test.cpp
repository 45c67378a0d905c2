// Concurrency harness (docs/RELIABILITY.md): rounds of K runs of jobfeed and jobfeed-master side
// by side, for one requester and for two, some killed with SIGKILL at random moments, while an
// editor process changes rows and marks them again through ordinary SQL, one statement per
// edit as an order system does; then one quiet run per requester and program. Each edit writes a
// version "V<n>" into a column the row's line carries, so the send-buffer files show which
// version of a row went out when. CI runs a short form, scripts/concurrency the long one.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "db/sql/Status.h"
#include "support/DueSite.h"

namespace jf::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double MillisSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// A watched table: its key columns, the column the editor versions (none: not edited) and where
// the row's line shows the version.
struct Watched {
  const char *type, *table, *key, *key2, *version, *marker, *kind;
  std::size_t at, width;  // of the version in the line's payload
  bool edited;
};
const Watched kWatched[] = {
    {"APK", "Kvl501Apk", "ApkApk", nullptr, "ApkBz1", "ApkDwn", "ApkDna", 12, 30, true},
    {"APP", "Kvl504App", "AppApk", "AppApp", "AppBz1", "AppDwn", "AppDna", 17, 30, true},
    {"MAG", "Kvl530Apg", "ApgApg", nullptr, "ApgBez", "ApgDwn", "ApgDna", 10, 30, false},
    {"MAS", "Kvl531Apl", "AplApl", nullptr, "AplBez", "AplDwn", "AplDna", 10, 30, true},
    {"UBG", "Kvl521Ubg", "UbgUbg", nullptr, "UbgBez", "UbgDwn", "UbgDna", 5, 30, false},
    {"PNR", "Kvl510Prv", "PrvPnr", nullptr, "PrvKst", "PrvDwn", "PrvDna", 8, 7, true}};

struct Row {
  const Watched* w = nullptr;
  std::string key, key2, version, marker, kind;  // version: the last one written
  bool called_off = false;                       // a LOE position marked AEN again
};

// The first n "|"-separated fields of a line and, last, the rest (which may hold "|").
std::vector<std::string> Fields(const std::string& line, int n) {
  std::vector<std::string> f;
  std::size_t at = 0;
  for (int i = 0; i < n && at <= line.size(); ++i) {
    const std::size_t bar = std::min(line.find('|', at), line.size());
    f.push_back(line.substr(at, bar - at));
    at = bar + 1;
  }
  f.push_back(at <= line.size() ? line.substr(at) : "");
  return f;
}

long VersionNumber(const std::string& v) {  // "V17" -> 17; the inserted text -> 0
  return v.size() > 1 && v[0] == 'V' ? std::atol(v.c_str() + 1) : 0;
}

class ConcurrencySite : public DueSiteTest {
 protected:
  // Every row of the watched tables by the id of its lines ("APP|order|position"): version,
  // marker, kind.
  std::map<std::string, Row> Rows() {
    std::map<std::string, Row> rows;
    for (const Watched& w : kWatched) {
      const std::string key2 = w.key2 != nullptr ? std::string("||'|'||") + w.key2 : "";
      for (const std::string& line :
           Query(std::string("select ") + w.version + ",ifnull(" + w.marker + ",''),ifnull(" +
                 w.kind + ",''),'" + w.type + "|'||" + w.key + key2 + " from " + w.table)) {
        const auto f = Fields(line, 3);
        const auto k = Fields(f[3], 2);
        rows[f[3]] = Row{&w, k[1], k[2], f[0], f[1], f[2]};
      }
    }
    return rows;
  }

  // The editor, a child process with a connection of its own: until `stop` exists, it gives a
  // random row a new version and marks it again for its requester, keeping a pending new or
  // withdrawn kind and now and then calling a position's deletion off. It logs each edit as
  // "version|rows touched|called off|id", and last "wait|<longest statement in ms>".
  pid_t StartEditor(const std::vector<const Row*>& rows, unsigned seed, const fs::path& log,
                    const fs::path& stop) {
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    if (const pid_t pid = ::fork(); pid != 0) return pid;
    // It waits for the database as the runs do (support/TestDb.h).
    const std::unique_ptr<TestDb> db = OpenTestDb(db_path().string());
    std::mt19937 rng(seed);
    std::FILE* out = std::fopen(log.string().c_str(), "w");
    double longest = 0;
    for (long n = 1; !fs::exists(stop) && ::getppid() == parent; ++n) {
      const Row& r = *rows[rng() % rows.size()];
      const Watched& w = *r.w;
      const bool call_off = r.kind == "LOE" && w.key2 != nullptr && rng() % 2 == 0;
      const std::string version = "V" + std::to_string(n);
      const std::string sql =
          std::string("update ") + w.table + " set " + w.version + "='" + version + "'," +
          w.marker + "='" + r.marker + "'," + w.kind +
          (call_off ? "='AEN'" : "=coalesce(" + std::string(w.kind) + ",'AEN')") + " where " +
          w.key + "='" + r.key + "'" +
          (w.key2 ? std::string(" and ") + w.key2 + "='" + r.key2 + "'" : "");
      const auto start = Clock::now();
      std::string why;
      const auto touched = db->Query(sql + " returning 1", &why);
      if (!why.empty()) std::fprintf(out, "error|%s\n", why.c_str());
      longest = std::max(longest, MillisSince(start));
      std::fprintf(out, "%s|%d|%d|%s|%s\n", version.c_str(), static_cast<int>(touched.size()),
                   call_off, w.type, (r.key + (w.key2 ? "|" + r.key2 : "")).c_str());
      std::this_thread::sleep_for(std::chrono::microseconds(500 + rng() % 2500));
    }
    std::fprintf(out, "wait|%.1f\n", longest);
    std::fclose(out);
    ::_exit(0);
  }
};

using ConcurrencyHarness = OnEveryBackendWith<ConcurrencySite, Grouping>;

TEST_P(ConcurrencyHarness, RunsSideBySideWithEditsLoseNoUpdate) {
  test_case().Use();
  const int rounds = EnvInt("JOBFEED_CONC_ROUNDS", 6), runs = EnvInt("JOBFEED_CONC_RUNS", 4);
  const int positions = EnvInt("JOBFEED_CONC_POSITIONS", 100);
  const unsigned seed = EnvInt("JOBFEED_CONC_SEED", 0) != 0
                            ? static_cast<unsigned>(EnvInt("JOBFEED_CONC_SEED", 0))
                            : std::random_device{}();
  std::mt19937 rng(seed);
  AddTerminals();
  for (const char* r : {"R1", "R2"}) {
    MarkRows(positions, r, r == std::string("R1") ? "A" : "B");
    MarkMasterRows(std::max(positions / 5, 4), r, r == std::string("R1") ? "M" : "N");
  }
  std::map<std::string, Row> rows;  // the rows due at the start
  std::vector<const Row*> editable;
  for (const auto& [id, r] : Rows()) {
    if (r.marker == "R1" || r.marker == "R2") rows[id] = r;
  }
  for (const auto& [id, r] : rows) {
    if (r.w->edited) editable.push_back(&r);
  }
  const fs::path log = root() / "edits.txt", stop = root() / "stop";
  const pid_t editor = StartEditor(editable, seed, log, stop);

  // Even rounds all for R1, odd ones for both requesters; every third run jobfeed-master. A
  // jobfeed run marks a header and one of its positions that is neither new nor withdrawn (a
  // kind it would replace) and applies a random action keyword.
  int started = 0, killed = 0;
  double longest_run = 0, kill_window = 300;
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::pair<pid_t, int>> live;  // pid, kill delay in ms (-1: none)
    for (int k = 0; k < runs; ++k) {
      const std::string requester = round % 2 == 0 || k % 2 == 0 ? "R1" : "R2";
      std::vector<std::string> args{requester};
      if (k % 3 != 2) {
        static const char* const kActions[] = {"SPERR", "FREI*", "BEGIN", "KEIN"};
        const int o = static_cast<int>(rng() % ((positions + 4) / 5));
        const int p = o % 4 == 0 ? 1 : o % 4 == 3 ? 2 : 0;  // kinds go round NEU, AEN, STA, LOE
        char order[16];
        std::snprintf(order, sizeof order, "%s%05d", requester == "R1" ? "A" : "B", o);
        args.insert(args.end(), {order, std::to_string(10 * (p + 1)), kActions[rng() % 4]});
      }
      const int delay = rng() % 3 == 0 ? static_cast<int>(rng() % int(kill_window)) : -1;
      live.emplace_back(StartProgram(k % 3 != 2 ? JOBFEED_BIN : JOBFEED_MASTER_BIN, args), delay);
      ++started;
    }
    const auto begun = Clock::now();
    for (auto& [pid, delay] : live) {
      int status = 0;
      const bool ended =
          delay >= 0 && WaitFor(pid, std::max(0, delay - int(MillisSince(begun))), &status);
      if (delay >= 0 && !ended) {
        ::kill(pid, SIGKILL);
        ++killed;
      }
      if (!ended) {
        ASSERT_TRUE(WaitFor(pid, 300000, &status)) << "a run did not end";
      }
      if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0);
        longest_run = std::max(longest_run, MillisSince(begun));
        kill_window = std::max(50.0, MillisSince(begun));
      }
    }
  }
  std::ofstream(stop).put('\n');
  int status = 0;
  ASSERT_TRUE(WaitFor(editor, 120000, &status));
  int edits = 0;
  double longest_wait = 0;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    const auto f = Fields(line, 3);  // version, rows touched, called off, id
    if (f[0] == "wait") longest_wait = std::atof(f[1].c_str());
    if (f[0] == "error") ADD_FAILURE() << "an edit failed: " << line;
    if (f.size() < 4 || f[1] != "1") continue;  // the row was gone
    rows[f[3]].version = f[0];
    rows[f[3]].called_off |= f[2] == "1";
    ++edits;
  }

  // The quiet runs name no order: they only send what is still due.
  for (const char* requester : {"R1", "R2"}) {
    ASSERT_EQ(RunCommand(JOBFEED_BIN, {requester, "NOSUCH", "1", "KEIN"}), 0);
    ASSERT_EQ(RunCommand(JOBFEED_MASTER_BIN, {requester}), 0);
  }

  // Whole lines, every row sent and none left marked, deletions only as the kind asks, the
  // position counts, the other requester's rows untouched: the promises the crash harness checks.
  const Report report = CheckPromises("after the quiet runs", true);
  int violations = report.violations, lost = 0, lines_sent = 0, lock_failures = 0;
  auto broken = [&](const std::string& what) {
    if (++violations <= 20) ADD_FAILURE() << what << " (seed " << seed << ")";
  };
  // Each row's lines in file order: version and download kind.
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> lines;
  for (const auto& file : fs::directory_iterator(buffer_dir())) {
    const std::string bytes = ReadBytes(file.path());
    for (std::size_t at = 0; at + 552 <= bytes.size(); at += 552, ++lines_sent) {
      const std::string line = bytes.substr(at, 552), id = LineKey(line);
      const auto r = rows.find(id);
      if (r == rows.end()) continue;
      std::string v = line.substr(111 + r->second.w->at, r->second.w->width);
      lines[id].emplace_back(v.erase(v.find_last_not_of(' ') + 1), line.substr(108, 3));
    }
  }
  const std::map<std::string, Row> now = Rows();
  for (const auto& [id, r] : rows) {
    const auto& l = lines[id];
    for (std::size_t i = 1; i < l.size(); ++i) {
      if (VersionNumber(l[i].first) < VersionNumber(l[i - 1].first))
        broken(id + ": " + l[i].first + " went out after " + l[i - 1].first);
    }
    const auto n = now.find(id);
    if (n == now.end()) {  // deleted: after the LOE line of its last version
      if (r.called_off) broken(id + " was deleted though its deletion was called off");
      if (l.empty() || l.back() != std::make_pair(r.version, std::string("LOE")))
        broken(id + " was deleted without the LOE line of " + r.version);
      continue;
    }
    if (n->second.version != r.version) {
      ++lost;
      broken(id + " holds " + n->second.version + ", not " + r.version);
    }
    if (l.empty() || l.back().first != n->second.version)
      broken(id + "'s last line carries " + (l.empty() ? "nothing" : l.back().first) +
             ", the row " + n->second.version);
  }
  // A send-buffer file another run held past the writer's wait: on a loaded machine a group
  // may keep its file that long. The writer's entry and the download's own for the row that
  // could not be sent (other runs' entries may come between them) are no broken rule: the row
  // stayed due and the quiet runs sent it, as the promises above check.
  const std::vector<Entry> entries = Messages();
  const int held_files =
      static_cast<int>(std::count_if(entries.begin(), entries.end(), [](const Entry& e) {
        return e.function == "CreateFile" && e.code == "32";
      }));
  int unsent_for_held = 0;
  for (const Entry& e : entries) {
    if (e.function == "CreateFile" && e.code == "32") continue;
    if (e.code == "-1" && e.message.rfind("Fehler beim Senden von ", 0) == 0 &&
        unsent_for_held < held_files) {
      ++unsent_for_held;
      continue;
    }
    lock_failures += e.code == "-54" || e.code == "-60";
    broken("message " + e.function + ": " + e.message + " " + e.code);
  }
  std::printf(
      "concurrency harness (%s, %s): seed %u, %d rounds of %d runs (%d started, %d killed), %d "
      "edits of %zu rows, %d lines; %d lost updates, %d rows failed for a lock, %d broken rules, "
      "%d rows that found their file held; longest lock wait of the editor %.0f ms, longest run "
      "%.0f ms\n",
      BackendName(backend()), test_case().name, seed, rounds, runs, started, killed, edits,
      rows.size(), lines_sent, lost, lock_failures, violations, held_files, longest_wait,
      longest_run);
  // Other processes wait for a run's rows no longer than the lock wait, far from it in fact.
  EXPECT_LT(longest_wait, sql::kLockWaitSeconds * 1000.0);
}

JF_ON_EVERY_BACKEND_WITH(ConcurrencyHarness, ::testing::Values(kGrouped, kSingle));

}  // namespace
}  // namespace jf::test
