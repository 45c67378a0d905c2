// A one-line progress display on standard error for a person watching a long run or command. It
// shows only when standard error is a terminal (a console on Windows) and the program was not
// told to keep quiet: for a file, a pipe or a closed stream, which is how a scheduler, the order
// system and the tests see the programs, it writes nothing at all.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace jf {

class ProgressLine {
 public:
  // wanted: the program allows the display (no --quiet); it shows only on a terminal besides.
  explicit ProgressLine(bool wanted);
  ~ProgressLine();  // takes the line off the screen
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  bool active() const { return active_; }
  // Whether a redraw is due: a display that changes more than a few times a second is only
  // flicker. Cheap enough to ask for every row.
  bool Due();
  // Shows text in place of what the line showed (cut to fit a narrow terminal's line).
  void Draw(std::string_view text);
  // Takes the line off the screen, so other output starts at the left; Draw brings it back.
  void Hide();
  // Hides the line when standard output shows on the same terminal: before a program's output.
  void MakeRoom() {
    if (stdout_too_) Hide();
  }
  // Writes text below the line (a summary): the line is hidden first.
  void Print(std::string_view text);

 private:
  bool active_;
  bool stdout_too_;
  std::size_t shown_ = 0;  // characters on the screen
  std::chrono::steady_clock::time_point next_{};
};

// Hides the progress line on the screen, if any: for other output to standard error (an entry
// the message file could not take).
void HideProgressLine();

// "12,345": a count as a person reads it.
std::string Grouped(unsigned long long n);

}  // namespace jf
