// Concurrency harness: runs side by side while the order system edits rows. Rounds of K runs of
// jobfeed and jobfeed-master, for one requester and for two, start together while an editor
// process changes rows (positions, headers, workplaces, persons) and marks them again through
// ordinary SQL, one statement and so one short transaction per edit, as an order system does;
// some runs are killed with SIGKILL at random moments. Then the editor stops and one quiet run
// per requester and program follows. Each edit writes a new version "V<n>" into a column that
// the row's line carries, so the send-buffer files tell which version of a row went out when.
// On every backend:
//   - every row's last line carries its final version, and nothing is left marked;
//   - a deleted row's last line is the LOE line of its final version; a position whose deletion
//     was called off (marked AEN after LOE) is still there;
//   - every edit is in the database: each row holds the last version the editor wrote;
//   - the lines of a row follow the order of its versions;
//   - each order's position count moved by exactly its new positions and its deleted ones;
//   - no message at all: no row failed for a lock, and every run's preparation worked.
// CI runs a short form; scripts/concurrency the long one (JOBFEED_CONC_ROUNDS, JOBFEED_CONC_RUNS,
// JOBFEED_CONC_POSITIONS, JOBFEED_CONC_SEED).
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

#include "support/DueSite.h"

namespace jf::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::atoi(v) : fallback;
}

// A table the harness watches: its key columns, the column the editor versions and where the
// row's line shows that column.
struct Watched {
  const char* type;  // record type of the line that carries the version
  const char* table;
  std::vector<const char*> keys;
  const char *version, *marker, *kind;
  std::size_t at, width;  // of the version in the line's payload
  bool edited;
};
const Watched kWatched[] = {
    {"APK", "Kvl501Apk", {"ApkApk"}, "ApkBz1", "ApkDwn", "ApkDna", 12, 30, true},
    {"APP", "Kvl504App", {"AppApk", "AppApp"}, "AppBz1", "AppDwn", "AppDna", 17, 30, true},
    {"MAG", "Kvl530Apg", {"ApgApg"}, "ApgBez", "ApgDwn", "ApgDna", 10, 30, false},
    {"MAS", "Kvl531Apl", {"AplApl"}, "AplBez", "AplDwn", "AplDna", 10, 30, true},
    {"UBG", "Kvl521Ubg", {"UbgUbg"}, "UbgBez", "UbgDwn", "UbgDna", 5, 30, false},
    {"PNR", "Kvl510Prv", {"PrvPnr"}, "PrvKst", "PrvDwn", "PrvDna", 8, 7, true}};

struct Row {
  const Watched* w = nullptr;
  std::vector<std::string> key;
  std::string requester, kind, version;  // as the harness found them; version: the last written
  bool called_off = false;               // a LOE position the editor marked AEN again
};

// The last n fields of a line of "|"-separated fields after what comes before them, which may
// hold "|" itself (a row's id does).
std::vector<std::string> SplitFromRight(const std::string& line, int n) {
  std::vector<std::string> f(n + 1);
  std::size_t end = line.size();
  for (int i = n; i > 0; --i) {
    const std::size_t bar = end == 0 ? std::string::npos : line.rfind('|', end - 1);
    if (bar == std::string::npos) return {};
    f[i] = line.substr(bar + 1, end - bar - 1);
    end = bar;
  }
  f[0] = line.substr(0, end);
  return f;
}

// "V17" -> 17; a version nobody wrote -> 0.
long VersionNumber(const std::string& v) {
  return v.size() > 1 && v[0] == 'V' ? std::atol(v.c_str() + 1) : 0;
}

class ConcurrencySite : public DueSiteTest {
 protected:
  // Every row marked for R1 or R2, by "TYPE|key" as LineKey names its lines.
  std::map<std::string, Row> Snapshot() {
    std::map<std::string, Row> rows;
    for (const Watched& w : kWatched) {
      for (const std::string& line : Query(RowsQuery(w))) {
        const auto f = SplitFromRight(line, 3);  // id, version, marker, kind
        if (f[2] != "R1" && f[2] != "R2") continue;
        Row& r = rows[f[0]];
        r.w = &w;
        for (std::size_t at = f[0].find('|'); at != std::string::npos;) {
          const std::size_t next = f[0].find('|', at + 1);
          r.key.push_back(f[0].substr(at + 1, next - at - 1));
          at = next;
        }
        r.version = f[1];
        r.requester = f[2];
        r.kind = f[3];
      }
    }
    return rows;
  }

  // Each row of a watched table as "TYPE|key...|version|marker|kind".
  static std::string RowsQuery(const Watched& w) {
    std::string q = std::string("select '") + w.type + "'";
    for (const char* k : w.keys) q += std::string("||'|'||") + k;
    return q + "," + w.version + ",ifnull(" + w.marker + ",''),ifnull(" + w.kind + ",'') from " +
           w.table;
  }

  // The editor, in a child process with a connection of its own: until `stop` exists, it gives a
  // random row a new version and marks it again for its requester, keeping a download kind still
  // pending (a new or withdrawn row stays so) and, now and then, calling a position's deletion
  // off. Each edit goes to `log` as "id|version|rows touched|called off"; the last line is
  // "wait|<longest statement in ms>".
  pid_t StartEditor(const std::map<std::string, Row>& rows, unsigned seed, const fs::path& log,
                    const fs::path& stop) {
    std::vector<std::pair<std::string, const Row*>> editable;
    for (const auto& [id, r] : rows) {
      if (r.w->edited) editable.emplace_back(id, &r);
    }
    std::fflush(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    sqlite3* db = nullptr;
    sqlite3_open(db_path().string().c_str(), &db);
    // It waits for the database as the runs do, trying every millisecond (a minute at most).
    sqlite3_busy_handler(
        db, [](void*, int tries) { return tries < 60000 ? sqlite3_sleep(1) + 1 : 0; }, nullptr);
    std::mt19937 rng(seed);
    std::FILE* out = std::fopen(log.string().c_str(), "w");
    double longest = 0;
    for (long n = 1; !fs::exists(stop) && ::getppid() == parent; ++n) {
      const auto& [id, r] = editable[rng() % editable.size()];
      const Watched& w = *r->w;
      const bool call_off = r->kind == "LOE" && w.type == std::string("APP") && rng() % 2 == 0;
      std::string sql = std::string("update ") + w.table + " set " + w.version + "=?," + w.marker +
                        "=?," + w.kind +
                        (call_off ? "='AEN'" : "=coalesce(" + std::string(w.kind) + ",'AEN')") +
                        " where " + w.keys[0] + "=?" +
                        (w.keys.size() > 1 ? std::string(" and ") + w.keys[1] + "=?" : "");
      const std::string version = "V" + std::to_string(n);
      sqlite3_stmt* s = nullptr;
      sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
      sqlite3_bind_text(s, 1, version.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(s, 2, r->requester.c_str(), -1, SQLITE_TRANSIENT);
      for (std::size_t k = 0; k < r->key.size(); ++k) {
        sqlite3_bind_text(s, static_cast<int>(k + 3), r->key[k].c_str(), -1, SQLITE_TRANSIENT);
      }
      const auto start = Clock::now();
      const int rc = sqlite3_step(s);
      longest = std::max(longest,
                         std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      sqlite3_finalize(s);
      if (rc != SQLITE_DONE) std::fprintf(out, "error|%s\n", sqlite3_errmsg(db));
      std::fprintf(out, "%s|%s|%d|%d\n", id.c_str(), version.c_str(), sqlite3_changes(db),
                   call_off ? 1 : 0);
      std::this_thread::sleep_for(std::chrono::microseconds(500 + rng() % 2500));
    }
    std::fprintf(out, "wait|%.1f\n", longest);
    std::fclose(out);
    sqlite3_close(db);
    ::_exit(0);
  }
};

using ConcurrencyHarness = OnBothBackends<ConcurrencySite>;

TEST_P(ConcurrencyHarness, RunsSideBySideWithEditsLoseNoUpdate) {
  const int rounds = EnvInt("JOBFEED_CONC_ROUNDS", 4);
  const int runs = EnvInt("JOBFEED_CONC_RUNS", 4);
  const int positions = EnvInt("JOBFEED_CONC_POSITIONS", 100);
  const unsigned seed = EnvInt("JOBFEED_CONC_SEED", 0) != 0
                            ? static_cast<unsigned>(EnvInt("JOBFEED_CONC_SEED", 0))
                            : std::random_device{}();
  std::mt19937 rng(seed);
  AddTerminals();
  MarkRows(positions, "R1", "A");
  MarkRows(positions, "R2", "B");
  MarkMasterRows(std::max(positions / 5, 4), "R1", "M");
  MarkMasterRows(std::max(positions / 5, 4), "R2", "N");
  std::map<std::string, Row> rows = Snapshot();
  const fs::path log = root() / "edits.txt", stop = root() / "stop";
  const pid_t editor = StartEditor(rows, seed, log, stop);

  // Rounds of runs: even rounds all for R1, odd ones for both requesters; a third of them
  // jobfeed-master. A jobfeed run marks a header and a position (of those that are neither new
  // nor withdrawn, which would change their count) and applies a random action keyword.
  const int orders = (positions + 4) / 5;
  int started = 0, killed = 0;
  double longest_run = 0, kill_window = 300;
  for (int round = 0; round < rounds; ++round) {
    std::vector<std::pair<pid_t, int>> live;  // pid, kill delay (-1: none)
    for (int k = 0; k < runs; ++k) {
      const std::string requester = round % 2 == 0 || k % 2 == 0 ? "R1" : "R2";
      std::vector<std::string> args{requester};
      const char* program = JOBFEED_MASTER_BIN;
      if (k % 3 != 2) {
        program = JOBFEED_BIN;
        const int o = static_cast<int>(rng() % orders);
        int p = 0;
        while ((o * 5 + p) % 4 != 1 && (o * 5 + p) % 4 != 2) ++p;
        char order[16];
        std::snprintf(order, sizeof order, "%s%05d", requester == "R1" ? "A" : "B", o);
        static const char* const kActions[] = {"SPERR", "FREI*", "BEGIN", "KEIN"};
        args.insert(args.end(), {order, std::to_string(10 * (p + 1)), kActions[rng() % 4]});
      }
      const int delay =
          rng() % 3 == 0 ? static_cast<int>(rng() % static_cast<int>(kill_window)) : -1;
      live.emplace_back(StartProgram(program, args), delay);
      ++started;
    }
    const auto start = Clock::now();
    for (auto& [pid, delay] : live) {
      int status = 0;
      const int waited =
          static_cast<int>(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      bool ended = delay >= 0 && WaitFor(pid, std::max(0, delay - waited), &status);
      if (delay >= 0 && !ended) {
        ::kill(pid, SIGKILL);
        ++killed;
      }
      if (!ended) {
        ASSERT_TRUE(WaitFor(pid, 300000, &status)) << "a run did not end";
      }
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0);
        longest_run = std::max(longest_run, ms);
        kill_window = std::max(50.0, ms);
      }
    }
  }
  std::ofstream(stop).put('\n');
  int status = 0;
  ASSERT_TRUE(WaitFor(editor, 120000, &status));

  // The editor's versions: the last one each row holds, unless the row was gone by then.
  int edits = 0;
  double longest_wait = 0;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("wait|", 0) == 0) longest_wait = std::atof(line.c_str() + 5);
    if (line.rfind("error|", 0) == 0) ADD_FAILURE() << "an edit failed: " << line;
    const auto f = SplitFromRight(line, 3);  // id, version, rows touched, called off
    if (f.size() < 4 || f[2] != "1") continue;
    Row& r = rows[f[0]];
    r.version = f[1];
    r.called_off = r.called_off || f[3] == "1";
    ++edits;
  }

  // The quiet runs: the arguments name no order, so they only send what is still due.
  for (const char* requester : {"R1", "R2"}) {
    ASSERT_EQ(RunCommand(JOBFEED_BIN, {requester, "NOSUCH", "1", "KEIN"}), 0);
    ASSERT_EQ(RunCommand(JOBFEED_MASTER_BIN, {requester}), 0);
  }

  // Each row's lines in file order: (version, download kind); every file whole lines.
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> lines;
  std::map<std::string, std::string> file_of;
  int violations = 0, lost = 0, total_lines = 0;
  auto broken = [&](const std::string& what) {
    if (++violations <= 20) ADD_FAILURE() << what << " (seed " << seed << ")";
  };
  for (const auto& entry : fs::directory_iterator(buffer_dir())) {
    const std::string bytes = ReadBytes(entry.path());
    if (bytes.size() % 552 != 0) broken(entry.path().filename().string() + " is not whole lines");
    for (std::size_t at = 0; at + 552 <= bytes.size(); at += 552, ++total_lines) {
      const std::string line = bytes.substr(at, 552);
      const std::string id = LineKey(line);
      const auto r = rows.find(id);
      if (r == rows.end()) continue;
      std::string v = line.substr(111 + r->second.w->at, r->second.w->width);
      v.erase(v.find_last_not_of(' ') + 1);
      lines[id].emplace_back(v, line.substr(108, 3));
      if (file_of.emplace(id, entry.path().string()).first->second != entry.path().string())
        broken(id + " has lines in two files");
    }
  }
  // id -> version and marker of the rows still there
  std::map<std::string, std::pair<std::string, std::string>> now;
  std::map<std::string, int> afo;  // order -> expected ApkAfo
  for (const auto& [id, r] : rows) {
    if (r.w->type == std::string("APK")) afo[r.key[0]] += 5;
    if (r.w->type == std::string("APP") && r.kind == "NEU") ++afo[r.key[0]];
  }
  for (const Watched& w : kWatched) {
    for (const std::string& line : Query(RowsQuery(w))) {
      const auto f = SplitFromRight(line, 3);
      now[f[0]] = {f[1], f[2]};
    }
  }
  for (const auto& [id, r] : rows) {
    const auto& l = lines[id];
    for (std::size_t i = 1; i < l.size(); ++i) {
      if (VersionNumber(l[i].first) < VersionNumber(l[i - 1].first))
        broken(id + ": " + l[i].first + " went out after " + l[i - 1].first);
    }
    const auto n = now.find(id);
    if (n == now.end()) {
      if (r.called_off) broken(id + " was deleted though its deletion was called off");
      if (l.empty() || l.back() != std::make_pair(r.version, std::string("LOE")))
        broken(id + " was deleted without the LOE line of " + r.version);
      if (r.w->type == std::string("APP") && r.kind == "LOE") --afo[r.key[0]];
      continue;
    }
    const auto& [version, marker] = n->second;
    if (version != r.version) ++lost, broken(id + " holds " + version + ", not " + r.version);
    if (!marker.empty()) broken(id + " is still marked for " + marker);
    if (l.empty() || l.back().first != version)
      broken(id + "'s last line carries " + (l.empty() ? "nothing" : l.back().first) +
             ", the row " + version);
  }
  for (const auto& [order, expected] : afo) {
    const std::string got = Scalar("select ApkAfo from Kvl501Apk where ApkApk='" + order + "'");
    if (got != std::to_string(expected))
      broken("order " + order + " counts " + got + " positions, not " + std::to_string(expected));
  }
  int lock_failures = 0;
  for (const Entry& e : Messages()) {
    lock_failures += e.code == "-54" || e.code == "-60";
    broken("message " + e.function + ": " + e.message + " " + e.code);
  }
  std::printf(
      "concurrency harness (%s): seed %u, %d rounds of %d runs (%d started, %d killed), %d edits "
      "of %zu rows, %d lines; %d lost updates, %d rows failed for a lock, %d broken rules; "
      "longest editor lock wait %.0f ms, longest run %.0f ms\n",
      BackendName(backend()), seed, rounds, runs, started, killed, edits, rows.size(), total_lines,
      lost, lock_failures, violations, longest_wait, longest_run);
}

JF_ON_BOTH_BACKENDS(ConcurrencyHarness);

}  // namespace
}  // namespace jf::test
