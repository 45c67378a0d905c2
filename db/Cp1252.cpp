#include "db/Cp1252.h"

#include <algorithm>
#include <cstring>

namespace jf::cp1252 {

namespace {

// 0x80 to 0x9F; the rest of the code page is Latin-1, byte for character.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

}  // namespace

char32_t ToUnicode(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

int FromUnicode(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == c) return 0x80 + i;
  }
  return -1;
}

void AppendUtf8(std::string_view text, std::string* out) {
  out->reserve(out->size() + text.size());
  for (const char ch : text) {
    const char32_t c = ToUnicode(static_cast<unsigned char>(ch));
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (c >> 6)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {  // every character of the code page is below U+10000
      out->push_back(static_cast<char>(0xE0 | (c >> 12)));
      out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
}

std::size_t DecodeUtf8(std::string_view text, char32_t* c) {
  if (text.empty()) return 0;
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = b(0);
  std::size_t n = 0;
  char32_t v = 0, min = 0;
  if (lead < 0x80) {
    *c = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2, v = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3, v = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4, v = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < n) return 0;
  for (std::size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    v = (v << 6) | (b(i) & 0x3F);
  }
  if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *c = v;
  return n;
}

Converted FromUtf8(std::string_view utf8, char* dst, std::size_t cap) {
  Converted r;
  std::size_t i = 0;
  while (i < utf8.size()) {
    // Runs of plain ASCII, the usual case, go across whole.
    std::size_t run = i;
    while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80) ++run;
    if (run > i) {
      const std::size_t n = run - i;
      if (r.written < cap) {
        const std::size_t k = std::min(n, cap - r.written);
        std::memcpy(dst + r.written, utf8.data() + i, k);
        r.written += k;
      }
      r.length += n;
      i = run;
      continue;
    }
    char32_t c = 0;
    const std::size_t n = DecodeUtf8(utf8.substr(i), &c);
    char out;
    if (n == 0) {
      out = utf8[i];  // not UTF-8: the byte as it was stored
      i += 1;
    } else {
      const int byte = FromUnicode(c);
      if (byte < 0) ++r.replaced;
      out = byte < 0 ? '?' : static_cast<char>(byte);
      i += n;
    }
    if (r.written < cap) dst[r.written++] = out;
    ++r.length;
  }
  return r;
}

int16_t FromUtf8ToField(std::string_view utf8, char* dst, std::size_t cap) {
  const Converted c = FromUtf8(utf8, dst, cap - 1);
  std::memset(dst + c.written, 0, cap - c.written);
  return c.written < c.length ? static_cast<int16_t>(std::min<std::size_t>(c.length, 32767)) : 0;
}

std::size_t FromUtf8(std::string_view utf8, std::string* out) {
  out->resize(utf8.size());  // never longer than its UTF-8 form
  const Converted r = FromUtf8(utf8, out->data(), out->size());
  out->resize(r.written);
  return r.replaced;
}

}  // namespace jf::cp1252
