#include "db/sql/Session.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace jf::sql {

namespace {

// Lets the statement cache be searched with the text as the module holds it, without building
// a std::string per call.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

// A statement waiting in a batch: its inputs copied (the caller's may be gone when the batch
// runs), a read's outputs staged until its row is known to be the only one.
struct Queued {
  BackendStmt* stmt = nullptr;
  int tag = 0;
  bool query = false;
  std::vector<std::string> texts;
  std::vector<In> in;
  std::vector<Out> out;  // the caller's
  std::vector<Out> staged;
  std::vector<double> staging;
};

struct Batch {
  bool open = false;
  bool queue_reads = false;
  bool failed = false;
  int failed_status = 0;
  int failed_tag = -1;
  int tag = 0;
  std::vector<Queued> queue;
  std::vector<int> status;  // by tag
};

struct State {
  std::unique_ptr<Backend> backend;
  // Prepared statements by text. The texts are the modules' literals, and the same text runs
  // thousands of times a run, so each is translated and prepared once.
  std::unordered_map<std::string, std::unique_ptr<BackendStmt>, TextHash, std::equal_to<>> cache;
  std::unordered_map<const Cursor*, std::unique_ptr<BackendStmt>> cursors;
  unsigned long generation = 1;
  int sqlcode = 0;
  std::vector<Out> staged;      // the outputs pointing into the staging area
  std::vector<double> staging;  // doubles: aligned for any field type  // single-row SELECT results
                                // before they are delivered
  bool in_group = false;        // units end without committing until EndGroup
  bool lock_waits = true;       // locking reads wait for a held row (SetLockWait)
  int lost = 0;                 // LostStatus()
  bool end_with_write = false;  // EndUnitWithNextWrite
  bool unit_ended = false;      // the open unit's last write committed it
  bool unit_wrote = false;      // the open unit ran a WriteWithSavepoint
  int unit_end_status = 0;      // the status of that commit
  Batch batch;
  unsigned long epoch = 1;  // TransactionEpoch()
};

State& S() {
  static State s;
  return s;
}

std::string& ConnectError() {
  static std::string text;
  return text;
}

BackendWrapper& Wrapper() {
  static BackendWrapper w;
  return w;
}

int SetCode(int code) {
  State& s = S();
  s.sqlcode = code;
  if (code != 0 && code != kNotFound && s.lost == 0 &&
      (IsLostConnection(code) || (s.backend && s.backend->ConnectionLost()))) {
    s.lost = code;
  }
  return code;
}

// Returns the prepared statement for text, preparing it on first use. key is the text as the
// module holds it; prepared is what the backend receives (the into clause removed).
int Prepared(std::string_view key, bool remove_into, BackendStmt** out) {
  State& s = S();
  if (!s.backend) return kNotLoggedOn;
  auto it = s.cache.find(key);
  if (it == s.cache.end()) {
    std::unique_ptr<BackendStmt> stmt;
    int rc = remove_into ? s.backend->Prepare(RemoveIntoClause(key), false, &stmt)
                         : s.backend->Prepare(key, false, &stmt);
    if (rc != 0) return rc;
    it = s.cache.emplace(std::string(key), std::move(stmt)).first;
  }
  *out = it->second.get();
  return 0;
}

// Bytes of an output's field.
std::size_t FieldSize(const Out& o) {
  switch (o.type) {
    case Type::kText:
      return o.cap;
    case Type::kDouble:
      return sizeof(double);
    default:
      return sizeof(int32_t);
  }
}

// Staging slots are kept 8-byte aligned so doubles and integers can be stored in place.
std::size_t SlotSize(const Out& o) {
  return (FieldSize(o) + 7) & ~std::size_t{7};
}

}  // namespace

void SetBackendWrapper(BackendWrapper wrap) {
  Wrapper() = std::move(wrap);
}

void Attach(std::unique_ptr<Backend> backend) {
  Disconnect();
  S().backend = std::move(backend);
}

void Disconnect() {
  State& s = S();
  s.cursors.clear();
  s.cache.clear();
  s.backend.reset();
  ++s.generation;
  s.in_group = false;
  s.lock_waits = true;
  s.lost = 0;
  s.end_with_write = s.unit_ended = false;
  s.batch = Batch{};
}

bool Connected() {
  return S().backend != nullptr;
}
Backend* CurrentBackend() {
  return S().backend.get();
}
const std::string& ConnectErrorText() {
  return ConnectError();
}

int Sqlcode() {
  return S().sqlcode;
}

int LostStatus() {
  return S().lost;
}

int Connect(std::string_view connect_string, BackendOpener open) {
  // user/password@netservice; the user name cannot hold "/", the net service follows the first
  // "@" after it.
  std::string_view user, password, net;
  const std::size_t slash = connect_string.find('/');
  if (slash == std::string_view::npos) {
    user = connect_string;
  } else {
    user = connect_string.substr(0, slash);
    std::string_view rest = connect_string.substr(slash + 1);
    const std::size_t at = rest.find('@');
    password = rest.substr(0, at);
    if (at != std::string_view::npos) net = rest.substr(at + 1);
  }
  return Connect(user, password, net, open);
}

int Connect(std::string_view user, std::string_view password, std::string_view net,
            BackendOpener open) {
  std::unique_ptr<Backend> backend;
  int rc = open(user, password, net, &backend, &ConnectError());
  if (rc == 0) {
    if (Wrapper()) backend = Wrapper()(std::move(backend));
    Attach(std::move(backend));
  }
  return SetCode(rc);
}

namespace {

constexpr std::string_view kBatchSavepoint = "Batch_Sp";

void SetTagStatus(int tag, int status) {
  std::vector<int>& v = S().batch.status;
  if (tag < 0) return;
  if (static_cast<std::size_t>(tag) >= v.size()) v.resize(static_cast<std::size_t>(tag) + 1, 0);
  v[static_cast<std::size_t>(tag)] = status;
}

bool Fails(int status) {
  return status != 0 && status != kNotFound;
}

// The batch failed at a statement of unit tag: undo it to its savepoint.
int FailBatch(int tag, int status) {
  Batch& b = S().batch;
  b.queue.clear();
  b.failed = true;
  b.failed_status = status;
  b.failed_tag = tag;
  b.open = false;  // the rollback runs as a statement of its own
  ++S().epoch;
  Execute("rollback  to " + std::string(kBatchSavepoint));
  b.open = true;
  return SetCode(status);
}

// A statement of the batch queued, with copies of its inputs.
Queued& Enqueue(BackendStmt* stmt, std::span<const In> in, std::span<const Out> out, bool query) {
  Batch& b = S().batch;
  Queued& q = b.queue.emplace_back();
  q.stmt = stmt;
  q.tag = b.tag;
  q.query = query;
  q.texts.reserve(in.size());
  for (const In& v : in) {
    q.in.push_back(v);
    if (v.type == Type::kText) {
      q.texts.emplace_back(v.text);
      q.in.back().text = q.texts.back();
    }
  }
  q.out.assign(out.begin(), out.end());
  if (query) {
    std::size_t total = 0;
    for (const Out& o : out) total += SlotSize(o);
    q.staging.resize(total / sizeof(double) + 1);
    q.staged = q.out;
    std::size_t off = 0;
    for (Out& o : q.staged) {
      o.dst = reinterpret_cast<unsigned char*>(q.staging.data()) + off;
      off += SlotSize(o);
    }
  }
  SetTagStatus(q.tag, query ? kQueued : 0);
  return q;
}

// Sends what the batch holds. Returns 0 or the status the batch failed with.
int Flush() {
  State& s = S();
  Batch& b = s.batch;
  if (b.failed) return b.failed_status;
  if (b.queue.empty()) return 0;
  std::vector<BatchStatement> run(b.queue.size());
  for (std::size_t i = 0; i < run.size(); ++i) {
    Queued& q = b.queue[i];
    // The texts may have moved with the queue: the inputs view them where they are now.
    std::size_t t = 0;
    for (In& v : q.in) {
      if (v.type == Type::kText) v.text = q.texts[t++];
    }
    run[i].stmt = q.stmt;
    run[i].in = q.in;
    run[i].out = q.staged;
    run[i].query = q.query;
  }
  const std::size_t failed = static_cast<std::size_t>(s.backend->RunBatch(run));
  for (std::size_t i = 0; i < run.size() && i < failed; ++i) {
    Queued& q = b.queue[i];
    SetTagStatus(q.tag, run[i].status);
    if (q.query && run[i].status == 0) {
      for (std::size_t k = 0; k < q.out.size(); ++k) {
        std::memcpy(q.out[k].dst, q.staged[k].dst, FieldSize(q.out[k]));
      }
    }
  }
  if (failed < run.size()) {
    const int status = run[failed].status != 0 ? run[failed].status : kOtherError;
    SetCode(status);  // a lost connection is noted
    return FailBatch(b.queue[failed].tag, status);
  }
  b.queue.clear();
  return SetCode(0);
}

// A statement run at once inside a batch (a backend that does not batch): its failure fails the
// batch.
int RanInBatch(int status) {
  Batch& b = S().batch;
  SetTagStatus(b.tag, status);
  if (Fails(status)) return FailBatch(b.tag, status);
  return status;
}

bool Queues() {
  const State& s = S();
  return s.batch.open && s.backend && s.backend->Batches();
}

}  // namespace

int BeginBatch(bool queue_reads) {
  State& s = S();
  s.batch = Batch{};
  const int rc = Execute("savepoint " + std::string(kBatchSavepoint));
  if (rc != 0) return rc;
  s.batch.open = true;
  s.batch.queue_reads = queue_reads;
  return 0;
}

void BatchTag(int tag) {
  S().batch.tag = tag;
  SetTagStatus(tag, 0);
}

int RunBatch() {
  if (!S().batch.open) return 0;
  return Flush();
}

int BatchStatus(int tag) {
  const std::vector<int>& v = S().batch.status;
  return tag >= 0 && static_cast<std::size_t>(tag) < v.size() ? v[static_cast<std::size_t>(tag)]
                                                              : 0;
}

int BatchFailedTag() {
  return S().batch.failed ? S().batch.failed_tag : -1;
}

bool InBatch() {
  return S().batch.open;
}

bool BatchQueues() {
  return Queues();
}

unsigned long TransactionEpoch() {
  return S().epoch;
}

unsigned long SessionGeneration() {
  return S().generation;
}

int EndBatch(bool keep) {
  State& s = S();
  Batch& b = s.batch;
  if (!b.open) return 0;
  int rc = keep ? Flush() : 0;
  if (b.failed) {
    rc = b.failed_status;
  } else {
    b.queue.clear();
    b.open = false;
    if (keep) {
      SetCode(s.backend ? s.backend->ReleaseSavepoint(kBatchSavepoint) : kNotLoggedOn);
    } else {
      ++s.epoch;
      Execute("rollback  to " + std::string(kBatchSavepoint));
    }
  }
  b.open = false;
  b.queue.clear();
  return rc;
}

int Execute(std::string_view text, std::span<const In> in) {
  BackendStmt* stmt = nullptr;
  if (int rc = Prepared(text, false, &stmt); rc != 0) return SetCode(rc);
  if (S().batch.open) {
    if (S().batch.failed) return SetCode(S().batch.failed_status);
    if (Queues()) {
      Enqueue(stmt, in, {}, false);
      return SetCode(0);
    }
    int rc = stmt->Execute(in);
    stmt->Close();
    return RanInBatch(SetCode(rc));
  }
  int rc = stmt->Execute(in);
  stmt->Close();
  return SetCode(rc);
}

int SelectInto(std::string_view text, std::span<const In> in, std::span<const Out> out) {
  BackendStmt* stmt = nullptr;
  if (int rc = Prepared(text, true, &stmt); rc != 0) return SetCode(rc);
  if (S().batch.open) {
    Batch& b = S().batch;
    if (b.failed) return SetCode(b.failed_status);
    if (Queues()) {
      Enqueue(stmt, in, out, true);
      if (b.queue_reads) return SetCode(kQueued);
      const int tag = b.tag;
      if (int rc = Flush(); rc != 0) return rc;
      return SetCode(BatchStatus(tag));
    }
    b.open = false;  // at once, as outside a batch
    const int rc = SelectInto(text, in, out);
    b.open = true;
    return RanInBatch(rc);
  }
  int rc = stmt->Execute(in);
  if (rc != 0) {
    stmt->Close();
    return SetCode(rc);
  }
  // The row is staged first: the caller's fields change only when exactly one row was found.
  State& s = S();
  std::size_t total = 0;
  for (const Out& o : out) total += SlotSize(o);
  if (s.staging.size() * sizeof(double) < total) s.staging.resize(total / sizeof(double) + 1);
  std::vector<Out>& staged = s.staged;
  staged.assign(out.begin(), out.end());
  std::size_t off = 0;
  for (Out& o : staged) {
    o.dst = reinterpret_cast<unsigned char*>(s.staging.data()) + off;
    off += SlotSize(o);
  }
  rc = stmt->Fetch(staged);
  if (rc == 0) {
    int next = stmt->Fetch({});
    if (next == 0) {
      rc = kTooManyRows;
    } else if (next != kNotFound) {
      rc = next;
    }
  }
  stmt->Close();
  if (rc == 0) {
    for (std::size_t i = 0; i < out.size(); ++i) {
      std::memcpy(out[i].dst, staged[i].dst, FieldSize(out[i]));
    }
  }
  return SetCode(rc);
}

void Commit() {
  State& s = S();
  ++s.epoch;
  SetCode(s.backend ? s.backend->Commit() : kNotLoggedOn);
}

void Rollback() {
  State& s = S();
  ++s.epoch;
  SetCode(s.backend ? s.backend->Rollback() : kNotLoggedOn);
}

namespace {
// Name of the open unit's savepoint; empty when no unit is open.
std::string& UnitSavepoint() {
  static std::string name;
  return name;
}
}  // namespace

int BeginUnit(std::string_view name) {
  S().end_with_write = S().unit_ended = S().unit_wrote = false;
  std::string& savepoint = UnitSavepoint();
  savepoint.assign(name).append("_Sp");
  static std::string text;  // kept: a run begins a unit per row
  text.assign("savepoint ").append(savepoint);
  return Execute(text);
}

int BeginGroupUnit(std::string_view name) {
  S().in_group = true;
  return BeginUnit(name);
}

void EndUnitWithNextWrite() {
  S().end_with_write = !S().in_group && !UnitSavepoint().empty();
}

int EndUnit(bool keep) {
  const std::string savepoint = std::move(UnitSavepoint());
  UnitSavepoint().clear();
  S().end_with_write = false;
  if (S().unit_ended) {  // its last write committed it: nothing is left to keep or undo
    S().unit_ended = false;
    return SetCode(S().unit_end_status);
  }
  if (S().in_group) {
    if (!keep) {
      ++S().epoch;
      return Execute("rollback  to " + savepoint);
    }
    State& s = S();
    return SetCode(s.backend ? s.backend->ReleaseSavepoint(savepoint) : kNotLoggedOn);
  }
  if (!keep) {
    const int rc = Execute("rollback  to " + savepoint);
    Commit();  // ends the transaction, so other sessions are not held up by it
    return SetCode(rc != 0 ? rc : Sqlcode());
  }
  Commit();
  return Sqlcode();
}

int EndGroup(bool keep) {
  State& s = S();
  if (!s.in_group) return SetCode(0);
  s.in_group = false;
  UnitSavepoint().clear();
  if (!keep) {
    Rollback();
    return Sqlcode();
  }
  Commit();
  const int rc = Sqlcode();
  // A commit the database refused leaves nothing of the group: nor the locks it holds.
  if (rc != 0) Rollback();
  return SetCode(rc);
}

bool GroupFull() {
  const State& s = S();
  return s.in_group && s.backend && s.backend->TransactionFull();
}

void SetLockWait(bool wait) {
  S().lock_waits = wait;
}

bool LockWaits() {
  return S().lock_waits;
}

int WriteWithSavepoint(std::string_view routine, std::string_view text, std::span<const In> in) {
  // In a batch the statement goes alone: its failure undoes the whole batch to its savepoint.
  if (S().batch.open) return Execute(text, in);
  // The texts are put together on the stack: this runs once or twice per downloaded row.
  const std::size_t n = std::min<std::size_t>(routine.size(), 64);
  auto compose = [&](char* buf, std::string_view head) {
    std::memcpy(buf, head.data(), head.size());
    std::memcpy(buf + head.size(), routine.data(), n);
    std::memcpy(buf + head.size() + n, "_Sp", 3);
    return std::string_view(buf, head.size() + n + 3);
  };
  char buf[96];
  State& s = S();
  const bool ending = s.end_with_write && !s.in_group && !UnitSavepoint().empty() && !s.unit_wrote;
  s.end_with_write = false;
  s.unit_wrote = !UnitSavepoint().empty();
  // The savepoint undoes the write alone when it fails. Inside a unit, where the database does
  // that by itself, it is neither set nor rolled back to (a round trip each): the unit's end
  // keeps or undoes the rest. Outside one the rollback to it also ends a transaction that held
  // nothing before the write, and with it whatever the write locked.
  const bool own =
      !s.backend || !s.backend->UndoesFailedStatement() || (UnitSavepoint().empty() && !s.in_group);
  if (own) Execute(compose(buf, "savepoint "));  // its status is not examined: the write decides
  if (ending) {
    BackendStmt* stmt = nullptr;
    int rc = Prepared(text, false, &stmt);
    bool ended = false;
    if (rc == 0) {
      rc = stmt->ExecuteCommitting(in, &ended, &s.unit_end_status);
      stmt->Close();
    }
    s.unit_ended = ended;
    if (ended) ++s.epoch;  // the transaction ended with it, as a commit ends it
    // Committed, the unit has nothing left to roll back: a write that touched no row changed
    // nothing, as its rollback would have left it.
    if (ended || rc == 0) return SetCode(rc);
    if (own) Execute(compose(buf, "rollback  to "));
    return SetCode(rc);
  }
  const int rc = Execute(text, in);
  if (rc == 0) {
    if (UnitSavepoint().empty() && !S().in_group) Commit();  // a unit's or group's end commits
  } else if (own) {
    Execute(compose(buf, "rollback  to "));
  }
  return SetCode(rc);
}

int Cursor::Statement() {
  State& s = S();
  if (!s.backend) return kNotLoggedOn;
  if (stmt_ == nullptr || generation_ != s.generation) {
    std::unique_ptr<BackendStmt> stmt;
    int rc = s.backend->Prepare(text_, true, &stmt);
    if (rc != 0) return rc;
    stmt_ = stmt.get();
    s.cursors[this] = std::move(stmt);
    generation_ = s.generation;
    open_ = false;
  }
  return 0;
}

void Cursor::OpenAhead(std::span<const In> in) {
  // A cursor still open keeps its rows; its next Open comes after a Close, and alone.
  if (!open_ && Statement() == 0) stmt_->ExecuteAhead(in);
}

int Cursor::Open(std::span<const In> in) {
  if (int rc = Statement(); rc != 0) return SetCode(rc);
  if (open_) stmt_->Close();
  open_ = false;
  int rc = stmt_->Execute(in);
  if (rc == 0) {
    open_ = true;
  } else {
    stmt_->Close();
  }
  return SetCode(rc);
}

int Cursor::Fetch(std::span<const Out> out) {
  if (!open_ || generation_ != S().generation) return SetCode(kNotConnectedFetch);
  return SetCode(stmt_->Fetch(out));
}

int Cursor::Close() {
  if (!open_ || generation_ != S().generation) {
    open_ = false;
    return SetCode(kNotConnectedFetch);
  }
  open_ = false;
  return SetCode(stmt_->Close());
}

std::string RemoveIntoClause(std::string_view text) {
  // "select a ,b into :b0:b1,:b2:b3  from T ..." -> "select a ,b  from T ...". The clause runs
  // from the word "into" to the word "from"; quoted literals are skipped.
  auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
  auto word_at = [&](std::size_t i, std::string_view w) {
    if (i + w.size() > text.size()) return false;
    for (std::size_t k = 0; k < w.size(); ++k) {
      if (lower(text[i + k]) != w[k]) return false;
    }
    auto is_ident = [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    };
    if (i > 0 && is_ident(text[i - 1])) return false;
    if (i + w.size() < text.size() && is_ident(text[i + w.size()])) return false;
    return true;
  };
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\'') quoted = !quoted;
    if (quoted || !word_at(i, "into")) continue;
    for (std::size_t j = i + 4; j < text.size(); ++j) {
      if (word_at(j, "from")) {
        std::string out(text.substr(0, i));
        out.append(text.substr(j));
        return out;
      }
    }
    break;
  }
  return std::string(text);
}

}  // namespace jf::sql
