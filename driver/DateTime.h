// Date and time texts of the local clock.
#pragma once

namespace jf {

// Formats the local date and time (one clock reading) by style into date (40 bytes) and time
// (9 bytes); an output the style does not fill is empty. Style 3, the run's: "20%y%m%d" and
// "%H%M%S". Always returns 0.
int DateTimeText(char* date, char* time, int style);

}  // namespace jf
