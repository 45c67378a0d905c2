#include "driver/RunDisplay.h"

#include <cstdio>
#include <utility>

#include "msg/Msg.h"
#include "platform/Stop.h"

namespace jf {

namespace {

using Clock = std::chrono::steady_clock;

struct KindName {
  const char* tag;   // of the download function: "Apk" for Apk_Dnl
  const char* kind;  // as the command line and the send-buffer lines name it
  const char* rows;
};
constexpr KindName kNames[] = {
    {"Apk", "APK", "order headers"},        {"App", "APP", "order positions"},
    {"Apg", "MAG", "workplace groups"},     {"Apl", "MAS", "workplaces"},
    {"Ubg", "UBG", "interruption reasons"}, {"Prv", "PNR", "persons (PNR and AWN lines)"},
    {"Ksg", "KST", "cost centres"},
};

const KindName* NameOfTag(std::string_view tag) {
  for (const KindName& n : kNames) {
    if (tag == n.tag) return &n;
  }
  return nullptr;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

RunDisplay::RunDisplay(std::string title, bool wanted)
    : line_(wanted), title_(std::move(title)), start_(Clock::now()) {
  if (line_.active()) DnlWatch() = this;
}

RunDisplay::~RunDisplay() {
  if (DnlWatch() == this) DnlWatch() = nullptr;
}

RunDisplay::Kind* RunDisplay::Find(std::string_view tag) {
  for (Kind& k : kinds_) {
    if (tag == k.tag) return &k;
  }
  const KindName* n = NameOfTag(tag);
  if (n == nullptr) return nullptr;
  kinds_.push_back(Kind{n->tag});
  return &kinds_.back();
}

void RunDisplay::Expect(std::string_view kind) {
  if (!line_.active()) return;
  for (const KindName& n : kNames) {
    if (kind == n.kind) Find(n.tag);
  }
}

void RunDisplay::RowDone(const char* function, bool sent) {
  // Rows come in runs of one download: the current kind is nearly always the right one.
  const std::string_view tag = std::string_view(function).substr(0, 3);
  if (current_ == nullptr || tag != current_->tag) {
    current_ = Find(tag);
    if (current_ == nullptr) return;
    current_->start = Clock::now();
  }
  ++(sent ? current_->sent : current_->failed);
  if (!line_.Due()) return;
  const KindName* n = NameOfTag(current_->tag);
  std::string text = std::string(n->kind) + " " + n->rows + ": " + Grouped(current_->sent) +
                     " sent, " + Grouped(current_->failed) + " failed";
  // A rate over less than a second says nothing yet.
  if (const double seconds = Seconds(current_->start); seconds >= 1) {
    const auto rows = static_cast<double>(current_->sent + current_->failed);
    text += ", " + Grouped(static_cast<uint64_t>(rows / seconds)) + " rows/s";
  }
  line_.Draw(text);
}

void RunDisplay::LineWritten(int32_t terminal) {
  ++lines_[terminal];
}

void RunDisplay::RowsUntried(const char* function, uint64_t n) {
  current_ = nullptr;  // Find may move the kinds
  if (Kind* k = Find(std::string_view(function).substr(0, 3)); k != nullptr) k->untried += n;
}

void RunDisplay::Finish(int32_t status) {
  if (!line_.active()) return;
  char buf[200];
  std::string out;
  std::snprintf(buf, sizeof buf, "%s: %s %.1f s, status %d\n", title_.c_str(),
                StopRequested() != 0 ? "stopped after" : "done in", Seconds(start_),
                static_cast<int>(status));
  out += buf;
  uint64_t failed = 0, untried = 0;
  for (const Kind& k : kinds_) {
    const KindName* n = NameOfTag(k.tag);
    std::snprintf(buf, sizeof buf, "  %s  %-28s %9s sent %9s failed", n->kind, n->rows,
                  Grouped(k.sent).c_str(), Grouped(k.failed).c_str());
    out += buf;
    if (k.untried > 0) out += " " + Grouped(k.untried) + " untried";
    out += '\n';
    failed += k.failed;
    untried += k.untried;
  }
  if (failed > 0) out += "  rows that failed stay due for the next run\n";
  if (StopRequested() != 0) out += "  rows not reached stay due for the next run\n";
  if (untried > 0) {
    out +=
        "  an order download stops at its first failed row: the untried rows behind it stay "
        "due as well\n";
  }
  if (lines_.empty()) out += "  no lines written\n";
  for (const auto& [terminal, n] : lines_) {
    out += "  terminal " + std::to_string(terminal) + ": " + Grouped(n) + " lines\n";
  }
  if (Msg_EntryCount() > 0) {
    out += "  " + Grouped(static_cast<uint64_t>(Msg_EntryCount())) +
           " new entries in the message file .\\Msg\\Jobfeed.txt: see there what failed\n";
  }
  line_.Print(out);
}

void RunDisplay::ConnectFailed(int32_t status, std::string_view why) {
  if (!line_.active()) return;
  char buf[200];
  std::snprintf(buf, sizeof buf, "%s: the connect to the database failed after %.1f s, status %d\n",
                title_.c_str(), Seconds(start_), static_cast<int>(status));
  std::string out = buf;
  if (!why.empty()) out += "  " + std::string(why) + "\n";
  out += "  nothing was sent; the next run sends what is due\n";
  if (Msg_EntryCount() > 0) {
    out += "  " + Grouped(static_cast<uint64_t>(Msg_EntryCount())) +
           " new entries in the message file .\\Msg\\Jobfeed.txt\n";
  }
  line_.Print(out);
}

}  // namespace jf
