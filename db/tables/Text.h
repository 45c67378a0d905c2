// Fixed-width text field: at most N characters and a terminating zero in N + 1 bytes.
// Assignment cuts to N characters, so no copy into a record field can overrun it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace jf {

template <std::size_t N>
struct Text {
  char s[N + 1] = {};

  static constexpr std::size_t kWidth = N;

  Text() = default;
  Text(std::string_view v) { Set(v); }  // NOLINT: implicit on purpose, fields read like strings
  Text& operator=(std::string_view v) {
    Set(v);
    return *this;
  }

  void Set(std::string_view v) {
    const std::size_t n = std::min(v.size(), N);
    std::memcpy(s, v.data(), n);
    std::memset(s + n, 0, N + 1 - n);
  }
  void Clear() { std::memset(s, 0, sizeof s); }

  std::string_view view() const { return std::string_view(s, ::strnlen(s, N)); }
  operator std::string_view() const { return view(); }  // NOLINT
  const char* c_str() const { return s; }
  char* data() { return s; }
  std::size_t size() const { return view().size(); }
  bool empty() const { return s[0] == '\0'; }

  friend bool operator==(const Text& a, std::string_view b) { return a.view() == b; }
};

// A date field and a time field written as one instant: a buffer of 14 characters receives the
// date, then the time. Both empty give the empty text, which the database stores as NULL; a date
// alone reads as its midnight.
inline Text<14> JoinDateTime(const Text<8>& date, const Text<6>& time) {
  char buf[14];
  const std::size_t d = date.size();
  const std::size_t t = time.size();
  std::memcpy(buf, date.c_str(), d);
  std::memcpy(buf + d, time.c_str(), t);
  return Text<14>(std::string_view(buf, d + t));
}

}  // namespace jf
