#include "msg/Progress.h"

#include "platform/Env.h"

namespace jf {

namespace {

constexpr auto kRedraw = std::chrono::milliseconds(250);
// Longer text would wrap, and the carriage return would no longer reach its start.
constexpr std::size_t kWidth = 79;

ProgressLine* g_shown = nullptr;  // the line on the screen, if any

}  // namespace

ProgressLine::ProgressLine(bool wanted)
    : active_(wanted && StdErrIsTerminal()), stdout_too_(active_ && StdOutIsTerminal()) {}

ProgressLine::~ProgressLine() {
  Hide();
}

bool ProgressLine::Due() {
  if (!active_) return false;
  const auto now = std::chrono::steady_clock::now();
  if (now < next_) return false;
  next_ = now + kRedraw;
  return true;
}

void ProgressLine::Draw(std::string_view text) {
  if (!active_) return;
  text = text.substr(0, kWidth);
  std::string out = "\r";
  out += text;
  // Blanks over what the longer text before left on the screen.
  if (shown_ > text.size()) out.append(shown_ - text.size(), ' ');
  WriteStdErr(out);
  shown_ = text.size();
  g_shown = this;
}

void ProgressLine::Hide() {
  if (shown_ == 0) return;
  std::string out = "\r";
  out.append(shown_, ' ');
  out += '\r';
  WriteStdErr(out);
  shown_ = 0;
  if (g_shown == this) g_shown = nullptr;
}

void ProgressLine::Print(std::string_view text) {
  if (!active_) return;
  Hide();
  WriteStdErr(text);
}

void HideProgressLine() {
  if (g_shown != nullptr) g_shown->Hide();
}

std::string Grouped(unsigned long long n) {
  const std::string digits = std::to_string(n);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace jf
