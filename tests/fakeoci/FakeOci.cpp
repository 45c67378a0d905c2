// A fake Oracle client library: exports the OCI functions the Oracle backend uses and runs what
// it receives on an SQLite database through the embedded backend (so through its dialect). The
// net service name given at logon is the database file's path. It counts every call and the
// round trips a real client would make for it, and fails any call on demand (FakeOciControl.h).
//
// Round trips, as Oracle's client makes them: logon, logoff, execute, commit and rollback are one
// each (an execute with OCI_COMMIT_ON_SUCCESS commits in its own); a query's execute brings back
// the first rows (as many as OCI_ATTR_PREFETCH_ROWS, default 1), and a fetch costs one only when
// those are used up, bringing one row plus the prefetch count; prepare, bind, define, attributes,
// error texts and statement release are local.
//
// Texts: the server side is a database of AL32UTF8 (the SQLite file, whose texts the embedded
// backend passes as stored). A client of AL32UTF8 (the backend's) gets and gives every character
// as it is; one of WE8MSWIN1252 has its texts converted, a character the code page lacks becoming
// the set's replacement character, "¿" (0xBF), as Oracle converts them. OCI_ATTR_SERVER of a
// session gives its server handle (the session itself), whose OCI_ATTR_SERVER_STATUS tells
// whether the session is gone.
//
// Locks: a locking read, UPDATE or DELETE first locks the row its WHERE names (RowLocks.h, a
// side file that sessions of several processes share; a read of many rows by their keys, each of
// them, and when one is held, none that the read locked itself), then the database's one write
// lock, which the session keeps until its transaction ends; a savepoint set before the
// transaction's first lock or write waits for it. A row another session holds fails "for update
// nowait" with ORA-00054 and "for update wait N" after N seconds with ORA-30006; a write waits up
// to its call timeout (ORA-03156), or the lock wait without one (ORA-00054). A session that has not
// written yet lets go of its row while it waits for the write lock, so only one transaction at a
// time holds rows. A wait past the lock wait for the database file itself fails as before.
//
// Latency: FAKEOCI_DELAY_US makes every round trip counted above wait that many microseconds, as
// a server across a network would (off when unset).
//
// Call timeout: a session's round trip (execute, fetch, commit, rollback, logoff) that takes
// longer than its OCI_ATTR_CALL_TIMEOUT, network delay and the server's time together (a slow
// rule gives the latter), is broken off at the timeout, and the client resets the call, which may
// take another timeout. A server that answers the reset (one merely busy) undoes the statement:
// the call fails with ORA-03156 and the session stays. One that does not (a silent rule, or a
// network slower than the timeout) leaves the session unusable: the call fails with ORA-03114,
// the server status says not connected. A logon has no call timeout yet.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include "db/Cp1252.h"
#include "db/oracle/Oci.h"
#include "db/sql/Backend.h"
#include "db/sql/LockWait.h"
#include "db/sql/Status.h"
#include "db/sqlite/SqliteBackend.h"
#include "fakeoci/FakeCatalog.h"
#include "fakeoci/FakeOciControl.h"
#include "fakeoci/LockedRow.h"
#include "fakeoci/RowLocks.h"
#include "platform/Env.h"

using namespace jf::oracle;  // NOLINT: the fake speaks the interface's own names

namespace jf::oracle {

struct OCISvcCtx;

// A row of an array execute that failed, kept with the execute's error handle (OCIParamGet).
struct BatchError {
  ub4 offset = 0;
  sb4 code = 0;
  std::string text;
};

struct OCIError {
  sb4 code = 0;
  std::string text;
  ub4 row_offset = 0;             // OCI_ATTR_DML_ROW_OFFSET of a batch error's handle
  std::vector<BatchError> batch;  // the failed rows of the last array execute
};

struct OCIEnv {
  ub2 charset = 0;                // 0: the client's default (NLS_LANG)
  OCIError error;                 // of a failed (or warned) creation
  std::set<OCISvcCtx*> sessions;  // not logged off yet: freeing the environment frees them
};

struct OCIBind {
  void* value = nullptr;
  sb4 size = 0;
  ub2 dty = 0;
  sb2* ind = nullptr;
  ub2* alen = nullptr;
};

struct OCIDefine {
  void* value = nullptr;
  sb4 size = 0;
  ub2 dty = 0;
  sb2* ind = nullptr;
  ub2* rlen = nullptr;
  ub2* rcode = nullptr;
};

struct OCIStmt {
  OCISvcCtx* svc = nullptr;  // nullptr once the session ended
  std::string text;
  ub2 kind = 0;
  ub4 prefetch = 1;  // the client's default
  std::unique_ptr<jf::sql::BackendStmt> db;
  std::map<ub4, std::unique_ptr<OCIBind>> binds;
  std::map<ub4, std::unique_ptr<OCIDefine>> defines;
  std::vector<std::string> bound_texts;  // the values of the last execute, as a server has them
  ub4 row_count = 0;
  std::vector<ub8> row_counts;  // per row of the last array execute, when it was asked for
  ub4 dml_errors = 0;           // rows of the last array execute that failed
  bool executed = false;
  bool done = false;
  ub4 buffered = 0;  // rows the last round trip brought that are not fetched yet
};

struct OCISvcCtx {
  OCIEnv* env = nullptr;
  std::unique_ptr<jf::sql::Backend> db;
  std::string user;
  bool cache = false;   // logged on with a statement cache
  ub4 cache_size = 20;  // the client's default
  bool dead = false;    // the connection is lost
  bool open_transaction = false;
  std::list<std::unique_ptr<OCIStmt>> cached;  // released statements, most recent first
  std::set<OCIStmt*> held;                     // statements in the client's hands
  bool catalog = false;                        // the data dictionary views were made
  ub4 call_timeout = 0;                        // OCI_ATTR_CALL_TIMEOUT, milliseconds
  int server_status = OCI_SERVER_NORMAL;       // OCI_ATTR_SERVER_STATUS of its server handle
  // The session's row locks; none when the database's folder cannot take their file.
  std::unique_ptr<jf::fakeoci::RowLocks> locks;
  // Savepoints set since the transaction began, not yet given to the database: it has written
  // nothing, and takes the database's write lock only with what it first locks or writes.
  std::vector<std::string> pending_savepoints;
  bool writing = false;  // holds the database's write lock until the transaction ends
};

}  // namespace jf::oracle

namespace {

// The calls a rule applies to: the nth (0: every one) call of the function on a statement whose
// text holds text.
struct CallRule {
  std::string function, text;
  int nth = 0;
  int seen = 0;
  // Counts a call of the function on such a statement; whether the rule applies to it.
  bool Applies(const char* called, const std::string& statement) {
    if (function != called || statement.find(text) == std::string::npos) return false;
    ++seen;
    return nth == 0 || seen == nth;
  }
};

// A call that fails with ora, before or after it takes effect.
struct Rule : CallRule {
  int ora = 0;
  bool after = false;
};

struct Count {
  long calls = 0;
  long round_trips = 0;
};

// A round trip the server makes slow: the call takes millis more, or never gets its answer
// (silent).
struct SlowRule : CallRule {
  int millis = 0;
  bool silent = false;
};

struct State {
  std::vector<Rule> rules;
  std::vector<SlowRule> slow;
  int time_scale = 1;  // the fake's own waits pass this many times faster
  std::map<std::pair<std::string, std::string>, Count> counts;
  std::string last_logon;
  bool env_read = false;
  int open_cursors = 50;  // the server's OPEN_CURSORS
};

State& S() {
  // Never destroyed: the counts are written out by the exit handler below, which may run after
  // the destructors of function-local statics.
  static State* s = new State;
  return *s;
}

void WriteStats();

struct StatsAtExit {
  ~StatsAtExit() { WriteStats(); }
} g_stats_at_exit;

void WriteStats() {
  const char* path = std::getenv("FAKEOCI_STATS");
  if (path == nullptr || *path == '\0') return;
  std::FILE* f = std::fopen(path, "w");
  if (f == nullptr) return;
  for (const auto& [key, c] : S().counts) {
    std::fprintf(f, "%s\t%ld\t%ld\t%s\n", key.first.c_str(), c.calls, c.round_trips,
                 key.second.c_str());
  }
  std::fclose(f);
}

void AddRule(const char* function, const char* text, int nth, int ora, bool after) {
  S().rules.push_back(Rule{{function != nullptr ? function : "", text != nullptr ? text : "", nth},
                           ora < 0 ? -ora : ora,
                           after});
}

// The entries of a variable of rules, "A|B|C|D[|E]" separated by ";", each split at its "|".
std::vector<std::vector<std::string>> EnvEntries(const char* name) {
  std::vector<std::vector<std::string>> entries;
  const char* spec = std::getenv(name);
  if (spec == nullptr) return entries;
  std::string all(spec);
  std::size_t at = 0;
  while (at <= all.size()) {
    std::size_t end = all.find(';', at);
    if (end == std::string::npos) end = all.size();
    const std::string entry = all.substr(at, end - at);
    at = end + 1;
    std::vector<std::string> f;
    std::size_t p = 0;
    for (;;) {
      const std::size_t bar = entry.find('|', p);
      f.push_back(entry.substr(p, bar - p));
      if (bar == std::string::npos) break;
      p = bar + 1;
    }
    if (f.size() >= 4) entries.push_back(std::move(f));
  }
  return entries;
}

// FAKEOCI_FAIL and FAKEOCI_SLOW, read once.
void ReadEnvRules() {
  State& s = S();
  if (s.env_read) return;
  s.env_read = true;
  for (const auto& f : EnvEntries("FAKEOCI_FAIL")) {
    AddRule(f[0].c_str(), f[1].c_str(), std::atoi(f[2].c_str()), std::atoi(f[3].c_str()),
            f.size() > 4 && f[4] == "after");
  }
  for (const auto& f : EnvEntries("FAKEOCI_SLOW")) {
    s.slow.push_back(SlowRule{{f[0], f[1], std::atoi(f[2].c_str())},
                              std::atoi(f[3].c_str()),
                              f.size() > 4 && f[4] == "silent"});
  }
}

const char* KnownText(int ora) {
  switch (ora) {
    case 28:
      return "your session has been killed";
    case 54:
      return "resource busy and acquire with NOWAIT specified or timeout expired";
    case 60:
      return "deadlock detected while waiting for resource";
    case 30006:
      return "resource busy; acquire with WAIT timeout expired";
    case 1000:
      return "maximum open cursors exceeded";
    case 1002:
      return "fetch out of sequence";
    case 1008:
      return "not all variables bound";
    case 1403:
      return "no data found";
    case 1406:
      return "fetched column value was truncated";
    case 1455:
      return "converting column overflows integer datatype";
    case 3113:
      return "end-of-file on communication channel";
    case 3114:
      return "not connected to ORACLE";
    case 3135:
      return "connection lost contact";
    case 3156:
      return "OCI call timed out";
    case 28002:
      return "the password will expire within 7 days";
    case 12705:
      return "Cannot access NLS data files or invalid environment specified";
    case 24315:
      return "illegal attribute type";
    case 24333:
      return "zero iteration count";
    default:
      return "error injected by the fake client";
  }
}

// The numbers under which the real client reports a session that is gone. A call broken off at
// the call timeout (3156) leaves the session as it was.
bool LosesConnection(int ora) {
  constexpr int kLost[] = {28, 1012, 1089, 1092, 3113, 3114, 3135, 12537, 12547, 12570, 12583};
  return std::find(std::begin(kLost), std::end(kLost), ora) != std::end(kLost);
}

sword SetError(OCIError* err, int ora, const std::string& text = "") {
  if (err != nullptr) {
    err->code = ora;
    char head[16];
    std::snprintf(head, sizeof head, "ORA-%05d: ", ora);
    err->text = head + (text.empty() ? std::string(KnownText(ora)) : text);
  }
  return OCI_ERROR;
}

// The transaction ended: its rows and the database's write lock are free.
void EndLocks(OCISvcCtx* svc) {
  if (svc->locks) svc->locks->ReleaseAll();
  svc->pending_savepoints.clear();
  svc->writing = false;
}

// The session is gone: the server rolled back what it left open.
void Drop(OCISvcCtx* svc) {
  if (svc == nullptr || svc->dead) return;
  svc->dead = true;
  svc->server_status = OCI_SERVER_NOT_CONNECTED;
  if (svc->db) svc->db->Rollback();
  svc->open_transaction = false;
  EndLocks(svc);
}

// Counts a call; returns the ORA number it must fail with (0: none) for rules of the given
// timing (before or after the call takes effect).
int Fault(const char* function, const std::string& text, bool after) {
  State& s = S();
  if (!after) ++s.counts[{function, text}].calls;
  for (Rule& r : s.rules) {
    if (r.after == after && r.Applies(function, text)) return r.ora;
  }
  return 0;
}

// FAKEOCI_DELAY_US, read once: the wait a round trip costs on the way to the server and back.
std::chrono::microseconds RoundTripDelay() {
  static const std::chrono::microseconds delay = [] {
    const char* v = std::getenv("FAKEOCI_DELAY_US");
    const long us = v != nullptr ? std::strtol(v, nullptr, 10) : 0;
    // At most a second: a typing error must not stall a run for hours.
    return std::chrono::microseconds(std::clamp(us, 0L, 1'000'000L));
  }();
  return delay;
}

// Waits as long as the server would take, at the fake's time scale.
void Pass(std::chrono::microseconds span) {
  if (span.count() > 0) std::this_thread::sleep_for(span / S().time_scale);
}

// The round trip of a call: the network's delay there and back and the server's time for it,
// bounded by the session's call timeout (none for svc nullptr, before a session exists).
// Returns 0, or the ORA number the call fails with: 3156 past the timeout, 3114 when the server
// did not answer the reset either and the session is gone; 3113 for a server that never
// answers a call without a timeout.
int RoundTrip(OCISvcCtx* svc, const char* function, const std::string& text) {
  using std::chrono::microseconds;
  ++S().counts[{function, text}].round_trips;
  const microseconds delay = RoundTripDelay();
  microseconds server{0};
  bool silent = false;
  for (SlowRule& r : S().slow) {
    if (!r.Applies(function, text)) continue;
    server += std::chrono::milliseconds(r.millis);
    silent = silent || r.silent;
  }
  const microseconds limit =
      std::chrono::milliseconds(svc != nullptr && !svc->dead ? svc->call_timeout : 0);
  if (limit.count() == 0) {
    Pass(delay + server);
    if (!silent) return 0;
    Drop(svc);
    return 3113;
  }
  if (!silent && delay + server <= limit) {
    Pass(delay + server);
    return 0;
  }
  // Broken off: the client's reset has another timeout to come back, which a busy server
  // answers at once and a silent one, or one further away than the timeout, never.
  Pass(limit);
  if (silent || delay > limit) {
    Pass(limit);
    Drop(svc);
    return 3114;
  }
  return 3156;
}

// Fails the call with an injected error; a lost connection takes the session down with it.
sword Inject(OCISvcCtx* svc, OCIError* err, int ora) {
  if (LosesConnection(ora)) Drop(svc);
  return SetError(err, ora);
}

sword FromStatus(OCIError* err, jf::sql::Backend* db, int status) {
  if (status == 0) return OCI_SUCCESS;
  if (status == jf::sql::kNotFound) {
    SetError(err, 1403);
    return OCI_NO_DATA;
  }
  return SetError(err, -status, db != nullptr ? db->LastErrorText() : "");
}

// The statement type the server tells after parsing: from the first word, after any blanks,
// comments and opening parentheses.
ub2 KindOf(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i])) || text[i] == '(') {
      ++i;
    } else if (text.compare(i, 2, "--") == 0) {
      i = std::min(text.find('\n', i), text.size());
    } else if (text.compare(i, 2, "/*") == 0) {
      i = std::min(text.find("*/", i + 2), text.size() - 2) + 2;
    } else {
      break;
    }
  }
  std::string word;
  while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) {
    word += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
  }
  if (word == "select" || word == "with") return OCI_STMT_SELECT;
  if (word == "update") return OCI_STMT_UPDATE;
  if (word == "delete") return OCI_STMT_DELETE;
  if (word == "insert") return OCI_STMT_INSERT;
  if (word == "begin") return OCI_STMT_BEGIN;
  if (word == "declare") return OCI_STMT_DECLARE;
  return 0;
}

// The client character sets the fake knows: UTF-8, the database's own, and Windows-1252, into
// which Oracle converts a character the code page lacks as the replacement character the set
// defines, the inverted question mark. (Oracle's definition also maps a few characters to a
// related letter instead; the fake does not.) An environment of any other fails as one the client
// does not know; one of the client's default (0) reads NLS_LANG and fails when it names a
// character set the fake does not know.
constexpr ub2 kWin1252 = 178;
constexpr char kWin1252Replacement = '\xBF';

// A text of the database, in UTF-8, as a Windows-1252 client receives it; a byte that starts no
// valid sequence is not a character either.
std::string ToWin1252(std::string_view utf8) {
  std::string out;
  while (!utf8.empty()) {
    char32_t c = 0;
    const std::size_t n = jf::cp1252::DecodeUtf8(utf8, &c);
    const int byte = n == 0 ? -1 : jf::cp1252::FromUnicode(c);
    out += byte < 0 ? kWin1252Replacement : static_cast<char>(byte);
    utf8.remove_prefix(std::max<std::size_t>(n, 1));
  }
  return out;
}

bool BadNlsLang() {
  const char* value = std::getenv("NLS_LANG");  // language_territory.charset
  if (value == nullptr) return false;
  const std::string_view v(value);
  const std::size_t dot = v.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view charset = v.substr(dot + 1);
  return charset != "WE8MSWIN1252" && charset != "AL32UTF8";
}

bool Utf8Client(const OCISvcCtx* svc) {
  return svc != nullptr && svc->env != nullptr && svc->env->charset == kCharsetAl32Utf8;
}

// Cursors the session holds open on the server: its parsed statements, in the caller's hands or
// in the client's cache.
int OpenCursors(const OCISvcCtx* svc) {
  int n = 0;
  for (const OCIStmt* s : svc->held) n += s->db != nullptr;
  for (const auto& s : svc->cached) n += s->db != nullptr;
  return n;
}

// Keeps the client's statement cache within its size, dropping the least recently released.
void TrimCache(OCISvcCtx* svc) {
  while (svc->cached.size() > svc->cache_size) svc->cached.pop_back();
}

// Ends a session: a logoff commits what it left open, a session freed without one (its
// connection closed) loses it.
void EndSession(OCISvcCtx* svc, bool logoff) {
  // A logoff that does not come back commits nothing.
  if (logoff && !svc->dead && RoundTrip(svc, "OCILogoff", "") != 0) logoff = false;
  if (!svc->dead && svc->open_transaction) logoff ? svc->db->Commit() : svc->db->Rollback();
  EndLocks(svc);
  for (OCIStmt* s : svc->held) {
    s->svc = nullptr;
    s->db.reset();
  }
  svc->cached.clear();
  svc->db.reset();
  if (svc->env != nullptr) svc->env->sessions.erase(svc);
}

}  // namespace

#ifdef _WIN32
#define FAKEOCI_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKEOCI_EXPORT extern "C" __attribute__((visibility("default")))
#endif

FAKEOCI_EXPORT sword OCIEnvNlsCreate(OCIEnv** envhpp, ub4 mode, void* ctxp,
                                     void* (*malocfp)(void*, std::size_t),
                                     void* (*ralocfp)(void*, void*, std::size_t),
                                     void (*mfreefp)(void*, void*), std::size_t xtramem_sz,
                                     void** usrmempp, ub2 charset, ub2 ncharset) {
  ReadEnvRules();
  auto env = std::make_unique<OCIEnv>();
  env->charset = charset;
  // A failure, as a warning, leaves its error in the environment handle; "after" makes the
  // injected error a warning: the environment is made all the same.
  int ora = Fault("OCIEnvNlsCreate", "", false);
  const bool warning = ora == 0 && (ora = Fault("OCIEnvNlsCreate", "", true)) != 0;
  for (const ub2 cs : {charset, ncharset}) {
    if (ora == 0 && cs != 0 && cs != kWin1252 && cs != kCharsetAl32Utf8) ora = 12715;
    if (ora == 0 && cs == 0 && BadNlsLang()) ora = 12705;
  }
  if (ora != 0) SetError(&env->error, ora);
  *envhpp = env.release();  // owned by the caller until OCIHandleFree
  if (ora == 0) return OCI_SUCCESS;
  return warning ? OCI_SUCCESS_WITH_INFO : OCI_ERROR;
}

FAKEOCI_EXPORT ub2 OCINlsCharSetNameToId(void* envhp, const OraText* name) {
  Fault("OCINlsCharSetNameToId", "", false);
  if (envhp == nullptr || name == nullptr) return 0;
  const std::string_view n(reinterpret_cast<const char*>(name));
  return n == "WE8MSWIN1252" ? kWin1252 : n == "AL32UTF8" ? kCharsetAl32Utf8 : 0;
}

FAKEOCI_EXPORT sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type,
                                    std::size_t xtramem_sz, void** usrmempp) {
  if (Fault("OCIHandleAlloc", "", false) != 0 || type != OCI_HTYPE_ERROR) return OCI_ERROR;
  *hndlpp = std::make_unique<OCIError>().release();  // owned by the caller until OCIHandleFree
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCIHandleFree(void* hndlp, ub4 type) {
  Fault("OCIHandleFree", "", false);
  if (type == OCI_HTYPE_ERROR) {
    std::unique_ptr<OCIError> gone(static_cast<OCIError*>(hndlp));
  } else if (type == OCI_HTYPE_ENV) {
    // Frees every handle under it, a session never logged off included.
    std::unique_ptr<OCIEnv> gone(static_cast<OCIEnv*>(hndlp));
    while (!gone->sessions.empty()) {
      std::unique_ptr<OCISvcCtx> svc(*gone->sessions.begin());
      EndSession(svc.get(), false);
    }
  } else {
    return OCI_INVALID_HANDLE;
  }
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCILogon2(OCIEnv* envhp, OCIError* errhp, OCISvcCtx** svchp,
                               const OraText* username, ub4 uname_len, const OraText* password,
                               ub4 passwd_len, const OraText* dbname, ub4 dbname_len, ub4 mode) {
  const std::string user(reinterpret_cast<const char*>(username), uname_len);
  const std::string pass(reinterpret_cast<const char*>(password), passwd_len);
  const std::string net(reinterpret_cast<const char*>(dbname), dbname_len);
  S().last_logon = user + "|" + pass + "|" + net + "|" + std::to_string(envhp->charset);
  if (int ora = Fault("OCILogon2", "", false)) return SetError(errhp, ora);
  if (int ora = RoundTrip(nullptr, "OCILogon2", "")) return SetError(errhp, ora);
  // An error injected "after" is a warning of a logon that worked.
  const int warning = Fault("OCILogon2", "", true);
  if (pass.empty()) return SetError(errhp, 1005, "null password given; logon denied");
  if (user.empty()) return SetError(errhp, 1017, "invalid username/password; logon denied");
  if (net.empty()) return SetError(errhp, 12162, "TNS:net service name is incorrectly specified");
  auto svc = std::make_unique<OCISvcCtx>();
  if (jf::sqlite::OpenSqlite(net, &svc->db, true) != 0) {
    return SetError(errhp, 12154, "TNS:could not resolve the connect identifier specified");
  }
  svc->user = user;
  svc->locks = jf::fakeoci::RowLocks::Open(net);
  svc->cache = (mode & OCI_LOGON2_STMTCACHE) != 0;
  svc->env = envhp;
  envhp->sessions.insert(svc.get());
  *svchp = svc.release();  // owned by the caller until OCILogoff
  if (warning != 0) {
    SetError(errhp, warning);
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCILogoff(OCISvcCtx* svchp, OCIError* errhp) {
  std::unique_ptr<OCISvcCtx> svc(svchp);
  Fault("OCILogoff", "", false);
  EndSession(svc.get(), true);
  WriteStats();
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCIStmtPrepare2(OCISvcCtx* svchp, OCIStmt** stmthp, OCIError* errhp,
                                     const OraText* stmttext, ub4 stmt_len, const OraText* key,
                                     ub4 keylen, ub4 language, ub4 mode) {
  const std::string text(reinterpret_cast<const char*>(stmttext), stmt_len);
  if (int ora = Fault("OCIStmtPrepare2", text, false)) return Inject(svchp, errhp, ora);
  std::unique_ptr<OCIStmt> stmt;
  auto it = std::find_if(svchp->cached.begin(), svchp->cached.end(),
                         [&](const std::unique_ptr<OCIStmt>& c) { return c->text == text; });
  if (it != svchp->cached.end()) {
    stmt = std::move(*it);
    svchp->cached.erase(it);
  } else {
    stmt = std::make_unique<OCIStmt>();
    stmt->svc = svchp;
    stmt->text = text;
    stmt->kind = KindOf(text);
  }
  svchp->held.insert(stmt.get());
  *stmthp = stmt.release();  // owned by the caller until OCIStmtRelease
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCIStmtRelease(OCIStmt* stmthp, OCIError* errhp, const OraText* key,
                                    ub4 keylen, ub4 mode) {
  std::unique_ptr<OCIStmt> stmt(stmthp);
  Fault("OCIStmtRelease", stmt->text, false);
  OCISvcCtx* svc = stmt->svc;
  // The session's statements went with its logoff: the handle is no longer valid.
  if (svc == nullptr) return OCI_INVALID_HANDLE;
  svc->held.erase(stmt.get());
  if (svc->cache) {
    stmt->executed = false;
    stmt->done = false;
    svc->cached.push_front(std::move(stmt));
    TrimCache(svc);
  }
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindpp, OCIError* errhp, ub4 position,
                                  void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                  ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode) {
  if (int ora = Fault("OCIBindByPos", stmtp->text, false)) return Inject(stmtp->svc, errhp, ora);
  if (position == 0) return SetError(errhp, 1036, "illegal variable name/number");
  std::unique_ptr<OCIBind>& b = stmtp->binds[position];
  if (!b) b = std::make_unique<OCIBind>();
  *b = OCIBind{valuep, value_sz, dty, static_cast<sb2*>(indp), alenp};
  *bindpp = b.get();
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnpp, OCIError* errhp,
                                    ub4 position, void* valuep, sb4 value_sz, ub2 dty, void* indp,
                                    ub2* rlenp, ub2* rcodep, ub4 mode) {
  if (int ora = Fault("OCIDefineByPos", stmtp->text, false)) {
    return Inject(stmtp->svc, errhp, ora);
  }
  if (position == 0) return SetError(errhp, 1007, "variable not in select list");
  // The forms the backend uses; the real client takes a few more, and refuses other sizes.
  const bool emulated = dty == SQLT_INT   ? value_sz == 2 || value_sz == 4
                        : dty == SQLT_FLT ? value_sz == 8
                                          : (dty == SQLT_CHR || dty == SQLT_STR) && value_sz >= 1;
  if (!emulated) return SetError(errhp, 99999, "fake client: define of this form not emulated");
  std::unique_ptr<OCIDefine>& d = stmtp->defines[position];
  if (!d) d = std::make_unique<OCIDefine>();
  *d = OCIDefine{valuep, value_sz, dty, static_cast<sb2*>(indp), rlenp, rcodep};
  *defnpp = d.get();
  return OCI_SUCCESS;
}

namespace {

// The inputs of an execute, from the binds. Texts are copied, as a server holds them.
// row: the bind row of an array execute, whose values lie row elements (of the bind's size) on.
sword Inputs(OCIStmt* s, OCIError* err, std::vector<jf::sql::In>* in, ub4 row = 0) {
  using jf::sql::In;
  const ub4 n = s->binds.empty() ? 0 : s->binds.rbegin()->first;
  s->bound_texts.assign(n, std::string());
  for (ub4 pos = 1; pos <= n; ++pos) {
    auto it = s->binds.find(pos);
    if (it == s->binds.end()) return SetError(err, 1008);
    OCIBind b = *it->second;
    b.value = static_cast<char*>(b.value) + static_cast<std::size_t>(row) * b.size;
    if (b.ind != nullptr) b.ind += row;
    if (b.alen != nullptr) b.alen += row;
    const bool null = b.ind != nullptr && *b.ind == -1;
    std::string& text = s->bound_texts[pos - 1];
    // The database's texts are UTF-8: a Windows-1252 client's text is converted on the way.
    const auto in_text = [&] {
      if (!Utf8Client(s->svc)) text = jf::cp1252::ToUtf8(text);
      in->push_back(In::Text(text));
    };
    switch (b.dty) {
      case SQLT_CHR:
        if (!null) {
          text.assign(static_cast<const char*>(b.value),
                      b.alen != nullptr ? *b.alen : static_cast<std::size_t>(b.size));
        }
        in_text();
        break;
      case SQLT_STR:
        if (!null) {
          text.assign(static_cast<const char*>(b.value),
                      strnlen(static_cast<const char*>(b.value), static_cast<std::size_t>(b.size)));
        }
        in_text();
        break;
      case SQLT_INT:
        if (null) return SetError(err, 99999, "fake client: a NULL number is not emulated");
        if (b.size == 2) {
          in->push_back(In::I16(*static_cast<const sb2*>(b.value)));
        } else if (b.size == 4) {
          in->push_back(In::I32(*static_cast<const sb4*>(b.value)));
        } else {
          return SetError(err, 99999, "fake client: integer of this size not emulated");
        }
        break;
      case SQLT_FLT:
        if (null || b.size != sizeof(double)) {
          return SetError(err, 99999, "fake client: only non-NULL doubles are emulated");
        }
        in->push_back(In::Dbl(*static_cast<const double*>(b.value)));
        break;
      default:
        return SetError(err, 99999, "fake client: bind type not emulated");
    }
  }
  return OCI_SUCCESS;
}

}  // namespace

namespace {

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The savepoint a "savepoint NAME" or "rollback to NAME" names.
std::string SavepointName(const std::string& lower) {
  const std::size_t end = lower.find_last_not_of(" \t\n;");
  if (end == std::string::npos) return "";
  const std::size_t start = lower.find_last_of(" \t\n", end);
  return lower.substr(start + 1, end - start);
}

// A savepoint set, or rolled back to, before the transaction wrote anything: noted, and given to
// the database with the first lock or write (TakeLocks). Whether the statement was handled so.
bool Deferred(OCISvcCtx* svc, const std::string& text) {
  if (!svc->locks || svc->writing) return false;
  const std::string lower = LowerCase(text);
  const std::size_t start = lower.find_first_not_of(" \t\n");
  if (start == std::string::npos) return false;
  auto& pending = svc->pending_savepoints;
  if (lower.compare(start, 10, "savepoint ") == 0) {
    pending.push_back(text);
    return true;
  }
  if (lower.compare(start, 8, "rollback") != 0) return false;
  const std::string name = SavepointName(lower);
  for (auto it = pending.begin(); it != pending.end(); ++it) {
    if (SavepointName(LowerCase(*it)) != name) continue;
    pending.erase(it + 1, pending.end());  // those set after it end; it stays
    return true;
  }
  return false;  // a savepoint never set: the database says so
}

// "for update wait N": N, or -1 for a locking read without a wait of its own.
int WaitSeconds(const std::string& lower) {
  const std::size_t at = lower.find(" for update wait ");
  return at == std::string::npos ? -1 : std::atoi(lower.c_str() + at + 17);
}

// Before a locking read or a write: the rows it names, as Oracle locks them, and then the
// database's one write lock, which the session keeps until its transaction ends. The row comes
// first, so a session meets the rows of another as on Oracle: NOWAIT fails, WAIT N waits N
// seconds, a write waits up to its call timeout. A session that has not written yet holds no
// other row, and lets go of this one while it waits for the write lock: two transactions never
// hold rows at once, so the fake, unlike Oracle, never deadlocks two sessions.
sword TakeLocks(OCISvcCtx* svc, OCIStmt* s, const std::vector<jf::sql::In>& in, OCIError* err) {
  using jf::fakeoci::RowLocks;
  if (!svc->locks) return OCI_SUCCESS;
  const std::string lower = LowerCase(s->text);
  const bool locking_read =
      s->kind == OCI_STMT_SELECT && lower.find(" for update") != std::string::npos;
  const bool write = s->kind == OCI_STMT_UPDATE || s->kind == OCI_STMT_DELETE;
  if (!locking_read && !write && s->kind != OCI_STMT_INSERT) return OCI_SUCCESS;
  const bool nowait = locking_read && lower.find(" nowait") != std::string::npos;
  const int wait_seconds = locking_read ? WaitSeconds(lower) : -1;
  // A write has no wait of its own: it waits until the call timeout breaks the call off.
  const int bound =
      svc->call_timeout != 0 ? static_cast<int>(svc->call_timeout) : jf::sql::LockWaitMillis();
  const int row_wait = nowait ? 0 : wait_seconds >= 0 ? wait_seconds * 1000 : bound;
  // A wait without a bound of its own ends with the call timeout, as the call it is part of.
  const int timed_out = nowait                   ? 54
                        : wait_seconds >= 0      ? 30006
                        : svc->call_timeout != 0 ? 3156
                                                 : 54;
  const auto failed = [&](RowLocks::Result r) {
    if (r == RowLocks::kDeadlock) return SetError(err, 60);
    if (r == RowLocks::kBusy) return SetError(err, timed_out);
    return SetError(err, 99999, "fake client: the lock file cannot be written");
  };
  std::vector<jf::fakeoci::LockedRow> rows;
  if (locking_read) rows = jf::fakeoci::RowsOf(s->text, in);
  if (write) rows = {jf::fakeoci::RowOf(s->text, in)};
  std::erase_if(rows, [](const jf::fakeoci::LockedRow& row) { return row.table.empty(); });
  // The rows in order; a statement that cannot have one keeps none of those it locked itself.
  const auto lock_rows = [&]() {
    std::vector<const jf::fakeoci::LockedRow*> taken;
    for (const jf::fakeoci::LockedRow& row : rows) {
      bool took = false;
      const RowLocks::Result r = svc->locks->Lock(row.table, row.key, row_wait, &took);
      if (r != RowLocks::kLocked) {
        for (const jf::fakeoci::LockedRow* t : taken) svc->locks->Release(t->table, t->key);
        return r;
      }
      if (took) taken.push_back(&row);
    }
    return RowLocks::kLocked;
  };
  if (auto r = lock_rows(); r != RowLocks::kLocked) return failed(r);
  if (svc->writing) return OCI_SUCCESS;
  auto r = svc->locks->Lock("", "database", 0);
  if (r == RowLocks::kBusy) {
    svc->locks->ReleaseAll();
    r = svc->locks->Lock("", "database", jf::sql::LockWaitMillis());
    if (r == RowLocks::kLocked) r = lock_rows();
  }
  if (r != RowLocks::kLocked) {
    svc->locks->ReleaseAll();
    return failed(r);
  }
  svc->writing = true;
  for (const std::string& text : svc->pending_savepoints) {
    std::unique_ptr<jf::sql::BackendStmt> sp;
    int rc = svc->db->Prepare(text, false, &sp);
    if (rc == 0) rc = sp->Execute({});
    if (rc != 0 && rc != jf::sql::kNotFound) return FromStatus(err, svc->db.get(), rc);
  }
  svc->pending_savepoints.clear();
  return OCI_SUCCESS;
}

// An INSERT, UPDATE or DELETE run for iters bind rows in one round trip, as Oracle runs it: row
// by row, each row's failure undoing that row alone. Without OCI_BATCH_ERRORS the first failure
// ends the execute with its error, the rows before it applied; with it every row runs and the
// failed ones are kept (OCI_ATTR_NUM_DML_ERRORS, OCIParamGet), the call succeeding with
// ORA-24381 as its warning. OCI_RETURN_ROW_COUNT_ARRAY keeps each row's count.
sword ExecuteArray(OCISvcCtx* svc, OCIStmt* s, OCIError* err, ub4 iters, ub4 mode) {
  jf::sql::Backend* db = svc->db.get();
  s->row_count = 0;
  s->row_counts.clear();
  s->dml_errors = 0;
  err->batch.clear();
  svc->open_transaction = true;
  for (ub4 r = 0; r < iters; ++r) {
    OCIError row_err;
    std::vector<jf::sql::In> in;
    sword rc = Inputs(s, &row_err, &in, r);
    if (rc == OCI_SUCCESS) rc = TakeLocks(svc, s, in, &row_err);
    ub8 count = 0;
    if (rc == OCI_SUCCESS) {
      int st = s->db->Execute(in);
      s->db->Close();
      if (st == jf::sql::kNotFound) st = 0;  // a row that touched nothing is no error
      if (st == jf::sql::kBusy && svc->call_timeout != 0) {
        rc = SetError(&row_err, 3156);
      } else if (st != 0) {
        rc = FromStatus(&row_err, db, st);
      } else {
        count = static_cast<ub8>(std::max<int64_t>(0, s->db->RowCount()));
      }
    }
    if ((mode & OCI_RETURN_ROW_COUNT_ARRAY) != 0) s->row_counts.push_back(count);
    s->row_count += static_cast<ub4>(count);
    if (rc == OCI_SUCCESS) continue;
    if ((mode & OCI_BATCH_ERRORS) == 0 || svc->dead) {
      err->code = row_err.code;
      err->text = row_err.text;
      return OCI_ERROR;
    }
    err->batch.push_back(BatchError{r, row_err.code, row_err.text});
  }
  s->dml_errors = static_cast<ub4>(err->batch.size());
  int rc = 0;
  if (s->dml_errors == 0 && (mode & OCI_COMMIT_ON_SUCCESS) != 0) {
    rc = db->Commit();
    if (rc == 0) {
      svc->open_transaction = false;
      EndLocks(svc);
    }
  }
  if (rc != 0) return FromStatus(err, db, rc);
  if (int ora = Fault("OCIStmtExecute", s->text, true)) return Inject(svc, err, ora);
  if (s->dml_errors == 0) return OCI_SUCCESS;
  SetError(err, 24381, "error(s) in array DML");
  return OCI_SUCCESS_WITH_INFO;
}

}  // namespace

FAKEOCI_EXPORT sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters,
                                    ub4 rowoff, const OCISnapshot* snap_in, OCISnapshot* snap_out,
                                    ub4 mode) {
  OCIStmt* s = stmtp;
  if (int ora = Fault("OCIStmtExecute", s->text, false)) return Inject(svchp, errhp, ora);
  if (s->svc == nullptr || svchp->dead) return SetError(errhp, 3114);
  const bool query = s->kind == OCI_STMT_SELECT;
  if (!query && iters == 0) return SetError(errhp, 24333);
  if (query && iters != 0) return SetError(errhp, 99999, "fake client: fetch on execute");
  s->executed = false;
  s->done = false;
  // Broken off, the statement did nothing.
  if (int ora = RoundTrip(svchp, "OCIStmtExecute", s->text)) return SetError(errhp, ora);
  jf::sql::Backend* db = svchp->db.get();
  if (!svchp->catalog && jf::fakeoci::UsesCatalog(s->text)) {
    if (int rc = jf::fakeoci::MakeCatalog(db, svchp->user); rc != 0) {
      return FromStatus(errhp, db, rc);
    }
    svchp->catalog = true;
  }
  if (!s->db) {  // parsed at its first execute, as the server does: a cursor opens
    if (OpenCursors(svchp) >= S().open_cursors) return SetError(errhp, 1000);
    if (int rc = db->Prepare(s->text, query, &s->db); rc != 0) return FromStatus(errhp, db, rc);
  }
  if (!query && iters > 1) return ExecuteArray(svchp, s, errhp, iters, mode);
  s->row_counts.clear();
  s->dml_errors = 0;
  std::vector<jf::sql::In> in;
  if (sword rc = Inputs(s, errhp, &in); rc != OCI_SUCCESS) return rc;
  if (!query) svchp->open_transaction = true;
  if (!query && Deferred(svchp, s->text)) {
    s->row_count = 0;
    if (int ora = Fault("OCIStmtExecute", s->text, true)) return Inject(svchp, errhp, ora);
    return OCI_SUCCESS;
  }
  if (sword locked = TakeLocks(svchp, s, in, errhp); locked != OCI_SUCCESS) return locked;
  int rc = s->db->Execute(in);
  if (query) {
    if (rc != 0) s->db->Close();
  } else {
    s->db->Close();
    if (rc == jf::sql::kNotFound) rc = 0;  // a write that touched no row is no error here
    s->row_count = rc == 0 ? static_cast<ub4>(std::max<int64_t>(0, s->db->RowCount())) : 0;
  }
  if (rc == 0 && query) {
    s->executed = true;
    s->buffered = s->prefetch;
  }
  // A locking read that waited out its "wait N" fails as Oracle's does.
  if (rc == jf::sql::kBusy && query && s->text.find(" for update wait ") != std::string::npos) {
    return SetError(errhp, 30006);
  }
  // A write has no wait of its own: Oracle lets it wait on until the call timeout breaks the
  // call off, and the session stays.
  const bool write =
      s->kind == OCI_STMT_UPDATE || s->kind == OCI_STMT_DELETE || s->kind == OCI_STMT_INSERT;
  if (rc == jf::sql::kBusy && write && svchp->call_timeout != 0) return SetError(errhp, 3156);
  // OCI_COMMIT_ON_SUCCESS: the commit travels with the statement that went through.
  if (rc == 0 && !query && (mode & OCI_COMMIT_ON_SUCCESS) != 0) {
    rc = db->Commit();
    if (rc == 0) {
      svchp->open_transaction = false;
      EndLocks(svchp);
    }
  }
  if (rc == 0) {
    if (int ora = Fault("OCIStmtExecute", s->text, true)) return Inject(svchp, errhp, ora);
  }
  return FromStatus(errhp, db, rc);
}

FAKEOCI_EXPORT sword OCIStmtFetch2(OCIStmt* stmthp, OCIError* errhp, ub4 nrows, ub2 orientation,
                                   sb4 fetchOffset, ub4 mode) {
  using jf::sql::Out;
  OCIStmt* s = stmthp;
  if (int ora = Fault("OCIStmtFetch2", s->text, false)) return Inject(s->svc, errhp, ora);
  if (nrows != 1 || orientation != OCI_FETCH_NEXT) {
    return SetError(errhp, 99999, "fake client: only single-row forward fetches are emulated");
  }
  if (!s->executed || s->done) return SetError(errhp, 1002);
  if (s->buffered == 0) {  // the rows of the last round trip are used up
    if (s->svc == nullptr || s->svc->dead) return SetError(errhp, 3114);
    if (int ora = RoundTrip(s->svc, "OCIStmtFetch2", s->text)) {
      s->executed = false;  // the cursor's rows are lost with the call
      return SetError(errhp, ora);
    }
    s->buffered = 1 + s->prefetch;
  }
  --s->buffered;
  // The row goes through buffers of the fake's own; only non-NULL values reach the caller's.
  struct Slot {
    int32_t i = 0;
    double d = 0;
    std::string text;
    int16_t ind = 0;
  };
  const ub4 n = s->defines.empty() ? 0 : s->defines.rbegin()->first;
  std::vector<Slot> slots(n);
  std::vector<Out> out(n);
  for (ub4 pos = 1; pos <= n; ++pos) {
    Slot& slot = slots[pos - 1];
    auto it = s->defines.find(pos);
    const OCIDefine* d = it != s->defines.end() ? it->second.get() : nullptr;
    Out o = Out::Text(nullptr, 0);
    if (d == nullptr) {
      slot.text.assign(1, '\0');
      o = Out::Text(slot.text.data(), 1);
    } else if (d->dty == SQLT_INT) {
      o = d->size == 2 ? Out::I16(&slot.i) : Out::I32(&slot.i);
    } else if (d->dty == SQLT_FLT) {
      o = Out::Dbl(&slot.d);
    } else {
      // The database's UTF-8 takes up to four bytes for what is one in Windows-1252.
      const std::size_t per_char = Utf8Client(s->svc) ? 1 : 4;
      const std::size_t cap =
          static_cast<std::size_t>(d->size) * per_char + (d->dty == SQLT_STR ? 0 : 1);
      slot.text.assign(std::max<std::size_t>(cap, 1), '\0');
      o = Out::Text(slot.text.data(), slot.text.size());
    }
    o.ind = &slot.ind;
    out[pos - 1] = o;
  }
  const int rc = s->db->Fetch(out);
  if (rc == jf::sql::kNotFound) {
    s->done = true;
    return FromStatus(errhp, s->svc != nullptr ? s->svc->db.get() : nullptr, rc);
  }
  if (rc != 0) return FromStatus(errhp, s->svc != nullptr ? s->svc->db.get() : nullptr, rc);
  bool cut = false;
  for (const auto& [pos, d] : s->defines) {
    const Slot& slot = slots[pos - 1];
    if (d->ind != nullptr) *d->ind = slot.ind;
    if (d->rcode != nullptr) *d->rcode = 0;
    if (slot.ind == -1) continue;  // a NULL leaves the buffer as it was
    switch (d->dty) {
      case SQLT_INT:
        if (d->size == 2) {
          *static_cast<sb2*>(d->value) = static_cast<sb2>(slot.i);
        } else {
          *static_cast<sb4*>(d->value) = slot.i;
        }
        break;
      case SQLT_FLT:
        *static_cast<double*>(d->value) = slot.d;
        break;
      default: {
        const bool utf8 = Utf8Client(s->svc);
        std::string_view text(slot.text.data(), strnlen(slot.text.data(), slot.text.size()));
        std::string converted;
        if (!utf8) {
          converted = ToWin1252(text);
          text = converted;
        }
        // Cut to the buffer between characters; the indicator then gives the whole length.
        const std::size_t room = static_cast<std::size_t>(d->size) - (d->dty == SQLT_STR ? 1 : 0);
        std::size_t len = std::min(text.size(), room);
        while (utf8 && len > 0 && len < text.size() &&
               (static_cast<unsigned char>(text[len]) & 0xC0) == 0x80) {
          --len;
        }
        std::memcpy(d->value, text.data(), len);
        if (d->dty == SQLT_STR) static_cast<char*>(d->value)[len] = '\0';
        if (d->rlen != nullptr) *d->rlen = static_cast<ub2>(len);
        if (slot.ind > 0 || len < text.size()) {
          cut = true;
          if (d->ind != nullptr && slot.ind <= 0) {
            *d->ind = static_cast<sb2>(std::min<std::size_t>(text.size(), 32767));
          }
          if (d->rcode != nullptr) *d->rcode = 1406;
        }
        break;
      }
    }
  }
  if (cut) {
    SetError(errhp, 1406);
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size,
                                ub4 attrtype, OCIError* errhp) {
  const bool stmt = trghndltyp == OCI_HTYPE_STMT;
  const std::string text = stmt ? static_cast<OCIStmt*>(trgthndlp)->text : "";
  if (int ora = Fault("OCIAttrSet", text, false)) return SetError(errhp, ora);
  if (stmt && attrtype == OCI_ATTR_PREFETCH_ROWS) {
    static_cast<OCIStmt*>(trgthndlp)->prefetch = *static_cast<const ub4*>(attributep);
    return OCI_SUCCESS;
  }
  if (trghndltyp == OCI_HTYPE_SVCCTX) {
    auto* svc = static_cast<OCISvcCtx*>(trgthndlp);
    if (attrtype == OCI_ATTR_STMTCACHESIZE) {
      svc->cache_size = *static_cast<const ub4*>(attributep);
      TrimCache(svc);
      return OCI_SUCCESS;
    }
    if (attrtype == OCI_ATTR_CALL_TIMEOUT) {
      svc->call_timeout = *static_cast<const ub4*>(attributep);
      return OCI_SUCCESS;
    }
  }
  return SetError(errhp, 24315);
}

FAKEOCI_EXPORT sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                                ub4 attrtype, OCIError* errhp) {
  if (trghndltyp == OCI_HTYPE_SVCCTX || trghndltyp == OCI_HTYPE_SERVER) {
    // The session stands for its own server handle.
    const auto* svc = static_cast<const OCISvcCtx*>(trgthndlp);
    if (int ora = Fault("OCIAttrGet", "", false)) return SetError(errhp, ora);
    if (trghndltyp == OCI_HTYPE_SVCCTX && attrtype == OCI_ATTR_SERVER) {
      *static_cast<const void**>(attributep) = svc;
    } else if (trghndltyp == OCI_HTYPE_SVCCTX && attrtype == OCI_ATTR_CALL_TIMEOUT) {
      *static_cast<ub4*>(attributep) = svc->call_timeout;
    } else if (trghndltyp == OCI_HTYPE_SERVER && attrtype == OCI_ATTR_SERVER_STATUS) {
      *static_cast<ub4*>(attributep) = static_cast<ub4>(svc->server_status);
    } else {
      return SetError(errhp, 24315);
    }
    return OCI_SUCCESS;
  }
  if (trghndltyp == OCI_HTYPE_ERROR && attrtype == OCI_ATTR_DML_ROW_OFFSET) {
    if (int ora = Fault("OCIAttrGet", "", false)) return SetError(errhp, ora);
    *static_cast<ub4*>(attributep) = static_cast<const OCIError*>(trgthndlp)->row_offset;
    return OCI_SUCCESS;
  }
  if (trghndltyp != OCI_HTYPE_STMT) return SetError(errhp, 24315);
  const auto* s = static_cast<const OCIStmt*>(trgthndlp);
  if (int ora = Fault("OCIAttrGet", s->text, false)) return SetError(errhp, ora);
  if (attrtype == OCI_ATTR_STMT_TYPE) {
    *static_cast<ub2*>(attributep) = s->kind;
  } else if (attrtype == OCI_ATTR_ROW_COUNT) {
    *static_cast<ub4*>(attributep) = s->row_count;
  } else if (attrtype == OCI_ATTR_NUM_DML_ERRORS) {
    *static_cast<ub4*>(attributep) = s->dml_errors;
  } else if (attrtype == OCI_ATTR_DML_ROW_COUNT_ARRAY) {
    // The client's own array, valid until the statement's next execute.
    *static_cast<const ub8**>(attributep) = s->row_counts.data();
    if (sizep != nullptr) *sizep = static_cast<ub4>(s->row_counts.size());
  } else {
    return SetError(errhp, 24315);
  }
  return OCI_SUCCESS;
}

FAKEOCI_EXPORT sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                                 OraText* bufp, ub4 bufsiz, ub4 type) {
  if (hndlp == nullptr || (type != OCI_HTYPE_ERROR && type != OCI_HTYPE_ENV)) {
    return OCI_INVALID_HANDLE;
  }
  const auto* err = type == OCI_HTYPE_ENV ? &static_cast<const OCIEnv*>(hndlp)->error
                                          : static_cast<const OCIError*>(hndlp);
  if (recordno != 1 || err->code == 0) return OCI_NO_DATA;
  *errcodep = err->code;
  if (bufsiz > 0) {
    const std::size_t n = std::min<std::size_t>(err->text.size(), bufsiz - 1);
    std::memcpy(bufp, err->text.data(), n);
    bufp[n] = '\0';
  }
  return OCI_SUCCESS;
}

// A failed row of the last array execute on the error handle hndlp, copied into the error
// handle *parmdpp the caller allocated.
FAKEOCI_EXPORT sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                                 ub4 pos) {
  if (int ora = Fault("OCIParamGet", "", false)) return SetError(errhp, ora);
  if (htype != OCI_HTYPE_ERROR || hndlp == nullptr || parmdpp == nullptr || *parmdpp == nullptr) {
    return SetError(errhp, 99999, "fake client: only batch errors are emulated");
  }
  const auto* from = static_cast<const OCIError*>(hndlp);
  if (pos >= from->batch.size()) return SetError(errhp, 24334, "no descriptor for this position");
  const BatchError& e = from->batch[pos];
  auto* to = static_cast<OCIError*>(*parmdpp);
  to->code = e.code;
  to->text = e.text;
  to->row_offset = e.offset;
  return OCI_SUCCESS;
}

// The release the fake stands for: one with array executes' row counts.
FAKEOCI_EXPORT void OCIClientVersion(int* major_version, int* minor_version, int* update_num,
                                     int* patch_num, int* port_update_num) {
  *major_version = 19;
  *minor_version = 3;
  *update_num = *patch_num = *port_update_num = 0;
}

namespace {

sword EndTransaction(const char* function, OCISvcCtx* svc, OCIError* err, bool commit) {
  if (int ora = Fault(function, "", false)) return Inject(svc, err, ora);
  if (svc->dead) return SetError(err, 3114);
  if (int ora = RoundTrip(svc, function, "")) return SetError(err, ora);
  const int rc = commit ? svc->db->Commit() : svc->db->Rollback();
  if (rc == 0) svc->open_transaction = false;
  if (rc == 0) EndLocks(svc);
  if (rc == 0) {
    if (int ora = Fault(function, "", true)) return Inject(svc, err, ora);
  }
  return FromStatus(err, svc->db.get(), rc);
}

}  // namespace

FAKEOCI_EXPORT sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) {
  return EndTransaction("OCITransCommit", svchp, errhp, true);
}

FAKEOCI_EXPORT sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) {
  return EndTransaction("OCITransRollback", svchp, errhp, false);
}

// The fake's functions have the interface's exact types.
static_assert(std::is_same_v<decltype(&OCIEnvNlsCreate), OCIEnvNlsCreateFn>);
static_assert(std::is_same_v<decltype(&OCIHandleAlloc), OCIHandleAllocFn>);
static_assert(std::is_same_v<decltype(&OCIParamGet), OCIParamGetFn>);
static_assert(std::is_same_v<decltype(&OCIClientVersion), OCIClientVersionFn>);
static_assert(std::is_same_v<decltype(&OCIHandleFree), OCIHandleFreeFn>);
static_assert(std::is_same_v<decltype(&OCILogon2), OCILogon2Fn>);
static_assert(std::is_same_v<decltype(&OCILogoff), OCILogoffFn>);
static_assert(std::is_same_v<decltype(&OCIStmtPrepare2), OCIStmtPrepare2Fn>);
static_assert(std::is_same_v<decltype(&OCIStmtRelease), OCIStmtReleaseFn>);
static_assert(std::is_same_v<decltype(&OCIBindByPos), OCIBindByPosFn>);
static_assert(std::is_same_v<decltype(&OCIDefineByPos), OCIDefineByPosFn>);
static_assert(std::is_same_v<decltype(&OCIStmtExecute), OCIStmtExecuteFn>);
static_assert(std::is_same_v<decltype(&OCIStmtFetch2), OCIStmtFetch2Fn>);
static_assert(std::is_same_v<decltype(&OCIAttrSet), OCIAttrSetFn>);
static_assert(std::is_same_v<decltype(&OCIAttrGet), OCIAttrGetFn>);
static_assert(std::is_same_v<decltype(&OCIErrorGet), OCIErrorGetFn>);
static_assert(std::is_same_v<decltype(&OCITransCommit), OCITransCommitFn>);
static_assert(std::is_same_v<decltype(&OCITransRollback), OCITransRollbackFn>);
static_assert(std::is_same_v<decltype(&OCINlsCharSetNameToId), OCINlsCharSetNameToIdFn>);

// --- control (FakeOciControl.h) ---

FAKEOCI_EXPORT void FakeOci_Reset() {
  S().rules.clear();
  S().slow.clear();
  S().counts.clear();
  S().open_cursors = 50;
  S().time_scale = 1;
}

FAKEOCI_EXPORT void FakeOci_Slow(const char* function, const char* text_part, int nth, int millis,
                                 int silent) {
  S().slow.push_back(
      SlowRule{{function != nullptr ? function : "", text_part != nullptr ? text_part : "", nth},
               std::max(millis, 0),
               silent != 0});
}

FAKEOCI_EXPORT void FakeOci_SetTimeScale(int scale) {
  S().time_scale = std::max(scale, 1);
}

FAKEOCI_EXPORT void FakeOci_SetOpenCursors(int limit) {
  S().open_cursors = limit;
}

FAKEOCI_EXPORT void FakeOci_Fail(const char* function, const char* text_part, int nth, int ora,
                                 int after) {
  AddRule(function, text_part, nth, ora, after != 0);
}

namespace {

Count Sum(const char* function, const char* text_part) {
  Count total;
  for (const auto& [key, c] : S().counts) {
    if (function != nullptr && key.first != function) continue;
    if (text_part != nullptr && *text_part != '\0' &&
        key.second.find(text_part) == std::string::npos) {
      continue;
    }
    total.calls += c.calls;
    total.round_trips += c.round_trips;
  }
  return total;
}

}  // namespace

FAKEOCI_EXPORT long FakeOci_Calls(const char* function, const char* text_part) {
  return Sum(function, text_part).calls;
}

FAKEOCI_EXPORT long FakeOci_RoundTrips(const char* function, const char* text_part) {
  return Sum(function, text_part).round_trips;
}

FAKEOCI_EXPORT void FakeOci_Each(void (*each)(const char*, const char*, long, long, void*),
                                 void* ctx) {
  for (const auto& [key, c] : S().counts) {
    each(key.first.c_str(), key.second.c_str(), c.calls, c.round_trips, ctx);
  }
}

FAKEOCI_EXPORT const char* FakeOci_LastLogon() {
  return S().last_logon.c_str();
}

namespace jf {
Env* OsEnv();  // the platform's own (platform/env_posix.cpp)
}  // namespace jf

namespace {

// The fake's own environment with the server clock a test chose.
class ServerClock final : public jf::Env {
 public:
  explicit ServerClock(int (*now)(int*)) : now_(now) {}
  int OpenAppend(std::string_view path, jf::ShareMode mode, jf::Durability durability,
                 std::unique_ptr<jf::WritableFile>* out, bool* existed) override {
    return Base()->OpenAppend(path, mode, durability, out, existed);
  }
  int ReadFile(std::string_view path, std::string* contents) override {
    return Base()->ReadFile(path, contents);
  }
  int DeleteFile(std::string_view path) override { return Base()->DeleteFile(path); }
  int RenameFile(std::string_view from, std::string_view to) override {
    return Base()->RenameFile(from, to);
  }
  bool FileExists(std::string_view path) override { return Base()->FileExists(path); }
  void SleepMillis(int millis) override { Base()->SleepMillis(millis); }
  bool Now(jf::LocalTime* out) override {
    int f[6] = {};
    if (now_(f) == 0) return false;
    *out = jf::LocalTime{f[0], f[1], f[2], f[3], f[4], f[5]};
    return true;
  }

 private:
  static jf::Env* Base() { return jf::OsEnv(); }
  int (*now_)(int*);
};

}  // namespace

FAKEOCI_EXPORT void FakeOci_SetClock(int (*now)(int* fields)) {
  static std::unique_ptr<ServerClock> clock;
  jf::Env::Install(nullptr);
  clock = now != nullptr ? std::make_unique<ServerClock>(now) : nullptr;
  jf::Env::Install(clock.get());
}
