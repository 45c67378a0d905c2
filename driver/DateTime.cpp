#include "driver/DateTime.h"

#include <cstdio>
#include <cstring>

#include "platform/Env.h"

namespace jf {

int DateTimeText(char* date, char* time, int style) {
  std::memset(date, 0, 4);
  std::memset(time, 0, 4);
  LocalTime t;
  if (!env()->Now(&t)) return 0;
  const int yy = t.year % 100;
  // The century is the literal "20", as the terminals expect it.
  switch (style) {
    case 1:
      std::snprintf(date, 40, "%02d%02d20%02d", t.day, t.month, yy);
      std::snprintf(time, 9, "%02d%02d%02d", t.hour, t.minute, t.second);
      break;
    case 2:
      std::snprintf(date, 40, "%02d%02d20%02d%02d%02d%02d", t.day, t.month, yy, t.hour, t.minute,
                    t.second);
      break;
    case 3:
      std::snprintf(date, 40, "20%02d%02d%02d", yy, t.month, t.day);
      std::snprintf(time, 9, "%02d%02d%02d", t.hour, t.minute, t.second);
      break;
    case 4:
      std::snprintf(date, 40, "20%02d%02d%02d%02d%02d%02d", yy, t.month, t.day, t.hour, t.minute,
                    t.second);
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace jf
