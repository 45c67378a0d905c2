// The unscrambler on arbitrary texts, in both forms and both interfaces, and the round trip
// scramble-unscramble on arbitrary clear texts. The first input byte chooses form, key and
// mode; the rest is the text.
#include <cstring>
#include <memory>
#include <string>

#include "FuzzSite.h"
#include "login/Scramble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t sel = data[0];
  const int form = (sel & 1) ? jf::kLetterForm : jf::kDigitForm;
  static const char* const kKeys[] = {"ORBEKAN", "", "K", "LONGER THAN EIGHT"};
  const char* key = kKeys[(sel >> 1) & 3];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

  if ((sel & 0x80) == 0) {
    // Unscrambling: the C form receives the text up to its first zero byte, into a buffer of
    // exactly the size the interface promises is enough (52 characters and the zero).
    const std::string c_text = text.substr(0, text.find('\0'));
    auto out = std::make_unique<char[]>(jf::kMaxCipherWords + 1);
    jf::strUnscramble(c_text.c_str(), out.get(), key, form);
    const std::string s = jf::Unscramble(c_text, key, form);
    jf::fuzz::Check(s == out.get(), "the two unscramble forms disagree");
    jf::fuzz::Check(s.size() <= jf::kMaxCipherWords, "clear text over 52 characters");
    if (!jf::IsScrambledText(c_text, form)) jf::fuzz::Check(s.empty(), "bad text gave a value");
    jf::Unscramble(text, key, form);  // embedded zero bytes as well
    return 0;
  }

  // Round trip: any clear text of 1 to 52 characters with codes 1..255 comes back unchanged.
  std::string clear = text.substr(0, text.find('\0')).substr(0, jf::kMaxCipherWords);
  if (clear.empty()) return 0;
  const std::size_t blocks = (clear.size() + 3) / 4;
  auto scrambled = std::make_unique<char[]>(20 * blocks + 1);
  jf::strScramble(clear.c_str(), scrambled.get(), key, form);
  const std::size_t want = form == jf::kDigitForm ? 20 * blocks : 10 * blocks;
  jf::fuzz::Check(std::strlen(scrambled.get()) == want, "scrambled text of the wrong length");
  auto back = std::make_unique<char[]>(jf::kMaxCipherWords + 1);
  jf::strUnscramble(scrambled.get(), back.get(), key, form);
  jf::fuzz::Check(clear == back.get(), "round trip changed the text");
  return 0;
}
