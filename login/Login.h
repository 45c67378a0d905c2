// Login configuration: entries of two lines with scrambled values, read at connect time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jf {

// Path of the login configuration file, relative to the working directory.
inline constexpr const char* kLoginFile = "..\\..\\..\\..\\files\\quantelor.ini";
// Key string with which the values of the login file are scrambled.
inline constexpr const char* kLoginKey = "ORBEKAN";

// The longest clear value the format can hold: its 200 digits are 10 blocks of 4 characters.
inline constexpr std::size_t kLoginClearMax = 40;

// Widths of the login settings (each in a 52-byte buffer) and of the connect string.
inline constexpr std::size_t kLoginValueMax = 51;
inline constexpr std::size_t kConnectStringMax = 100;

// The value of the first entry that matches by name, key or number, unscrambled (digit form,
// key string "ORBEKAN"). Empty when the file cannot be read or no entry matches. The result
// stays valid until the next call.
const char* iniGetValue(const char* name, const char* key, int number, const char* path);

// What keeps a login configuration file from serving a connect.
enum class LoginFileFault {
  kNone,
  kMissing,
  kFolder,  // a folder stands in its place
  kUnreadable,
  kEmpty,
  kNotLoginFile,  // the LOGIN, PASS or NET8 entry is missing, not scrambled, or NET8 is empty
  kTooLong,       // the LOGIN, PASS or NET8 value is longer than kLoginClearMax characters
};
// Looks at the login file at path as the lookups read it. *error gets the system error of a
// failed read (2 for a missing file), else 0; *key the entry that is not in the file's form.
LoginFileFault iniCheckFile(const char* path, int* error, const char** key);

// Reads LOGIN, PASS and NET8 into three buffers of 52 bytes each. A value longer than
// kLoginClearMax characters is not a value the login file's writers make (a hand-made file or
// an old scrambler): it is cut there and *too_long (if given) tells so; a connect must refuse it.
// iniCheckFile then names the entry.
void iniGetLogin(char* user, char* password, char* netService, bool* too_long = nullptr);

// Writes a login configuration file at path (replacing it) with the entries LOGIN, PASS and
// NET8, numbered 1 to 3, each value scrambled in digit form with kLoginKey. Returns 0, or
// non-zero with *error telling why (a value too long or holding a zero byte, a folder that
// does not exist, a failed write). Lines end with a line feed. The file is readable and
// writable by its owner only (POSIX mode 0600).
int WriteLoginFile(const std::string& path, std::string_view user, std::string_view password,
                   std::string_view net, std::string* error);

}  // namespace jf
