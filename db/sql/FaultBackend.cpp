#include "db/sql/FaultBackend.h"

namespace jf::sql {

namespace {

class FaultStmt final : public BackendStmt {
 public:
  FaultStmt(FaultBackend* owner, std::string text, std::unique_ptr<BackendStmt> base)
      : owner_(owner), text_(std::move(text)), base_(std::move(base)) {}

  int Execute(std::span<const In> in) override {
    owner_->Show(text_, in, {});
    if (int status = owner_->Check(FaultBackend::kExecute, text_)) return status;
    return base_->Execute(in);
  }
  int ExecuteCommitting(std::span<const In> in, bool* ended, int* commit) override {
    *ended = false;
    *commit = 0;
    owner_->Show(text_, in, {});
    if (int status = owner_->Check(FaultBackend::kExecute, text_)) return status;
    return base_->ExecuteCommitting(in, ended, commit);
  }
  // Not a call of its own: the Execute that follows is checked as ever.
  void ExecuteAhead(std::span<const In> in) override { base_->ExecuteAhead(in); }
  int Fetch(std::span<const Out> out) override {
    owner_->Show(text_, {}, out);
    if (int status = owner_->Check(FaultBackend::kFetch, text_)) return status;
    return base_->Fetch(out);
  }
  int64_t RowCount() const override { return base_->RowCount(); }
  int Close() override {
    const int rc = base_->Close();
    if (int status = owner_->Check(FaultBackend::kClose, text_)) return status;
    return rc;
  }

 private:
  FaultBackend* owner_;
  std::string text_;
  std::unique_ptr<BackendStmt> base_;
};

}  // namespace

void FaultBackend::FailNth(Op op, std::string text_part, int nth, int status) {
  rules_.push_back(Rule{op, std::move(text_part), nth, status});
}

void FaultBackend::FailAlways(Op op, std::string text_part, int status) {
  rules_.push_back(Rule{op, std::move(text_part), 0, status});
}

void FaultBackend::LoseNth(Op op, std::string text_part, int nth, int status) {
  rules_.push_back(Rule{op, std::move(text_part), nth, status, 0, true});
}

int FaultBackend::Executions(std::string_view text_part) const {
  int n = 0;
  for (const auto& [text, count] : executions_) {
    if (text.find(text_part) != std::string::npos) n += count;
  }
  return n;
}

int FaultBackend::Check(Op op, const std::string& text) {
  if (op == kExecute) ++executions_[text];
  if (lost_) return kGone;
  for (Rule& r : rules_) {
    if (r.op != op || text.find(r.text_part) == std::string::npos) continue;
    ++r.seen;
    if (r.nth == 0 || r.seen == r.nth) {
      lost_ = lost_ || r.loses;
      return r.status;
    }
  }
  return 0;
}

int FaultBackend::Prepare(std::string_view text, bool cursor, std::unique_ptr<BackendStmt>* out) {
  std::unique_ptr<BackendStmt> stmt;
  if (int rc = base_->Prepare(text, cursor, &stmt); rc != 0) return rc;
  *out = std::make_unique<FaultStmt>(this, std::string(text), std::move(stmt));
  return 0;
}

}  // namespace jf::sql
