// Scrambling of login values with the IDEA block cipher, in two text forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace jf {

enum ScrambleForm : int { kDigitForm = 0, kLetterForm = 1 };

// At most this many cipher words are accepted by the unscrambler (13 blocks).
inline constexpr std::size_t kMaxCipherWords = 52;

// Scrambles clear (characters 1..255) into out, which needs room for
// 20 * ceil(n / 4) + 1 bytes (digit form) or half as many plus one (letter form).
// Returns out.
char* strScramble(const char* clear, char* out, const char* key, int form);
// Unscrambles text into out, which needs room for min(words, 52) + 1 bytes.
void strUnscramble(const char* text, char* out, const char* key, int form);

// The same in terms of strings, for the tools and tests.
std::string Scramble(std::string_view clear, std::string_view key, int form);
std::string Unscramble(std::string_view text, std::string_view key, int form);
// Whether the unscrambler accepts text: at most 52 complete five-digit groups, each 0..65535,
// and in the letter form only the characters 'A' to 'A' + 99. Anything else unscrambles to
// the empty text.
bool IsScrambledText(std::string_view text, int form);

// IDEA on one block of four 16-bit words, for the published test vectors.
struct IdeaKey {
  uint16_t k[52];
};
void IdeaEncryptionKey(const uint16_t key[8], IdeaKey* out);
void IdeaDecryptionKey(const IdeaKey& enc, IdeaKey* out);
void IdeaBlock(const IdeaKey& k, const uint16_t in[4], uint16_t out[4]);

}  // namespace jf
