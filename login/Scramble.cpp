// IDEA block cipher and the two text forms in which login values are stored.
//
// A scrambled text is a sequence of 16-bit cipher words. The digit form writes each word as
// five decimal digits; the letter form takes the digit form two digits at a time and writes
// each pair as the character 'A' + pair.
//
// The unscrambler only accepts what the scrambler can produce. A text that is not of that
// shape is rejected as a whole and unscrambles to the empty text:
//   - more than 52 cipher words (the clear text of a login value has at most 52 characters);
//   - a five-digit group above 65535, or one holding anything but the digits 0-9;
//   - in the letter form, a character outside 'A' (pair 00) to 'A' + 99 (code 164), which
//     would turn into a negative or three-digit number and shift every later group.
// Half a result from a damaged text would be a wrong password or user name that nobody
// notices; an empty one fails the connect plainly. A trailing rest shorter than five digits
// is not part of any word and is ignored, in both forms.

#include "login/Scramble.h"

#include <cstring>

namespace jf {

namespace {

constexpr int kRounds = 8;
constexpr std::size_t kDigitsPerWord = 5;

// Multiplication modulo 2^16 + 1, with the word 0 standing for 2^16.
uint16_t Mul(uint16_t a, uint16_t b) {
  if (a == 0) return static_cast<uint16_t>(0x10001u - b);
  if (b == 0) return static_cast<uint16_t>(0x10001u - a);
  const uint32_t p = static_cast<uint32_t>(a) * b;
  const uint32_t lo = p & 0xFFFFu, hi = p >> 16;
  return static_cast<uint16_t>(lo - hi + (lo < hi ? 1 : 0));
}

// Multiplicative inverse modulo 2^16 + 1; 0 and 1 are their own inverses.
uint16_t MulInv(uint16_t x) {
  if (x <= 1) return x;
  int32_t t0 = 1, t1 = 0x10001 / x;
  int32_t y = 0x10001 % x;
  int32_t a = x;
  // Extended Euclid on (65537, x), kept in the small form of the reference code.
  if (y == 1) return static_cast<uint16_t>(1 - t1);
  for (;;) {
    int32_t q = a / y;
    a %= y;
    t0 += q * t1;
    if (a == 1) return static_cast<uint16_t>(t0);
    q = y / a;
    y %= a;
    t1 += q * t0;
    if (y == 1) return static_cast<uint16_t>(1 - t1);
  }
}

uint16_t AddInv(uint16_t x) {
  return static_cast<uint16_t>(0x10000u - x);
}

// Key words from a key string: word i is the code of byte i, zero past the string's end.
void KeyWords(std::string_view key, uint16_t words[8]) {
  for (std::size_t i = 0; i < 8; ++i) {
    words[i] = i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
  }
}

// Deciphers or enciphers count words (count a multiple of 4) in place.
void CryptWords(const IdeaKey& k, uint16_t* words, std::size_t count) {
  for (std::size_t b = 0; b + 4 <= count; b += 4) IdeaBlock(k, words + b, words + b);
}

struct ParsedText {
  bool valid = true;
  std::size_t count = 0;
  uint16_t words[kMaxCipherWords] = {};
};

// Reads the cipher words of a scrambled text. Never reads or writes past either buffer.
ParsedText ParseWords(std::string_view text, int form) {
  ParsedText r;
  std::string digits;
  if (form == kLetterForm) {
    // Each character stands for a pair of digits. A character outside 'A'..'A'+99 has no pair.
    digits.reserve(text.size() * 2);
    for (char c : text) {
      const int v = static_cast<unsigned char>(c) - 'A';
      if (v < 0 || v > 99) {
        r.valid = false;
        return r;
      }
      digits.push_back(static_cast<char>('0' + v / 10));
      digits.push_back(static_cast<char>('0' + v % 10));
    }
  } else {
    digits.assign(text);
  }
  // Complete groups only: a rest of fewer than five digits belongs to no word.
  const std::size_t n = digits.size() / kDigitsPerWord;
  if (n > kMaxCipherWords) {
    r.valid = false;
    return r;
  }
  for (std::size_t w = 0; w < n; ++w) {
    uint32_t v = 0;
    for (std::size_t d = 0; d < kDigitsPerWord; ++d) {
      const char c = digits[w * kDigitsPerWord + d];
      if (c < '0' || c > '9') {
        r.valid = false;
        return r;
      }
      v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v > 0xFFFFu) {
      r.valid = false;
      return r;
    }
    r.words[w] = static_cast<uint16_t>(v);
  }
  r.count = n;
  return r;
}

}  // namespace

void IdeaEncryptionKey(const uint16_t key[8], IdeaKey* out) {
  // Subkey j is 16 bits of the 128-bit key rotated left by 25 bits for every full group of 8.
  for (int j = 0; j < 52; ++j) {
    const int bit = ((j / 8) * 25 + (j % 8) * 16) % 128;  // offset from the most significant bit
    uint16_t v = 0;
    for (int b = 0; b < 16; ++b) {
      const int pos = (bit + b) % 128;
      const int bitval = (key[pos / 16] >> (15 - pos % 16)) & 1;
      v = static_cast<uint16_t>((v << 1) | bitval);
    }
    out->k[j] = v;
  }
}

void IdeaDecryptionKey(const IdeaKey& enc, IdeaKey* out) {
  const uint16_t* z = enc.k;
  uint16_t* d = out->k;
  // First decryption round undoes the output transformation (no swap of the additive keys).
  d[0] = MulInv(z[48]);
  d[1] = AddInv(z[49]);
  d[2] = AddInv(z[50]);
  d[3] = MulInv(z[51]);
  d[4] = z[46];
  d[5] = z[47];
  for (int r = 1; r < kRounds; ++r) {
    const int e = 48 - 6 * r;
    d[6 * r + 0] = MulInv(z[e + 0]);
    d[6 * r + 1] = AddInv(z[e + 2]);
    d[6 * r + 2] = AddInv(z[e + 1]);
    d[6 * r + 3] = MulInv(z[e + 3]);
    d[6 * r + 4] = z[e - 2];
    d[6 * r + 5] = z[e - 1];
  }
  d[48] = MulInv(z[0]);
  d[49] = AddInv(z[1]);
  d[50] = AddInv(z[2]);
  d[51] = MulInv(z[3]);
}

void IdeaBlock(const IdeaKey& k, const uint16_t in[4], uint16_t out[4]) {
  uint16_t x1 = in[0], x2 = in[1], x3 = in[2], x4 = in[3];
  const uint16_t* z = k.k;
  for (int r = 0; r < kRounds; ++r, z += 6) {
    x1 = Mul(x1, z[0]);
    x2 = static_cast<uint16_t>(x2 + z[1]);
    x3 = static_cast<uint16_t>(x3 + z[2]);
    x4 = Mul(x4, z[3]);
    uint16_t t2 = Mul(static_cast<uint16_t>(x1 ^ x3), z[4]);
    const uint16_t t1 = Mul(static_cast<uint16_t>(t2 + (x2 ^ x4)), z[5]);
    t2 = static_cast<uint16_t>(t1 + t2);
    x1 ^= t1;
    x4 ^= t2;
    t2 ^= x2;
    x2 = x3 ^ t1;
    x3 = t2;
  }
  // Output transformation; the middle words come back unswapped.
  out[0] = Mul(x1, z[0]);
  out[1] = static_cast<uint16_t>(x3 + z[1]);
  out[2] = static_cast<uint16_t>(x2 + z[2]);
  out[3] = Mul(x4, z[3]);
}

std::string Scramble(std::string_view clear, std::string_view key, int form) {
  uint16_t kw[8];
  KeyWords(key, kw);
  IdeaKey enc;
  IdeaEncryptionKey(kw, &enc);

  std::string out;
  out.reserve((clear.size() + 3) / 4 * 20);
  for (std::size_t b = 0; b < clear.size(); b += 4) {
    // The last block is completed with zero words; they end the text when unscrambled.
    uint16_t block[4] = {};
    for (std::size_t i = 0; i < 4 && b + i < clear.size(); ++i) {
      block[i] = static_cast<unsigned char>(clear[b + i]);
    }
    CryptWords(enc, block, 4);
    for (uint16_t w : block) {
      char digits[6];
      for (int d = 4; d >= 0; --d, w /= 10) digits[d] = static_cast<char>('0' + w % 10);
      out.append(digits, 5);
    }
  }
  if (form == kLetterForm) {
    // 20 digits a block, so the pairs always come out even.
    std::string letters;
    letters.reserve(out.size() / 2);
    for (std::size_t i = 0; i + 1 < out.size(); i += 2) {
      letters.push_back(static_cast<char>('A' + (out[i] - '0') * 10 + (out[i + 1] - '0')));
    }
    return letters;
  }
  return out;
}

std::string Unscramble(std::string_view text, std::string_view key, int form) {
  ParsedText p = ParseWords(text, form);
  if (!p.valid) return {};
  uint16_t kw[8];
  KeyWords(key, kw);
  IdeaKey enc, dec;
  IdeaEncryptionKey(kw, &enc);
  IdeaDecryptionKey(enc, &dec);

  // A partial last block is completed with zero words, as the scrambler does.
  uint16_t words[kMaxCipherWords] = {};
  std::memcpy(words, p.words, sizeof words);
  const std::size_t padded = (p.count + 3) / 4 * 4;
  CryptWords(dec, words, padded);

  std::string out;
  for (std::size_t i = 0; i < p.count; ++i) {
    // Only the low byte is a character; a zero there ends the text as it would a C string.
    const char c = static_cast<char>(words[i] & 0xFF);
    if (c == '\0') break;
    out.push_back(c);
  }
  return out;
}

bool IsScrambledText(std::string_view text, int form) {
  return ParseWords(text, form).valid;
}

char* strScramble(const char* clear, char* out, const char* key, int form) {
  const std::string s = Scramble(clear, key, form);
  std::memcpy(out, s.c_str(), s.size() + 1);
  return out;
}

void strUnscramble(const char* text, char* out, const char* key, int form) {
  // At most 52 characters plus the terminator reach out.
  const std::string s = Unscramble(text, key, form);
  std::memcpy(out, s.c_str(), s.size() + 1);
}

}  // namespace jf
