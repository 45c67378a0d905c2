// The scrambler (IDEA and its two text forms) and the login configuration reader.

#include "login/Login.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "login/Scramble.h"
#include "platform/FaultEnv.h"
#include "support/TestSite.h"

namespace jf {
namespace {

namespace fs = std::filesystem;

std::string Digits(std::string_view clear) {
  return Scramble(clear, kLoginKey, kDigitForm);
}

// Clear texts of codes 1..255, fixed seed so a failure repeats.
std::string RandomClear(std::mt19937& rng, std::size_t n) {
  std::uniform_int_distribution<int> code(1, 255);
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(code(rng)));
  return s;
}

TEST(ScrambleIdea, PublishedVectorAndInverse) {
  const uint16_t key[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  IdeaKey enc, dec;
  IdeaEncryptionKey(key, &enc);
  IdeaDecryptionKey(enc, &dec);
  const uint16_t plain[4] = {0, 1, 2, 3};
  uint16_t cipher[4], back[4];
  IdeaBlock(enc, plain, cipher);
  EXPECT_EQ(cipher[0], 0x11FB);
  EXPECT_EQ(cipher[1], 0xED2B);
  EXPECT_EQ(cipher[2], 0x0198);
  EXPECT_EQ(cipher[3], 0x6DE5);
  IdeaBlock(dec, cipher, back);
  EXPECT_EQ(std::vector<uint16_t>(back, back + 4), std::vector<uint16_t>(plain, plain + 4));
}

TEST(ScrambleText, KeyStringAndDigitLayout) {
  // The key string's bytes are the key words, its terminator word 7; each output word is
  // five digits with leading zeros.
  const uint16_t key[8] = {'O', 'R', 'B', 'E', 'K', 'A', 'N', 0};
  IdeaKey enc;
  IdeaEncryptionKey(key, &enc);
  const uint16_t plain[4] = {'A', 0xE4, 'C', 0};
  uint16_t cipher[4];
  IdeaBlock(enc, plain, cipher);
  char expect[21];
  std::snprintf(expect, sizeof expect, "%05u%05u%05u%05u", unsigned{cipher[0]}, unsigned{cipher[1]},
                unsigned{cipher[2]}, unsigned{cipher[3]});
  EXPECT_EQ(Digits("A\xE4"
                   "C"),
            expect);
  // A key string of eight or more characters uses only its first eight.
  EXPECT_EQ(Scramble("x", "ABCDEFGH", kDigitForm), Scramble("x", "ABCDEFGHIJ", kDigitForm));
}

TEST(ScrambleText, OutputLengths) {
  EXPECT_EQ(Digits(""), "");
  EXPECT_EQ(Digits("12345678").size(), 40u);
  EXPECT_EQ(Digits("123456789").size(), 60u);
  EXPECT_EQ(Scramble("12345678", kLoginKey, kLetterForm).size(), 20u);
  EXPECT_EQ(Scramble("123456789", kLoginKey, kLetterForm).size(), 30u);
  EXPECT_EQ(Unscramble("", kLoginKey, kDigitForm), "");
  EXPECT_EQ(Unscramble("", kLoginKey, kLetterForm), "");
}

TEST(ScrambleText, RoundTripsAllLengthsAndCodesInBothForms) {
  std::mt19937 rng(4711);
  for (int form : {kDigitForm, kLetterForm}) {
    for (std::size_t n = 1; n <= kMaxCipherWords; ++n) {
      for (int rep = 0; rep < 3; ++rep) {
        const std::string clear = RandomClear(rng, n);
        const std::string text = Scramble(clear, kLoginKey, form);
        for (char c : text) {
          const int v = static_cast<unsigned char>(c);
          if (form == kDigitForm) {
            ASSERT_TRUE(v >= '0' && v <= '9');
          } else {
            ASSERT_TRUE(v >= 'A' && v <= 'A' + 99);
          }
        }
        ASSERT_EQ(Unscramble(text, kLoginKey, form), clear) << "form " << form << " n " << n;

        // The C forms with buffers of exactly the documented size (ASan watches the ends).
        std::vector<char> out(((n + 3) / 4) * (form == kDigitForm ? 20 : 10) + 1);
        EXPECT_EQ(strScramble(clear.c_str(), out.data(), kLoginKey, form), out.data());
        ASSERT_EQ(std::string(out.data()), text);
        std::vector<char> back(n + 1);
        strUnscramble(text.c_str(), back.data(), kLoginKey, form);
        ASSERT_EQ(std::string(back.data()), clear);
      }
    }
  }
  // Every code appears at least once in some position.
  std::string all;
  for (int c = 1; c <= 255; ++c) all.push_back(static_cast<char>(c));
  for (std::size_t i = 0; i < all.size(); i += 52) {
    const std::string part = all.substr(i, 52);
    EXPECT_EQ(Unscramble(Digits(part), kLoginKey, kDigitForm), part);
  }
}

TEST(ScrambleText, WordCountAndTrailingRest) {
  const std::string eight = Digits("abcdefgh");
  // 20 digits are four words: at most four characters.
  EXPECT_EQ(Unscramble(eight.substr(0, 20), kLoginKey, kDigitForm), "abcd");
  // A rest shorter than a group is ignored, whatever it holds.
  EXPECT_EQ(Unscramble(eight + "1234", kLoginKey, kDigitForm), "abcdefgh");
  EXPECT_EQ(Unscramble(eight + "x\n", kLoginKey, kDigitForm), "abcdefgh");
  const std::string letters = Scramble("abcdefgh", kLoginKey, kLetterForm);
  EXPECT_EQ(Unscramble(letters + "B", kLoginKey, kLetterForm), "abcdefgh");
  EXPECT_EQ(Unscramble(letters + "BC", kLoginKey, kLetterForm), "abcdefgh");
  // A wrong key gives something else, not the clear text.
  EXPECT_NE(Unscramble(eight, "ORBEKAM", kDigitForm), "abcdefgh");
}

TEST(ScrambleGuards, MalformedTextsUnscrambleToEmptyWithinBounds) {
  const std::string valid = Digits(std::string(52, 'z'));  // 52 words, 260 digits
  std::vector<char> out(kMaxCipherWords + 1);
  strUnscramble(valid.c_str(), out.data(), kLoginKey, kDigitForm);
  EXPECT_EQ(std::string(out.data()), std::string(52, 'z'));

  const std::vector<std::string> digit_cases = {
      valid + "00000",                // 53 words
      valid + valid,                  // 104 words
      "99999" + valid.substr(5, 15),  // group above 65535
      "65536" + valid.substr(5, 15),
      valid.substr(0, 7) + "a" + valid.substr(8, 12),  // non-digit inside a group
      " " + valid.substr(1, 19),
      "-0001" + valid.substr(5, 15),
  };
  for (const std::string& text : digit_cases) {
    EXPECT_FALSE(IsScrambledText(text, kDigitForm)) << text;
    std::fill(out.begin(), out.end(), 'x');
    strUnscramble(text.c_str(), out.data(), kLoginKey, kDigitForm);
    EXPECT_EQ(out[0], '\0') << text;
  }
  // 65535 is a word like any other.
  EXPECT_TRUE(IsScrambledText("65535000000000000000", kDigitForm));

  const std::string letters = Scramble("secret", kLoginKey, kLetterForm);
  const std::vector<std::string> letter_cases = {
      "@" + letters.substr(1),        // below 'A': a negative pair
      letters.substr(0, 9) + "\xA5",  // 'A' + 100: three digits
      letters.substr(0, 3) + "\xFF" + letters.substr(4),
      std::string(131, 'B'),  // 262 digits: 52 words pass ...
      std::string(135, 'B'),  // ... 54 do not
  };
  for (std::size_t i = 0; i < letter_cases.size(); ++i) {
    std::fill(out.begin(), out.end(), 'x');
    strUnscramble(letter_cases[i].c_str(), out.data(), kLoginKey, kLetterForm);
    if (i == 3) {
      EXPECT_TRUE(IsScrambledText(letter_cases[i], kLetterForm));
      EXPECT_LE(std::string(out.data()).size(), kMaxCipherWords);
    } else {
      EXPECT_FALSE(IsScrambledText(letter_cases[i], kLetterForm)) << i;
      EXPECT_EQ(out[0], '\0') << i;
    }
  }
}

// Each test runs in a fresh site with the working directory four levels below it, where the
// program's relative path to the login file leads to <site>/files/quantelor.ini.
class LoginTest : public test::SiteTest {
 protected:
  void SetUp() override {
    SiteTest::SetUp();
    fs::create_directories("a/b/c/d");
    fs::create_directories("files");
    fs::current_path("a/b/c/d");
  }
  static void WriteLogin(std::string_view bytes) {
    test::WriteBytes("../../../../files/quantelor.ini", bytes);
  }
  static std::string Get(const char* key, int number = 0, const char* name = "") {
    return iniGetValue(name, key, number, kLoginFile);
  }
  static std::string Entry(std::string_view name, std::string_view number, std::string_view key,
                           std::string_view clear) {
    return ";" + std::string(name) + ";\n" + std::string(number) + ";" + std::string(key) + ";" +
           Digits(clear) + "\n";
  }
};

TEST_F(LoginTest, EntriesFoundByKeyNameOrNumber) {
  const std::string file = Entry("LOGIN", "1", "LOGIN", "scott") +
                           Entry("PASS", "2", "PASS", "ti;ger") +
                           Entry("NET8", "3", "NET8", "sqlite:../../../../jobfeed.db");
  WriteLogin(file);
  EXPECT_EQ(Get("LOGIN"), "scott");
  EXPECT_EQ(Get("PASS"), "ti;ger");
  EXPECT_EQ(Get("NET8"), "sqlite:../../../../jobfeed.db");
  EXPECT_EQ(Get("pass"), "");  // case matters
  EXPECT_EQ(Get("NONE"), "");
  EXPECT_EQ(Get("NONE", 2), "ti;ger");
  EXPECT_EQ(Get("NONE", 9, "NET8"), "sqlite:../../../../jobfeed.db");

  // The same file with CR LF line ends reads the same.
  std::string crlf;
  for (char c : file) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  WriteLogin(crlf);
  EXPECT_EQ(Get("LOGIN"), "scott");
  EXPECT_EQ(Get("NET8"), "sqlite:../../../../jobfeed.db");

  char user[52], pass[52], net[52];
  bool too_long = true;
  iniGetLogin(user, pass, net, &too_long);
  EXPECT_STREQ(user, "scott");
  EXPECT_STREQ(pass, "ti;ger");
  EXPECT_STREQ(net, "sqlite:../../../../jobfeed.db");
  EXPECT_FALSE(too_long);

  // A value of 41 characters, which no writer of the file makes, is no login: it is reported
  // with its entry, never taken cut.
  WriteLogin(Entry("LOGIN", "1", "LOGIN", "scott") + Entry("PASS", "2", "PASS", "ti;ger") +
             Entry("NET8", "3", "NET8", "postgresql://127.0.0.1:55433/jobsite_prod"));
  iniGetLogin(user, pass, net, &too_long);
  EXPECT_TRUE(too_long);
  int error = 0;
  const char* key = nullptr;
  EXPECT_EQ(iniCheckFile(kLoginFile, &error, &key), LoginFileFault::kTooLong);
  EXPECT_STREQ(key, "NET8");
}

TEST_F(LoginTest, EmptyNameOrNumberZeroMatchesEveryKey) {
  const std::string tail = Entry("PASS", "2", "PASS", "pw") + Entry("NET8", "3", "NET8", "db");
  WriteLogin(Entry("LOGIN", "1", "LOGIN", "u") + Entry("", "5", "X", "any") + tail);
  EXPECT_EQ(Get("LOGIN"), "u");  // the earlier entry wins
  EXPECT_EQ(Get("PASS"), "any");
  EXPECT_EQ(Get("NET8"), "any");
  EXPECT_EQ(Get("PASS", 1, "nope"), "u");  // asked by a number, the name does not match

  WriteLogin(Entry("LOGIN", "1", "LOGIN", "u") + Entry("Y", "0", "X", "zero") + tail);
  EXPECT_EQ(Get("PASS"), "zero");
  WriteLogin(Entry("LOGIN", "1", "LOGIN", "u") + Entry("Y", "x7", "X", "zero") + tail);
  EXPECT_EQ(Get("PASS"), "zero");
  // A line 1 without two separators has no name.
  WriteLogin(Entry("LOGIN", "1", "LOGIN", "u") + "Y;\n4;X;" + Digits("noname") + "\n" + tail);
  EXPECT_EQ(Get("NET8"), "noname");
  // Numbers are read like atoi: leading blanks and digits.
  WriteLogin(Entry("LOGIN", " 12abc", "LOGIN", "u") + tail);
  EXPECT_EQ(Get("Z", 12), "u");
}

TEST_F(LoginTest, MissingUnreadableOrShortFileGivesEmptyValues) {
  char user[52] = "x", pass[52] = "x", net[52] = "x";
  iniGetLogin(user, pass, net);
  EXPECT_STREQ(user, "");
  EXPECT_STREQ(pass, "");
  EXPECT_STREQ(net, "");

  WriteLogin(Entry("LOGIN", "1", "LOGIN", "u"));
  FaultEnv faults(Env::Default());
  Env::Install(&faults);
  faults.FailNth(FaultEnv::kRead, 1, kErrAccessDenied, "quantelor.ini");
  EXPECT_EQ(Get("LOGIN"), "");
  EXPECT_EQ(Get("LOGIN"), "u");
  Env::Install(nullptr);

  WriteLogin(";LOGIN;\n");  // the file ends before line 2
  EXPECT_EQ(Get("LOGIN"), "");
  WriteLogin("");
  EXPECT_EQ(Get("LOGIN"), "");
  // The last line needs no line feed.
  WriteLogin(";LOGIN;\n1;LOGIN;" + Digits("u"));
  EXPECT_EQ(Get("LOGIN"), "u");
}

TEST_F(LoginTest, Line2WithoutSeparatorIsWholeValueWithNumberZero) {
  WriteLogin(";A;\n" + Digits("whole") + "\n");
  EXPECT_EQ(Get("LOGIN"), "whole");  // number 0 matches
  EXPECT_EQ(Get("LOGIN", 3, "B"), "");
  // One separator: number before it, no key, the value after it.
  WriteLogin(";A;\n7;" + Digits("one") + "\n");
  EXPECT_EQ(Get("LOGIN", 7, "B"), "one");
  EXPECT_EQ(Get("K", 8, "B"), "");
}

TEST_F(LoginTest, LongLinesAreSplitAsByLineBuffersAndFieldsCut) {
  // Line 1 of more than 199 characters: the rest is read as line 2.
  std::string line1 = ";N;";
  line1.resize(199, 'a');
  WriteLogin(line1 + "7;LOGIN;" + Digits("split") + "\n;M;\n8;PASS;" + Digits("p") + "\n");
  EXPECT_EQ(Get("LOGIN"), "split");
  EXPECT_EQ(Get("PASS", -1), "p");
  // Exactly 199 characters and a line feed: the line feed alone is read as line 2, which has
  // no separator, so number 0 matches and its value is empty.
  WriteLogin(line1 + "\n1;LOGIN;" + Digits("u") + "\n");
  EXPECT_EQ(Get("LOGIN"), "");
  EXPECT_EQ(Get("LOGIN", -1), "");  // the entry's line 2 is taken as a line 1

  // A value of more than 200 characters is cut to 200 digits, i.e. 40 characters; the rest of
  // a line 2 past 399 characters becomes the next line 1.
  const std::string forty(40, 'q');
  std::string line2 = "1;LOGIN;" + Digits(forty) + std::string(191, '1');
  ASSERT_EQ(line2.size(), 399u);
  line2 += ";R;\n";
  WriteLogin(";L;\n" + line2 + "3;PASS;" + Digits("pw") + "\n");
  EXPECT_EQ(Get("LOGIN"), forty);
  EXPECT_EQ(Get("PASS", -1), "pw");

  // A key of more than 200 characters is cut too.
  const std::string key(300, 'K');
  WriteLogin(";L;\n1;" + key + ";" + Digits("k") + "\n");
  EXPECT_EQ(Get(key.substr(0, 200).c_str()), "k");
  EXPECT_EQ(Get(key.c_str(), -1, "-"), "");

  // Stray zero bytes end a line as they end a C string.
  WriteLogin(std::string(";L;\n1;LOGIN;") + Digits("z") + std::string("\0junk\n", 6));
  EXPECT_EQ(Get("LOGIN"), "z");
}

TEST_F(LoginTest, WrittenLoginFileReadsBack) {
  std::string error;
  const std::string forty(40, '\xE4');
  test::WriteBytes("../../../../files/quantelor.ini", "an older file anyone could read\n");
  ASSERT_EQ(WriteLoginFile("..\\..\\..\\..\\files\\quantelor.ini", "scott", forty,
                           "sqlite:../../../../jobfeed.db", &error),
            0)
      << error;
  const std::string bytes = test::ReadBytes("../../../../files/quantelor.ini");
  EXPECT_EQ(bytes.rfind(";LOGIN;\n1;LOGIN;", 0), 0u);
  EXPECT_EQ(bytes.find('\r'), std::string::npos);
  // The owner alone may read it, also where an older file was readable by all.
  EXPECT_EQ(std::filesystem::status("../../../../files/quantelor.ini").permissions() &
                std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  char user[52], pass[52], net[52];
  bool too_long = true;
  iniGetLogin(user, pass, net, &too_long);
  EXPECT_STREQ(user, "scott");
  EXPECT_EQ(std::string(pass), forty);
  EXPECT_STREQ(net, "sqlite:../../../../jobfeed.db");
  EXPECT_FALSE(too_long);

  // Refused without touching the file: a value too long for the format, a missing folder, a
  // failed write.
  EXPECT_NE(
      WriteLoginFile("../../../../files/quantelor.ini", "u", std::string(41, 'p'), "n", &error), 0);
  EXPECT_NE(error.find("40"), std::string::npos);
  EXPECT_NE(WriteLoginFile("../../../../nofolder/quantelor.ini", "u", "p", "n", &error), 0);
  EXPECT_NE(error.find("does not exist"), std::string::npos);
  FaultEnv faults(Env::Default());
  Env::Install(&faults);
  faults.FailNth(FaultEnv::kWrite, 1, kErrDiskFull, "quantelor.ini", 10);
  EXPECT_NE(WriteLoginFile("../../../../files/quantelor.ini", "u", "p", "n", &error), 0);
  Env::Install(nullptr);
  EXPECT_EQ(test::ReadBytes("../../../../files/quantelor.ini"), bytes);
  EXPECT_FALSE(fs::exists("../../../../files/quantelor.ini.tmp"));
}

}  // namespace
}  // namespace jf
