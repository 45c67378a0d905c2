// jobfeed-bench: runs the real jobfeed and jobfeed-master on generated sites and sets each run
// against its durable-write floor, measured on the same disk right before and after the run.
//
//   jobfeed-bench --jobfeed PATH --master PATH --dir FOLDER [--smoke] [--case CASE]...
//                 [--repeat R] [--keep] [--terminal] [--g1] [--against JOBFEED MASTER [--rounds R]]
//                 [--postgres PG-SERVER-SCRIPT [--proxy PROXY --delays MS,MS...]]
//
// With --postgres the sites' rows live on a PostgreSQL server of the benchmark's own (started
// with the script in FOLDER/pg, durable: fsync and synchronous commits on); the floor's commits
// are one-row UPDATE commits on that server, and each run is made a second time in-process on
// a fresh copy of its site to count its round trips. With --proxy and --delays each case runs
// once more for each round-trip delay given (milliseconds), on a fresh copy of its site, through
// the delaying proxy (jobfeed-bench-proxy, half the delay each way), its login naming the server
// as postgresql://127.0.0.1:PORT/...: the run's round trips seen from outside, as the proxy's
// turns and as the wall time it gains over the run through the proxy without a delay.
//
// A case N:T:M is the order run on N marked positions over T terminals plus M unmarked
// positions; MAS:N:T and PNR:N:T are jobfeed-master on N marked workplaces or persons over T
// terminals. A case runs with the programs' default groups; CASE@G runs it with groups of G rows
// (JOBFEED_GROUP_ROWS=G), CASE@1 a commit per row; CASE+J runs it with the download journal
// (JOBFEED_JOURNAL=1). Without --case the standard cases run: 10000:4:0, 10000:4:0@1 and
// 10000:4:0+J, 100000:4:0, the empty run 0:4:1000000, MAS:10000:4 and
// MAS:10000:4@1, MAS:100000:4, PNR:10000:4 and PNR:10000:4@1, PNR:100000:4. --g1 adds the @1
// run of every case given.
//
// --against runs each case instead on two builds side by side: the programs given and the
// programs of another build (an older one), each on a freshly generated copy of the same site,
// alternating which goes first, R rounds (default 3). The disk's flush latency drifts within
// minutes, so only times taken in one such interleaved series are compared.
//
// A run's standard error goes to a file in the site, as under a scheduler. With --terminal each
// case runs a second time, on a site generated afresh, with a pseudo-terminal as its standard
// error, so that it shows its progress and summary: the cost of the display.
#include <fcntl.h>
#include <pty.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/Floor.h"
#include "bench/PgSite.h"
#include "bench/Proxy.h"
#include "bench/Site.h"
#include "download/DnlGroup.h"
#include "login/Login.h"

namespace fs = std::filesystem;
using jf::bench::SiteFacts;
using jf::bench::SiteOptions;

namespace {

struct Case {
  std::string kind;       // "" the order run; "MAS" or "PNR" the master data run of that kind
  int64_t positions = 0;  // marked positions, or workplaces or persons
  int terminals = 4;
  int64_t unmarked = 0;
  bool terminal = false;  // standard error a pseudo-terminal: the run shows its progress
  int groupRows = 0;      // rows a group (JOBFEED_GROUP_ROWS); 0: the programs' default
  bool journal = false;   // CASE+J: the run journals every line (JOBFEED_JOURNAL=1)
};

// The rows of a group the run of c makes.
int GroupRows(const Case& c) {
  return c.groupRows > 0 ? c.groupRows : jf::DnlGroupLimits{}.rows;
}

// One run through the delaying proxy.
struct ProxiedRun {
  double delayMs = 0;  // added to each round trip
  double wall = 0;
  int64_t rows = 0;  // rows sent
  jf::bench::ProxyCounts counts;
};

struct Result {
  Case c;
  int64_t rows = 0;           // rows sent (headers and positions, workplaces, persons)
  int64_t expectedLines = 0;  // lines the rows sent make
  int64_t lines = 0;
  int64_t commits = 0;
  int64_t leftMarked = 0;  // rows still marked after the run
  int64_t messages = 0;    // entries in the run's message file
  int exitCode = -1;
  double wall = 0;  // seconds (the median over the repeats)
  double userUs = 0, sysUs = 0;
  long maxRssKb = 0;
  double floorAppends = 0, floorCommits = 0;  // seconds, the mean of before and after the run
  double floorCpuUs = 0;                      // CPU of the floor loop (user + system)
  double floorPre = 0, floorPost = 0;         // the two measurements of the floor, seconds
  jf::postgres::RoundTrips trips;             // PostgreSQL: of a second, in-process run
  int64_t tripRows = 0;                       // the rows that run sent
  std::vector<ProxiedRun> proxied;            // PostgreSQL through the proxy, by delay
};

// Rows marked for the requester, by table and download kind ("APK/AEN", "APP/LOE" ...), in the
// site's SQLite file or, when pg names one, in that PostgreSQL database.
std::map<std::string, int64_t> Marked(const std::string& database, const std::string& pg,
                                      const std::string& requester) {
  std::map<std::string, int64_t> out;
  const std::string queries[] = {
      "select 'APK/' || coalesce(ApkDna,''), count(*) from Kvl501Apk where ApkDwn='" + requester +
          "' group by 1",
      "select 'APP/' || coalesce(AppDna,''), count(*) from Kvl504App where AppDwn='" + requester +
          "' group by 1",
      "select 'MAS/' || coalesce(AplDna,''), count(*) from Kvl531Apl where AplDwn='" + requester +
          "' group by 1",
      "select 'PNR/' || coalesce(PrvDna,''), count(*) from Kvl510Prv where PrvDwn='" + requester +
          "' group by 1"};
  if (!pg.empty()) {
    for (const std::string& q : queries) {
      for (const std::string& row : jf::bench::QueryPostgres(pg, q)) {
        const std::size_t bar = row.find('|');
        out[row.substr(0, bar)] = std::stoll(row.substr(bar + 1));
      }
    }
    return out;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return out;
  }
  for (const std::string& q : queries) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, q.c_str(), -1, &s, nullptr) == SQLITE_OK) {
      while (sqlite3_step(s) == SQLITE_ROW) {
        out[reinterpret_cast<const char*>(sqlite3_column_text(s, 0))] = sqlite3_column_int64(s, 1);
      }
    }
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return out;
}

// Durable commits of a run that sent rows[table] rows of each table ("APK/", "APP/" ...): one
// per group of each download, a download's rows in groups of GroupRows. A row's update or delete
// and, for a position, its order's position count are one unit; the units of a group commit at
// once. With groups of one row a commit per row (strace of a 1,000-position run: 1,130 fdatasync
// calls for 1,109 rows, the two markings and the WAL checkpoints). Groups also end after their
// time (50 ms), which a run on this disk never takes for a group.
int64_t Commits(const std::map<std::string, int64_t>& rows, const Case& c) {
  std::map<std::string, int64_t> perTable;
  for (const auto& [kind, n] : rows) perTable[kind.substr(0, 4)] += n;
  const int64_t g = GroupRows(c);
  int64_t commits = 0;
  for (const auto& [table, n] : perTable) commits += (n + g - 1) / g;
  return commits;
}

// A person goes out as two lines (PNR and AWN); every other row as one.
int LinesPerRow(const std::string& kind) {
  return kind.rfind("PNR/", 0) == 0 ? 2 : 1;
}

std::string CaseName(const Case& c) {
  char name[64];
  if (c.kind.empty()) {
    std::snprintf(name, sizeof name, "%lld:%d:%lld", static_cast<long long>(c.positions),
                  c.terminals, static_cast<long long>(c.unmarked));
  } else {
    std::snprintf(name, sizeof name, "%s:%lld:%d", c.kind.c_str(),
                  static_cast<long long>(c.positions), c.terminals);
  }
  std::string out = name;
  if (c.groupRows > 0) out += "@" + std::to_string(c.groupRows);
  if (c.journal) out += "+J";
  return out + (c.terminal ? " tty" : "");
}

int64_t CountLines(const std::string& folder, bool* whole) {
  int64_t lines = 0;
  *whole = true;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("SndDnl", 0) != 0) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      ++lines;
      if (line.size() + 1 != static_cast<std::size_t>(jf::bench::kLineBytes)) *whole = false;
    }
  }
  return lines;
}

int64_t CountMessages(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  int64_t n = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (line.find("FMSG") != std::string::npos) ++n;
  }
  return n;
}

// Runs jobfeed once in the run folder; wall time and the child's own resource usage. Its
// standard error is a file in the run folder, or a pseudo-terminal whose screen is read and
// dropped.
bool RunOnce(const std::string& jobfeed, const std::string& folder,
             const std::vector<std::string>& args, const Case& c, int* exitCode, double* wall,
             rusage* ru) {
  const bool terminal = c.terminal;
  int err = -1, screen = -1;
  if (terminal) {
    if (::openpty(&screen, &err, nullptr, nullptr, nullptr) != 0) return false;
  } else {
    err = ::open((folder + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err < 0) return false;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (::dup2(err, STDERR_FILENO) < 0 || ::chdir(folder.c_str()) != 0) _exit(127);
    // The groups are the case's, whatever the harness's own environment says.
    ::unsetenv("JOBFEED_GROUP_ROWS");
    ::unsetenv("JOBFEED_GROUP_MS");
    if (c.groupRows > 0) ::setenv("JOBFEED_GROUP_ROWS", std::to_string(c.groupRows).c_str(), 1);
    if (c.journal) ::setenv("JOBFEED_JOURNAL", "1", 1);
    if (screen >= 0) ::close(screen);
    ::close(err);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(jobfeed.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(jobfeed.c_str(), argv.data());
    _exit(127);
  }
  ::close(err);
  // The terminal is read as a person's screen would take it, so the run never waits on it.
  std::thread reader;
  if (screen >= 0) {
    reader = std::thread([screen] {
      char buf[4096];
      while (::read(screen, buf, sizeof buf) > 0) {
      }
    });
  }
  int status = 0;
  const bool waited = ::wait4(pid, &status, 0, ru) == pid;
  *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (reader.joinable()) reader.join();  // the last reader of the terminal has gone: EIO
  if (screen >= 0) ::close(screen);
  if (!waited) return false;
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

double Us(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_usec);
}

struct FloorSample {
  double appends = 0, commits = 0;  // seconds
  double cpuUs = 0;
};

// The floor of a run of c: its lines written through one by one with groups of one row; with
// larger groups written plainly to the case's terminals' files, each flushed at every group's end.
// The floor's commits are on the site's own PostgreSQL server when pg names its database.
bool MeasureFloor(const std::string& folder, const std::string& pg, const Case& c, int64_t lines,
                  int64_t commits, FloorSample* out) {
  rusage a{}, b{};
  ::getrusage(RUSAGE_SELF, &a);
  const int64_t perGroup = int64_t{GroupRows(c)} * (c.kind == "PNR" ? 2 : 1);
  out->appends = perGroup <= 1
                     ? jf::bench::FloorAppends(folder, lines)
                     : jf::bench::FloorGroupedAppends(folder, lines, perGroup, c.terminals);
  out->commits = pg.empty() ? jf::bench::FloorCommits(folder, commits)
                            : jf::bench::FloorCommitsPostgres(pg, commits);
  ::getrusage(RUSAGE_SELF, &b);
  out->cpuUs = Us(b.ru_utime) - Us(a.ru_utime) + Us(b.ru_stime) - Us(a.ru_stime);
  return out->appends >= 0 && out->commits >= 0;
}

struct Programs {
  std::string jobfeed, master;
  std::string pgServer;          // scripts/pg-server: the sites are moved to PostgreSQL
  std::string proxy;             // jobfeed-bench-proxy
  std::vector<double> delaysMs;  // round-trip delays to run each case at through the proxy
};

// The site's rows on the benchmark's PostgreSQL server, in database name. Returns false with
// *error on failure.
bool MoveToPostgres(const Programs& programs, const SiteFacts& f, const std::string& name,
                    std::string* error) {
  return jf::bench::MoveSiteToPostgres(programs.pgServer, f, name, error) == 0;
}

// Runs the case once through the delaying proxy on a fresh copy of its site; false with *error
// when the run cannot be made or does not end well.
bool RunProxied(const Programs& programs, const SiteOptions& o, const Case& c,
                const std::vector<std::string>& args, double delayMs, ProxiedRun* out,
                std::string* error) {
  SiteFacts f;
  const std::string pg = "jf_bench";
  // Afresh: the generator keeps the send-buffer files of earlier runs in the folder.
  std::error_code ec;
  fs::remove_all(o.folder, ec);
  if (jf::bench::GenerateSite(o, &f, error) != 0 || !MoveToPostgres(programs, f, pg, error)) {
    return false;
  }
  const char* host = std::getenv("PGHOST");
  jf::bench::DelayProxy proxy;
  const long eachWayUs = std::lround(delayMs * 1000 / 2);
  if (host == nullptr ||
      !proxy.Start(programs.proxy, std::string(host) + "/.s.PGSQL.5432", eachWayUs, error)) {
    if (host == nullptr) *error = "no PostgreSQL server (PGHOST) for the proxy";
    return false;
  }
  const std::string site = fs::path(f.database).parent_path().string();
  if (jf::WriteLoginFile(site + "/files/quantelor.ini", "jobfeed", "bench",
                         "postgresql://127.0.0.1:" + std::to_string(proxy.port()) + "/" + pg,
                         error) != 0) {
    return false;
  }
  const auto before = Marked(f.database, pg, o.requester);
  int exitCode = -1;
  rusage ru{};
  const std::string& program = c.kind.empty() ? programs.jobfeed : programs.master;
  if (!RunOnce(program, f.runFolder, args, c, &exitCode, &out->wall, &ru)) {
    *error = "cannot run " + program;
    return false;
  }
  if (!proxy.Stop(&out->counts)) {
    *error = "the proxy did not report its counts";
    return false;
  }
  out->delayMs = delayMs;
  const auto after = Marked(f.database, pg, o.requester);
  int64_t left = 0, expectedLines = 0;
  for (const auto& [kind, n] : before) {
    const auto it = after.find(kind);
    const int64_t l = it == after.end() ? 0 : it->second;
    out->rows += n - l;
    expectedLines += (n - l) * LinesPerRow(kind);
    left += l;
  }
  bool whole = true;
  const int64_t lines = CountLines(f.bufFolder, &whole);
  if (exitCode != 0 || left != 0 || !whole || lines != expectedLines ||
      out->counts.connections < 1 || CountMessages(f.runFolder + "/Msg/Jobfeed.txt") != 0) {
    *error = "case " + CaseName(c) + " through the proxy: exit code " + std::to_string(exitCode) +
             ", " + std::to_string(left) + " rows left marked, " + std::to_string(lines) +
             " lines for " + std::to_string(expectedLines) + ", or messages in " + f.runFolder +
             "/Msg/Jobfeed.txt";
    return false;
  }
  return true;
}

bool RunCase(const Programs& programs, const std::string& dir, const Case& c, int repeat, bool keep,
             Result* r, std::string* error) {
  SiteOptions o;
  std::string name = "site-" + CaseName(c);
  for (char& ch : name) {
    if (ch == ':') ch = '-';
  }
  o.folder = dir + "/" + name;
  const bool master = !c.kind.empty();
  o.positions = master ? 0 : c.positions;
  o.workplaces = c.kind == "MAS" ? c.positions : 0;
  o.persons = c.kind == "PNR" ? c.positions : 0;
  o.terminals = c.terminals;
  o.unmarked = c.unmarked;
  SiteFacts f;
  std::error_code ec;
  fs::remove_all(o.folder, ec);
  if (jf::bench::GenerateSite(o, &f, error) != 0) return false;
  const std::string pg = programs.pgServer.empty() ? "" : "jf_bench";
  if (!pg.empty() && !MoveToPostgres(programs, f, pg, error)) return false;

  const auto before = Marked(f.database, pg, o.requester);
  // The disk is shared: its flush latency drifts. The floor is measured right before and right
  // after the run and the mean is taken; its size is known only after the run, so the first
  // measurement is sized from what the generator marked and scaled.
  // The order run marks its named header and position first: two commits.
  const bool marking = !master && c.positions > 0;
  int64_t expectLines = 0;
  const int64_t expectCommits = (marking ? 2 : 0) + Commits(before, c);
  for (const auto& [kind, n] : before) expectLines += n * LinesPerRow(kind);
  FloorSample pre;
  if (!MeasureFloor(o.folder, pg, c, expectLines, expectCommits, &pre)) {
    *error = "the floor loop cannot write in " + o.folder;
    return false;
  }
  // With nothing marked the arguments name no order, so the run only looks for due rows.
  const std::vector<std::string> args =
      master ? std::vector<std::string>{o.requester, c.kind}
             : std::vector<std::string>{o.requester, marking ? f.firstOrder : "0",
                                        marking ? f.firstPosition : "0", "BEGIN"};
  const std::string& program = master ? programs.master : programs.jobfeed;
  // A run that sends rows changes the site: only one that sends nothing can be repeated.
  const int runs = c.positions > 0 ? 1 : std::max(1, repeat);
  std::vector<std::pair<double, rusage>> samples;
  for (int i = 0; i < runs; ++i) {
    rusage ru{};
    double wall = 0;
    if (!RunOnce(program, f.runFolder, args, c, &r->exitCode, &wall, &ru)) {
      *error = "cannot run " + program;
      return false;
    }
    samples.emplace_back(wall, ru);
  }
  std::sort(samples.begin(), samples.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  const auto& median = samples[samples.size() / 2];
  r->c = c;
  r->wall = median.first;
  r->userUs = Us(median.second.ru_utime);
  r->sysUs = Us(median.second.ru_stime);
  r->maxRssKb = median.second.ru_maxrss;

  const auto after = Marked(f.database, pg, o.requester);
  // Marking the named header and position commits once each (they are marked already, as
  // "AEN", so the kinds counted before the run stay right).
  std::map<std::string, int64_t> sent;
  for (const auto& [kind, n] : before) {
    const auto it = after.find(kind);
    const int64_t left = it == after.end() ? 0 : it->second;
    r->rows += n - left;
    r->expectedLines += (n - left) * LinesPerRow(kind);
    r->leftMarked += left;
    sent[kind] = n - left;
  }
  r->commits = (marking ? 2 : 0) + Commits(sent, c);
  bool whole = true;
  r->lines = CountLines(f.bufFolder, &whole);
  if (!whole) {
    *error = "a send-buffer line is not 552 bytes long";
    return false;
  }
  r->messages = CountMessages(f.runFolder + "/Msg/Jobfeed.txt");
  FloorSample post;
  if (!MeasureFloor(o.folder, pg, c, r->lines, r->commits, &post)) {
    *error = "the floor loop cannot write in " + o.folder;
    return false;
  }
  auto scaled = [](double seconds, int64_t done, int64_t wanted) {
    return done > 0 ? seconds * static_cast<double>(wanted) / static_cast<double>(done) : 0.0;
  };
  r->floorAppends = (scaled(pre.appends, expectLines, r->lines) + post.appends) / 2;
  r->floorCommits = (scaled(pre.commits, expectCommits, r->commits) + post.commits) / 2;
  r->floorCpuUs = post.cpuUs;
  r->floorPre =
      scaled(pre.appends, expectLines, r->lines) + scaled(pre.commits, expectCommits, r->commits);
  r->floorPost = post.appends + post.commits;
  if (!pg.empty() && c.positions > 0) {
    // The round trips of the same run, counted in-process on a fresh copy of the site.
    if (jf::bench::GenerateSite(o, &f, error) != 0 || !MoveToPostgres(programs, f, pg, error)) {
      return false;
    }
    std::vector<std::string> argv = args;
    argv.insert(argv.begin(), master ? "jobfeed-master" : "jobfeed");
    // In-process, the run takes its groups from the harness's own environment.
    if (c.groupRows > 0) ::setenv("JOBFEED_GROUP_ROWS", std::to_string(c.groupRows).c_str(), 1);
    if (c.journal) ::setenv("JOBFEED_JOURNAL", "1", 1);
    jf::bench::RunCounted(f, master, argv, &r->trips);
    ::unsetenv("JOBFEED_GROUP_ROWS");
    ::unsetenv("JOBFEED_JOURNAL");
    const auto left = Marked(f.database, pg, o.requester);
    for (const auto& [kind, n] : before) {
      const auto it = left.find(kind);
      r->tripRows += n - (it == left.end() ? 0 : it->second);
    }
  }
  if (!pg.empty() && c.positions > 0) {
    for (const double ms : programs.delaysMs) {
      ProxiedRun run;
      if (!RunProxied(programs, o, c, args, ms, &run, error)) return false;
      r->proxied.push_back(run);
    }
  }
  if (!keep) fs::remove_all(o.folder, ec);
  return true;
}

// The run's CPU per row less the floor loop's: what the program itself spends on a row.
double OwnCpuUs(const Result& r) {
  if (r.rows == 0) return 0;
  return (r.userUs + r.sysUs - r.floorCpuUs) / static_cast<double>(r.rows);
}

// Round trips to PostgreSQL per sent row, by what they were for.
void PrintTrips(const std::vector<Result>& rs) {
  for (const Result& r : rs) {
    if (r.tripRows == 0) continue;
    const jf::postgres::RoundTrips& t = r.trips;
    const double rows = static_cast<double>(r.tripRows);
    std::printf("\nround trips of %s on PostgreSQL, %lld rows sent (%ld statements prepared)\n",
                CaseName(r.c).c_str(), static_cast<long long>(r.tripRows), t.prepares);
    const std::pair<const char*, long> kinds[] = {{"execute", t.execute}, {"commit", t.commit},
                                                  {"fetch", t.fetch},     {"repair", t.repair},
                                                  {"connect", t.connect}, {"all", t.Total()}};
    for (const auto& [what, n] : kinds) {
      std::printf("  %-10s %9ld %10.3f per row\n", what, n, static_cast<double>(n) / rows);
    }
  }
}

// Round trips seen from outside: the proxy's turns, and the wall time a run gains at a delay
// over its run through the proxy without one, in round trips of the delay the proxy really gave
// (on a busy machine its wake-ups come late, and a round trip waits for two of them).
void PrintProxied(const std::vector<Result>& rs) {
  for (const Result& r : rs) {
    if (r.proxied.empty()) continue;
    const ProxiedRun* base = nullptr;
    for (const ProxiedRun& p : r.proxied) {
      if (p.delayMs == 0) base = &p;
    }
    std::printf(
        "\n%s through the delaying proxy (in process: %.3f round trips per sent row, %ld in all)\n",
        CaseName(r.c).c_str(),
        r.tripRows ? static_cast<double>(r.trips.Total()) / static_cast<double>(r.tripRows) : 0.0,
        r.trips.Total());
    std::printf("  %8s %6s %8s %7s %6s %9s %8s %9s %10s\n", "delay ms", "rows", "wall s", "turns",
                "conns", "turns/row", "extra s", "given ms", "extra/row");
    for (const ProxiedRun& p : r.proxied) {
      const double rows = static_cast<double>(std::max<int64_t>(p.rows, 1));
      std::printf("  %8.2f %6lld %8.3f %7ld %6ld %9.3f", p.delayMs, static_cast<long long>(p.rows),
                  p.wall, p.counts.turns, p.counts.connections,
                  static_cast<double>(p.counts.turns) / rows);
      // extra/row: the time gained over the undelayed run, in round trips of the delay, a row.
      if (base != nullptr && p.delayMs > 0) {
        const double extra = p.wall - base->wall;
        const double given = p.counts.RoundTripMs() - base->counts.RoundTripMs();
        std::printf(" %8.3f %9.3f %10.3f", extra, given, extra / (given / 1000) / rows);
      }
      std::printf("\n");
    }
  }
}

void PrintTable(const std::vector<Result>& rs) {
  std::printf("%-17s %7s %7s %7s %8s %8s %7s %7s %7s %7s %7s %8s %6s\n", "case (N:T:M)", "rows",
              "lines", "commits", "wall s", "rows/s", "usr us", "sys us", "cpu us", "own us",
              "RSS MB", "floor s", "ratio");
  for (const Result& r : rs) {
    const std::string name = CaseName(r.c);
    const double rows = static_cast<double>(std::max<int64_t>(r.rows, 1));
    const double floor = r.floorAppends + r.floorCommits;
    std::printf("%-17s %7lld %7lld %7lld %8.3f %8.0f %7.1f %7.1f %7.1f %7.1f %7.1f %8.3f %6.2f\n",
                name.c_str(), static_cast<long long>(r.rows), static_cast<long long>(r.lines),
                static_cast<long long>(r.commits), r.wall, static_cast<double>(r.rows) / r.wall,
                r.userUs / rows, r.sysUs / rows, (r.userUs + r.sysUs) / rows, OwnCpuUs(r),
                static_cast<double>(r.maxRssKb) / 1024.0, floor, r.wall > 0 ? floor / r.wall : 0.0);
  }
  std::printf(
      "\n(cpu us = user + system CPU microseconds per row; own us = cpu us less the floor loop's\n"
      " CPU per row; floor s = the same 552-byte appends (O_DSYNC each with groups of one row,\n"
      " else an fdatasync of each terminal's file per group) and synchronous=FULL WAL commits by\n"
      " a minimal loop; @G: groups of G rows, else the default groups)\n");
  for (const Result& r : rs) {
    if (r.lines == 0 && r.commits == 0) continue;
    std::printf(
        "floor of %s: %.0f us per append, %.0f us per commit; the floor loop itself "
        "takes %.1f us CPU per row\n",
        CaseName(r.c).c_str(), r.lines ? r.floorAppends * 1e6 / static_cast<double>(r.lines) : 0.0,
        r.commits ? r.floorCommits * 1e6 / static_cast<double>(r.commits) : 0.0,
        r.rows ? r.floorCpuUs / static_cast<double>(r.rows) : 0.0);
    std::printf("  floor before the run %.3f s, after %.3f s: ratio %.2f to %.2f\n", r.floorPre,
                r.floorPost, std::min(r.floorPre, r.floorPost) / r.wall,
                std::max(r.floorPre, r.floorPost) / r.wall);
  }
}

// Judges the figures of the standard cases against the targets.
void PrintTargets(const std::vector<Result>& rs) {
  const Result* small = nullptr;
  const Result* large = nullptr;
  const Result* empty = nullptr;
  const Result* master[2][2] = {};  // [MAS, PNR][10,000, 100,000]
  // [order, MAS, PNR]: the default groups' run of 10,000 rows and its run with a group a row.
  const Result* grouped[3] = {};
  const Result* single[3] = {};
  for (const Result& r : rs) {
    if (r.c.terminal || r.c.journal || r.c.unmarked != 0 || r.c.positions != 10000) continue;
    const int k = r.c.kind.empty() ? 0 : r.c.kind == "MAS" ? 1 : 2;
    if (r.c.groupRows == 0) grouped[k] = &r;
    if (r.c.groupRows == 1) single[k] = &r;
  }
  for (const Result& r : rs) {
    if (r.c.terminal || r.c.journal || r.c.groupRows != 0) continue;
    if (!r.c.kind.empty()) {
      const int k = r.c.kind == "MAS" ? 0 : 1;
      if (r.c.positions == 10000) master[k][0] = &r;
      if (r.c.positions == 100000) master[k][1] = &r;
      continue;
    }
    if (r.c.positions == 10000 && r.c.terminals == 4 && r.c.unmarked == 0) small = &r;
    if (r.c.positions == 100000 && r.c.unmarked == 0) large = &r;
    if (r.c.positions == 0 && r.c.unmarked >= 1000000) empty = &r;
  }
  auto line = [](const char* what, double value, const char* unit, bool met) {
    std::printf("  %-48s %10.3f %-3s %s\n", what, value, unit, met ? "met" : "MISSED");
  };
  std::printf("\ntargets\n");
  if (small != nullptr) {
    const double ratio = (small->floorAppends + small->floorCommits) / small->wall;
    line("N=10,000 floor/actual >= 0.7", ratio, "", ratio >= 0.7);
    const double cpu = (small->userUs + small->sysUs) / static_cast<double>(small->rows);
    line("N=10,000 cpu per row <= 60 us", cpu, "us", cpu <= 60);
  }
  if (large != nullptr) {
    const double cpu = (large->userUs + large->sysUs) / static_cast<double>(large->rows);
    line("N=100,000 cpu per row <= 60 us", cpu, "us", cpu <= 60);
    const double mb = static_cast<double>(large->maxRssKb) / 1024.0;
    line("N=100,000 peak RSS <= 16 MB", mb, "MB", mb <= 16);
  }
  if (small != nullptr && large != nullptr) {
    const double d = static_cast<double>(large->maxRssKb - small->maxRssKb) / 1024.0;
    line("peak RSS N=100,000 - N=10,000 <= 2 MB", d, "MB", d <= 2);
    const double t = large->wall / small->wall;
    line("time N=100,000 / time N=10,000 <= 11", t, "", t <= 11);
  }
  if (empty != nullptr) {
    line("empty run on 1,000,000 positions <= 20 ms", empty->wall * 1000, "ms",
         empty->wall <= 0.020);
  }
  const char* const kinds[3] = {"positions", "workplaces", "persons"};
  for (int k = 0; k < 3; ++k) {
    char what[64];
    if (grouped[k] != nullptr && single[k] != nullptr) {
      const double x = single[k]->wall / grouped[k]->wall;
      std::snprintf(what, sizeof what, "%s N=10,000 G=1 time / group time >= 5", kinds[k]);
      line(what, x, "", x >= 5);
    }
    if (grouped[k] != nullptr) {
      const double own = OwnCpuUs(*grouped[k]);
      std::snprintf(what, sizeof what, "%s N=10,000 groups: own cpu per row <= 40 us", kinds[k]);
      line(what, own, "us", own <= 40);
    }
  }
  const char* const names[2] = {"workplaces", "persons"};
  for (int k = 0; k < 2; ++k) {
    char what[64];
    if (const Result* m = master[k][0]; m != nullptr) {
      const double ratio = (m->floorAppends + m->floorCommits) / m->wall;
      std::snprintf(what, sizeof what, "%s N=10,000 floor/actual >= 0.85", names[k]);
      line(what, ratio, "", ratio >= 0.85);
    }
    if (master[k][0] != nullptr && master[k][1] != nullptr) {
      const double d =
          static_cast<double>(master[k][1]->maxRssKb - master[k][0]->maxRssKb) / 1024.0;
      std::snprintf(what, sizeof what, "%s peak RSS N=100,000 - N=10,000 <= 2 MB", names[k]);
      line(what, d, "MB", d <= 2);
    }
  }
}

// The wall time of one run of a case on a fresh site; false (with *error) when the run did not
// end well, send every marked row and write its lines.
bool TimeOnce(const Programs& programs, const std::string& dir, const Case& c, double* wall,
              std::string* error) {
  SiteOptions o;
  o.folder = dir + "/site-compare";
  const bool master = !c.kind.empty();
  o.positions = master ? 0 : c.positions;
  o.workplaces = c.kind == "MAS" ? c.positions : 0;
  o.persons = c.kind == "PNR" ? c.positions : 0;
  o.terminals = c.terminals;
  o.unmarked = c.unmarked;
  SiteFacts f;
  std::error_code ec;
  fs::remove_all(o.folder, ec);
  if (jf::bench::GenerateSite(o, &f, error) != 0) return false;
  const bool marking = !master && c.positions > 0;
  const std::vector<std::string> args =
      master ? std::vector<std::string>{o.requester, c.kind}
             : std::vector<std::string>{o.requester, marking ? f.firstOrder : "0",
                                        marking ? f.firstPosition : "0", "BEGIN"};
  int exitCode = -1;
  rusage ru{};
  if (!RunOnce(master ? programs.master : programs.jobfeed, f.runFolder, args, c, &exitCode, wall,
               &ru)) {
    *error = "cannot run the programs";
    return false;
  }
  int64_t left = 0;
  for (const auto& [kind, n] : Marked(f.database, "", o.requester)) left += n;
  bool whole = true;
  CountLines(f.bufFolder, &whole);
  if (exitCode != 0 || left != 0 || !whole ||
      CountMessages(f.runFolder + "/Msg/Jobfeed.txt") != 0) {
    *error = "case " + CaseName(c) + ": a run did not end well or left rows marked";
    return false;
  }
  fs::remove_all(o.folder, ec);
  return true;
}

// Both builds on each case, interleaved; prints each case's median times and their ratio.
bool Compare(const Programs& ours, const Programs& theirs, const std::string& dir,
             const std::vector<Case>& cases, int rounds) {
  // Each round's two runs follow each other, so their ratio is little disturbed by the disk's
  // drift; the median of the rounds' ratios is the figure to judge.
  std::printf("%-17s %10s %10s %7s %7s   %s\n", "case", "other s", "this s", "ratio", "median",
              "rounds (other / this, seconds)");
  for (const Case& c : cases) {
    std::vector<double> a, b, ratios;
    std::string detail;
    for (int r = 0; r < rounds; ++r) {
      double ta = 0, tb = 0;
      std::string error;
      // Alternate which build goes first, so a drift of the disk weighs on both alike.
      const bool theirsFirst = r % 2 == 0;
      if (!TimeOnce(theirsFirst ? theirs : ours, dir, c, theirsFirst ? &ta : &tb, &error) ||
          !TimeOnce(theirsFirst ? ours : theirs, dir, c, theirsFirst ? &tb : &ta, &error)) {
        std::fprintf(stderr, "jobfeed-bench: %s\n", error.c_str());
        return false;
      }
      a.push_back(ta);
      b.push_back(tb);
      ratios.push_back(tb / ta);
      char pair[48];
      std::snprintf(pair, sizeof pair, "%s%.3f / %.3f", r ? ", " : "", ta, tb);
      detail += pair;
    }
    for (auto* v : {&a, &b, &ratios}) std::sort(v->begin(), v->end());
    const double ma = a[a.size() / 2], mb = b[b.size() / 2];
    std::printf("%-17s %10.3f %10.3f %7.3f %7.3f   %s\n", CaseName(c).c_str(), ma, mb, mb / ma,
                ratios[ratios.size() / 2], detail.c_str());
  }
  return true;
}

// What the display costs a run that shows it: each case with a terminal against the same case
// without.
void PrintDisplayCost(const std::vector<Result>& rs) {
  bool header = false;
  for (const Result& t : rs) {
    if (!t.c.terminal) continue;
    for (const Result& p : rs) {
      if (p.c.terminal || CaseName(p.c) + " tty" != CaseName(t.c) || p.rows == 0 || t.rows == 0) {
        continue;
      }
      if (!header) std::printf("\nprogress display (standard error a terminal against a file)\n");
      header = true;
      const double cpuP = (p.userUs + p.sysUs) / static_cast<double>(p.rows);
      const double cpuT = (t.userUs + t.sysUs) / static_cast<double>(t.rows);
      std::printf("  %-17s cpu per row %.1f us against %.1f us (%+.1f %%), wall %+.1f %%\n",
                  CaseName(p.c).c_str(), cpuT, cpuP, 100 * (cpuT / cpuP - 1),
                  100 * (t.wall / p.wall - 1));
    }
  }
}

bool ParseCase(const char* whole, Case* c) {
  long long n = 0, m = 0;
  int t = 0;
  std::string_view v = whole;
  if (v.ends_with("+J")) {
    c->journal = true;
    v.remove_suffix(2);
  }
  if (const std::size_t at = v.find('@'); at != std::string_view::npos) {
    c->groupRows = std::atoi(whole + at + 1);
    if (c->groupRows < 1 || c->groupRows > jf::kDnlGroupMaxRows) return false;
    v = v.substr(0, at);
  }
  const std::string kept(v);
  const char* text = kept.c_str();
  if (v.rfind("MAS:", 0) == 0 || v.rfind("PNR:", 0) == 0) {
    if (std::sscanf(text + 4, "%lld:%d", &n, &t) != 2 || n < 0 || t < 1 || t > 99) return false;
    c->kind = std::string(v.substr(0, 3));
  } else if (std::sscanf(text, "%lld:%d:%lld", &n, &t, &m) != 3 || n < 0 || m < 0 || t < 1 ||
             t > 99) {
    return false;
  }
  c->positions = n;
  c->terminals = t;
  c->unmarked = m;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Programs programs, against;
  int rounds = 3;
  std::string dir;
  std::vector<Case> cases;
  bool smoke = false, keep = false, terminal = false, g1 = false;
  int repeat = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    Case c;
    if (a == "--jobfeed" && hasValue) {
      programs.jobfeed = argv[++i];
    } else if (a == "--master" && hasValue) {
      programs.master = argv[++i];
    } else if (a == "--dir" && hasValue) {
      dir = argv[++i];
    } else if (a == "--case" && hasValue && ParseCase(argv[i + 1], &c)) {
      cases.push_back(c);
      ++i;
    } else if (a == "--repeat" && hasValue) {
      repeat = std::atoi(argv[++i]);
    } else if (a == "--against" && i + 2 < argc) {
      against.jobfeed = fs::absolute(argv[++i]).string();
      against.master = fs::absolute(argv[++i]).string();
    } else if (a == "--rounds" && hasValue) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--smoke") {
      smoke = true;
    } else if (a == "--keep") {
      keep = true;
    } else if (a == "--terminal") {
      terminal = true;
    } else if (a == "--g1") {
      g1 = true;
    } else if (a == "--postgres" && hasValue) {
      programs.pgServer = fs::absolute(argv[++i]).string();
    } else if (a == "--proxy" && hasValue) {
      programs.proxy = fs::absolute(argv[++i]).string();
    } else if (a == "--delays" && hasValue) {
      std::stringstream list(argv[++i]);
      std::string ms;
      while (std::getline(list, ms, ',')) programs.delaysMs.push_back(std::atof(ms.c_str()));
    } else {
      std::fprintf(
          stderr,
          "usage: jobfeed-bench --jobfeed PATH --master PATH --dir FOLDER [--smoke] "
          "[--case N:T:M | MAS:N:T | PNR:N:T[@G][+J]]... [--repeat R] [--keep] [--terminal] "
          "[--g1] [--against JOBFEED MASTER [--rounds R]] [--postgres PG-SERVER-SCRIPT "
          "[--proxy PROXY --delays MS,MS...]]\n");
      return 2;
    }
  }
  if (programs.jobfeed.empty() || programs.master.empty() || dir.empty()) {
    std::fprintf(stderr, "jobfeed-bench: --jobfeed, --master and --dir are required\n");
    return 2;
  }
  if (!programs.delaysMs.empty() && (programs.proxy.empty() || programs.pgServer.empty())) {
    std::fprintf(stderr, "jobfeed-bench: --delays needs --proxy and --postgres\n");
    return 2;
  }
  for (const double ms : programs.delaysMs) {
    if (!(ms >= 0 && ms <= 1000)) {
      std::fprintf(stderr, "jobfeed-bench: a delay is 0 to 1000 ms\n");
      return 2;
    }
  }
  if (cases.empty()) {
    cases = smoke ? std::vector<Case>{{"", 200, 4, 0},
                                      {"", 200, 4, 0, false, 1},
                                      {"", 200, 4, 0, false, 0, true},
                                      {"", 0, 4, 2000},
                                      {"MAS", 200, 4, 0},
                                      {"PNR", 200, 4, 0}}
                  : std::vector<Case>{{"", 10000, 4, 0},
                                      {"", 10000, 4, 0, false, 1},
                                      {"", 10000, 4, 0, false, 0, true},
                                      {"", 100000, 4, 0},
                                      {"", 0, 4, 1000000},
                                      {"MAS", 10000, 4, 0},
                                      {"MAS", 10000, 4, 0, false, 1},
                                      {"MAS", 100000, 4, 0},
                                      {"PNR", 10000, 4, 0},
                                      {"PNR", 10000, 4, 0, false, 1},
                                      {"PNR", 100000, 4, 0}};
  }
  if (g1) {
    const std::size_t n = cases.size();
    for (std::size_t i = 0; i < n; ++i) {
      if (cases[i].groupRows == 1) continue;
      cases.push_back(cases[i]);
      cases.back().groupRows = 1;
    }
  }
  if (terminal) {
    const std::size_t n = cases.size();
    for (std::size_t i = 0; i < n; ++i) {
      cases.push_back(cases[i]);
      cases.back().terminal = true;
    }
  }
  // Each case runs with its own groups, whatever the harness's environment says.
  ::unsetenv("JOBFEED_GROUP_ROWS");
  ::unsetenv("JOBFEED_GROUP_MS");
  std::error_code ec;
  fs::create_directories(dir, ec);
  programs.jobfeed = fs::absolute(programs.jobfeed).string();
  programs.master = fs::absolute(programs.master).string();
  dir = fs::absolute(dir).string();

  if (!against.jobfeed.empty()) return Compare(programs, against, dir, cases, rounds) ? 0 : 1;

  if (!programs.pgServer.empty()) {
    std::string error;
    if (jf::bench::StartPostgres(programs.pgServer, dir + "/pg", &error) != 0) {
      std::fprintf(stderr, "jobfeed-bench: %s\n", error.c_str());
      return 1;
    }
  }
  std::vector<Result> results;
  for (const Case& c : cases) {
    Result r;
    std::string error;
    if (!RunCase(programs, dir, c, smoke ? 1 : repeat, keep, &r, &error)) {
      std::fprintf(stderr, "jobfeed-bench: %s\n", error.c_str());
      return 1;
    }
    results.push_back(r);
  }
  PrintTable(results);
  PrintTrips(results);
  PrintProxied(results);
  PrintDisplayCost(results);
  if (!smoke) PrintTargets(results);

  // Whatever the figures, a run must end well, send every marked row and write one line for
  // each.
  int failures = 0;
  for (const Result& r : results) {
    if (r.exitCode != 0 || r.lines != r.expectedLines || r.messages != 0 || r.leftMarked != 0) {
      std::fprintf(stderr,
                   "jobfeed-bench: case %s: exit code %d, %lld lines for %lld sent "
                   "rows, %lld rows left marked, %lld messages\n",
                   CaseName(r.c).c_str(), r.exitCode, static_cast<long long>(r.lines),
                   static_cast<long long>(r.rows), static_cast<long long>(r.leftMarked),
                   static_cast<long long>(r.messages));
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
