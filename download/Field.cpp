#include "download/Field.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace jf::field {

void PutText(char* dst, std::size_t width, std::string_view v) {
  const std::size_t n = v.size() < width ? v.size() : width;
  for (std::size_t i = 0; i < n; ++i) dst[i] = LineChar(v[i]);
  std::memset(dst + n, ' ', width - n);
}

std::string_view DecimalText(char (&buf)[16], int32_t v) {
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
}

void PutInt(char* dst, std::size_t width, int32_t v) {
  char tmp[16];
  PutText(dst, width, DecimalText(tmp, v));
}

void PutQuantity(char* dst, double v) {
  std::size_t out = 0;
  if (!std::isfinite(v)) {
    // A huge value formats to far more than 12 characters; only the first 12 can reach the
    // 11 kept after the point is removed, so a short buffer that snprintf cuts is enough.
    char tmp[32];
    std::snprintf(tmp, sizeof tmp, "%012.3f", v);
    for (const char* p = tmp; *p != '\0' && out < kQuantityWidth; ++p) {
      if (*p != '.') dst[out++] = *p;
    }
  } else {
    // "%012.3f" without printf: to_chars rounds exactly as printf does, the zero padding goes
    // between the sign and the digits. Three quantities a position make this worth it.
    char tmp[400];  // the fixed form of the largest double has 309 digits
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, 3);
    const char* p = tmp;
    const char* const end = r.ptr;
    if (p != end && *p == '-') dst[out++] = *p++;
    const std::ptrdiff_t len = end - tmp;
    for (std::ptrdiff_t pad = 12 - len; pad > 0 && out < kQuantityWidth; --pad) dst[out++] = '0';
    for (; p != end && out < kQuantityWidth; ++p) {
      if (*p != '.') dst[out++] = *p;
    }
  }
  // Only NaN or infinity can give fewer characters than 11.
  if (out < kQuantityWidth) std::memset(dst + out, ' ', kQuantityWidth - out);
}

void PutShort(char* dst, double v) {
  char q[kQuantityWidth];
  PutQuantity(q, v);
  std::memcpy(dst, q + 3, kShortWidth);
}

void PutDate(char* dst, std::string_view yyyymmdd) {
  PutText(dst, kDateWidth, yyyymmdd.size() > 2 ? yyyymmdd.substr(2) : std::string_view());
}

char StatusChar(int32_t v) {
  if (v == 10) return '0';
  char tmp[16];
  return DecimalText(tmp, v)[0];
}

}  // namespace jf::field
