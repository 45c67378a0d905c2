// The program's one text encoding, Windows-1252, and its conversion to and from Unicode. Every
// text inside the program (records, send-buffer lines, messages) is a string of Windows-1252
// bytes, one byte per character; a backend whose database or client speaks UTF-8 converts at its
// edge with these functions, as do the terminal's arguments and output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace jf::cp1252 {

// The Unicode character a byte stands for. The five bytes the code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same numbers, as Windows'
// own conversion has them, so every byte survives a trip through Unicode.
char32_t ToUnicode(unsigned char byte);

// The byte of a Unicode character, or -1 when the code page lacks it.
int FromUnicode(char32_t c);

inline bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Appends text, converted to UTF-8, to *out.
void AppendUtf8(std::string_view text, std::string* out);
inline std::string ToUtf8(std::string_view text) {
  std::string out;
  AppendUtf8(text, &out);
  return out;
}

// What a conversion from UTF-8 gave.
struct Converted {
  std::size_t written = 0;   // bytes written
  std::size_t length = 0;    // characters of the whole text, written or not
  std::size_t replaced = 0;  // characters the code page lacks, each written as "?"
};

// Converts UTF-8 into at most cap bytes at dst (no terminator is added). A byte that does not
// begin a valid UTF-8 sequence stands for itself: databases written by earlier versions hold
// Windows-1252 bytes, which are read as they were stored. A character the code page lacks
// becomes "?", as Oracle's client gives it. Every character is one byte, so a text cut to cap
// is cut between characters.
Converted FromUtf8(std::string_view utf8, char* dst, std::size_t cap);

// Fills a field of cap bytes (cap >= 1) at dst with the text, cut to cap - 1 characters and
// padded with zeros. Returns 0, or, when the text was cut, its whole length (at most 32767) as
// Oracle's client gives it in a fetched column's indicator.
int16_t FromUtf8ToField(std::string_view utf8, char* dst, std::size_t cap);

// The same into a string; returns how many characters became "?".
std::size_t FromUtf8(std::string_view utf8, std::string* out);

// Decodes one UTF-8 sequence at the start of text into *c and returns its length in bytes; 0 when
// the text does not start with a valid sequence (overlong forms and surrogates are not valid).
std::size_t DecodeUtf8(std::string_view text, char32_t* c);

}  // namespace jf::cp1252
