// Field formatting of the fixed-width download records. Every routine writes exactly `width`
// bytes at dst and never more, whatever the value, so a record buffer cannot be overrun by a
// long text or a huge number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace jf::field {

// Width of a quantity text and of its short form.
inline constexpr std::size_t kQuantityWidth = 11;
inline constexpr std::size_t kShortWidth = 7;
inline constexpr std::size_t kDateWidth = 6;

// The byte as a line carries it: a control byte (0x00 to 0x1F, 0x7F) of a database text would
// break the line for a reader that splits at CR LF, so it goes out as "?", as a character the
// code page lacks already does.
constexpr char LineChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F ? '?' : c;
}

// v left-justified, padded with spaces, cut when longer; control bytes as LineChar gives them.
void PutText(char* dst, std::size_t width, std::string_view v);
// v as "%d", left-justified, padded with spaces, cut when longer.
void PutInt(char* dst, std::size_t width, int32_t v);
// "%d" of v, written into buf (16 bytes hold any 32-bit value).
std::string_view DecimalText(char (&buf)[16], int32_t v);
// The quantity text: "%012.3f" with the decimal point removed, first 11 characters (three
// implied decimals). 125.5 gives 00000125500, -125.5 gives -0000125500.
void PutQuantity(char* dst, double v);
// The 7-character short text: characters 4 to 10 (counted from 1) of the quantity text, that
// is the last five integer digits and two decimals. 12.345 gives 0001234; a sign is lost.
void PutShort(char* dst, double v);
// yymmdd of a yyyymmdd text (its characters 3 to 8); six spaces when the text is empty.
void PutDate(char* dst, std::string_view yyyymmdd);
// One status character: 10 goes out as '0', any other value as the first character of "%d".
char StatusChar(int32_t v);

// A record of N characters, space-filled, filled field by field at fixed offsets. Writes that
// reach past the end are cut at N.
template <std::size_t N>
class FixedRecord {
 public:
  FixedRecord() {
    for (char& c : buf_) c = ' ';
  }
  void Text(std::size_t off, std::size_t width, std::string_view v) {
    char* dst = At(off, &width);
    PutText(dst, width, v);
  }
  // Right-justified in its field, cut to its first `width` characters when longer.
  void TextRight(std::size_t off, std::size_t width, std::string_view v) {
    const std::size_t n = v.size() < width ? v.size() : width;
    Text(off, width - n, {});
    Text(off + width - n, n, v.substr(0, n));
  }
  void Int(std::size_t off, std::size_t width, int32_t v) {
    char tmp[16];
    PutInt(tmp, sizeof tmp, v);
    Text(off, width, std::string_view(tmp, width < sizeof tmp ? width : sizeof tmp));
  }
  void IntRight(std::size_t off, std::size_t width, int32_t v) {
    char tmp[16];
    TextRight(off, width, DecimalText(tmp, v));
  }
  void Quantity(std::size_t off, double v) {
    char tmp[kQuantityWidth];
    PutQuantity(tmp, v);
    Text(off, kQuantityWidth, std::string_view(tmp, sizeof tmp));
  }
  void Short(std::size_t off, double v) {
    char tmp[kShortWidth];
    PutShort(tmp, v);
    Text(off, kShortWidth, std::string_view(tmp, sizeof tmp));
  }
  void Date(std::size_t off, std::string_view yyyymmdd) {
    char tmp[kDateWidth];
    PutDate(tmp, yyyymmdd);
    Text(off, kDateWidth, std::string_view(tmp, sizeof tmp));
  }
  void Status(std::size_t off, int32_t v) { Char(off, StatusChar(v)); }
  void Char(std::size_t off, char c) {
    if (off < N) buf_[off] = c;
  }
  std::string_view view() const { return std::string_view(buf_, N); }

 private:
  char* At(std::size_t off, std::size_t* width) {
    if (off >= N) {
      *width = 0;
      return buf_;
    }
    if (*width > N - off) *width = N - off;
    return buf_ + off;
  }
  char buf_[N];
};

}  // namespace jf::field
