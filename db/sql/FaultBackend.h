// A backend that passes every statement to another backend, counts the executions of each
// statement text, and makes chosen executions or fetches fail with a chosen status. Tests
// reach every database failure branch with it, and a fault sweep lists the statements a run
// executes from its counts.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/sql/Backend.h"

namespace jf::sql {

class FaultBackend final : public Backend {
 public:
  enum Op {
    kExecute,  // running a statement, or opening a cursor
    kFetch,    // fetching a row of a cursor or single-row SELECT
    kClose,    // closing a cursor (the statement is closed all the same)
  };

  explicit FaultBackend(std::unique_ptr<Backend> base) : base_(std::move(base)) {}

  // The nth call (1-based, counted from now) of op on a statement whose text contains
  // text_part fails with status; the statement does not reach the real backend.
  void FailNth(Op op, std::string text_part, int nth, int status);
  // Every such call fails until Clear().
  void FailAlways(Op op, std::string text_part, int status);
  // The nth such call loses the connection: it fails with status, and every later call of any
  // kind (commit and rollback too) with -3114, as a backend whose server is gone answers.
  void LoseNth(Op op, std::string text_part, int nth, int status);
  void Clear() {
    rules_.clear();
    lost_ = false;
  }

  // watch sees every statement's inputs as it runs and its outputs as it fetches (the other span
  // empty), through Show: tests hold the statements to the schema description so.
  using Watcher = std::function<void(const std::string& text, std::span<const In> in,
                                     std::span<const Out> out)>;
  void Watch(Watcher watch) { watch_ = std::move(watch); }
  void Show(const std::string& text, std::span<const In> in, std::span<const Out> out) const {
    if (watch_) watch_(text, in, out);
  }

  // Executions of statements whose text contains text_part (failed ones included).
  int Executions(std::string_view text_part) const;
  // Executions by statement text, as the backend received the texts.
  const std::map<std::string, int>& ExecutionsByText() const { return executions_; }
  void ResetCounts() { executions_.clear(); }

  int Prepare(std::string_view text, bool cursor, std::unique_ptr<BackendStmt>* out) override;
  int Commit() override { return lost_ ? kGone : base_->Commit(); }
  int Rollback() override { return lost_ ? kGone : base_->Rollback(); }
  int ReleaseSavepoint(std::string_view name) override {
    return lost_ ? kGone : base_->ReleaseSavepoint(name);
  }
  bool TransactionFull() const override { return base_->TransactionFull(); }
  bool ConnectionLost() const override { return lost_ || base_->ConnectionLost(); }
  // A failure injected here never reaches the backend: nothing to undo either way.
  bool UndoesFailedStatement() const override { return base_->UndoesFailedStatement(); }
  std::string LastErrorText() const override { return base_->LastErrorText(); }

  // Called by the wrapped statements: counts the call and returns the status it must fail
  // with, or 0.
  int Check(Op op, const std::string& text);

 private:
  struct Rule {
    Op op;
    std::string text_part;
    int nth;  // 0 = always
    int status;
    int seen = 0;
    bool loses = false;
  };
  static constexpr int kGone = -3114;
  bool lost_ = false;
  std::unique_ptr<Backend> base_;
  std::vector<Rule> rules_;
  std::map<std::string, int> executions_;
  Watcher watch_;
};

}  // namespace jf::sql
