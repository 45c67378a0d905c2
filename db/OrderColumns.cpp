#include "db/OrderColumns.h"

#include <cstring>
#include <string_view>

namespace jf {

Text<14> JoinDateTime(const Text<8>& date, const Text<6>& time) {
  char buf[14];
  const std::size_t d = date.size();
  const std::size_t t = time.size();
  std::memcpy(buf, date.c_str(), d);
  std::memcpy(buf + d, time.c_str(), t);
  return Text<14>(std::string_view(buf, d + t));
}

}  // namespace jf
