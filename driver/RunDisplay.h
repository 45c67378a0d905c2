// What a run started by hand shows the person who started it, on standard error: a progress line
// while a download runs (kind, rows so far, rate) and a summary when the run ends (rows sent and
// failed per kind, lines per terminal, time taken, the message file when it got entries). Only
// when standard error is a terminal and --quiet was not given; a scheduled run shows nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "download/DnlWatch.h"
#include "msg/Progress.h"

namespace jf {

class RunDisplay final : public DnlWatcher {
 public:
  // title: what the summary is about ("jobfeed-master MEISTER1"). Watches the downloads while it
  // lives, when it shows at all.
  RunDisplay(std::string title, bool wanted);
  ~RunDisplay() override;

  // Lists a download that runs (its kind: "APK", "APP", "MAG", "MAS", "UBG", "PNR", "KST") in
  // the summary even when it finds no row.
  void Expect(std::string_view kind);
  // Writes the summary; status is the run's.
  void Finish(int32_t status);
  // Writes the summary of a run whose connect failed with status, for the reason why.
  void ConnectFailed(int32_t status, std::string_view why);

  void RowDone(const char* function, bool sent) override;
  void LineWritten(int32_t terminal) override;
  void RowsUntried(const char* function, uint64_t n) override;

 private:
  struct Kind {
    const char* tag;  // the download's table tag ("Apk")
    uint64_t sent = 0, failed = 0;
    uint64_t untried = 0;  // left due behind a failed row of an order download
    std::chrono::steady_clock::time_point start{};
  };
  Kind* Find(std::string_view tag);

  ProgressLine line_;
  std::string title_;
  std::chrono::steady_clock::time_point start_;
  std::vector<Kind> kinds_;  // in the order they ran
  Kind* current_ = nullptr;
  std::map<int32_t, uint64_t> lines_;  // by terminal
};

}  // namespace jf
