// Login configuration file: entries of two lines, fields separated by ";".
//
//   line 1   ...;NAME;...
//   line 2   NUMBER;KEY;VALUE          (VALUE scrambled in digit form, may hold further ";")
//
// Lines are read as the program always read them, with line buffers of 200 and 400 bytes: a
// line 1 longer than 199 characters, or a line 2 longer than 399 (line feed included), is cut
// there and its rest is read as the following line. Fields are kept to 200 characters; a
// longer name, key or value is cut, never copied past its buffer.
//
// Lines with too few separators have no meaning in the format; this reader takes them so:
//   line 1 with fewer than two ";"   the name is empty;
//   line 2 without ";"               number 0, empty key, the whole line (line feed included)
//                                    is the value;
//   line 2 with one ";"              the number from before it, empty key, the value is the
//                                    rest up to the line feed.
// An empty name or number 0 matches the program's own lookups (empty name, number 0), so such
// an entry is returned for every key when no earlier entry matched.

#include "login/Login.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "login/Scramble.h"
#include "platform/Env.h"

namespace jf {

namespace {

constexpr std::size_t kLine1Buffer = 200;  // fgets-sized: 199 characters and the zero
constexpr std::size_t kLine2Buffer = 400;
constexpr std::size_t kFieldMax = 200;

// The unscrambled value of the last lookup; callers copy it before the next one.
char g_value[kFieldMax + 1];

// Reads lines from a file's contents as fgets does with a buffer of a given size.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}

  // False at the end of the text. Otherwise *line gets up to size - 1 characters, up to and
  // including the next line feed; a zero byte ends the line as it ends the C string.
  bool Next(std::size_t size, std::string_view* line) {
    if (pos_ >= text_.size()) return false;
    std::size_t n = 0;
    while (n < size - 1 && pos_ + n < text_.size()) {
      if (text_[pos_ + n++] == '\n') break;
    }
    std::string_view l = text_.substr(pos_, n);
    pos_ += n;
    *line = l.substr(0, l.find('\0'));
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// The file is read in text form: a carriage return before a line feed is dropped.
std::string DropCarriageReturns(const std::string& raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    out.push_back(raw[i]);
  }
  return out;
}

std::string_view Cut(std::string_view s) {
  return s.substr(0, kFieldMax);
}

// Leading decimal number as atoi reads it; out-of-range values stick at the int limits.
int LeadingNumber(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-v);
  return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

struct Entry {
  int number = 0;
  std::string_view name, key, value;
  bool value_cut = false;  // the value had more than kFieldMax characters
};

std::string_view NameOf(std::string_view line1) {
  const std::size_t a = line1.find(';');
  if (a == std::string_view::npos) return {};
  const std::size_t b = line1.find(';', a + 1);
  if (b == std::string_view::npos) return {};
  return Cut(line1.substr(a + 1, b - a - 1));
}

void ParseLine2(std::string_view line2, Entry* e) {
  const std::size_t a = line2.find(';');
  if (a == std::string_view::npos) {
    e->value = Cut(line2);
    e->value_cut = e->value.size() < line2.size();
    return;
  }
  e->number = LeadingNumber(line2.substr(0, a));
  std::string_view rest = line2.substr(a + 1);
  const std::size_t b = rest.find(';');
  if (b != std::string_view::npos) {
    e->key = Cut(rest.substr(0, b));
    rest = rest.substr(b + 1);
  }
  rest = rest.substr(0, rest.find('\n'));
  e->value = Cut(rest);
  e->value_cut = e->value.size() < rest.size();
}

bool Same(std::string_view field, const char* wanted) {
  return wanted != nullptr && field == std::string_view(wanted);
}

// The scrambled value of the first entry that matches by name, key or number; false when none
// does. *cut (if given) tells that the value was longer than a field holds.
bool FindEntry(std::string_view text, const char* name, const char* key, int number,
               std::string_view* value, bool* cut = nullptr) {
  LineReader reader(text);
  for (;;) {
    // The outcome of reading line 1 is not looked at: at the end of the file line 2 fails too.
    std::string_view line1, line2;
    reader.Next(kLine1Buffer, &line1);
    if (!reader.Next(kLine2Buffer, &line2)) return false;

    Entry e;
    e.name = NameOf(line1);
    ParseLine2(line2, &e);
    if (Same(e.name, name) || Same(e.key, key) || e.number == number) {
      *value = e.value;
      if (cut != nullptr) *cut = e.value_cut;
      return true;
    }
  }
}

// iniGetValue, and whether the value is longer than a login value can be: more digits than the
// field holds (which the field would cut to 40 characters), or more than 40 characters.
const char* LookUp(const char* name, const char* key, int number, const char* path,
                   bool* too_long) {
  g_value[0] = '\0';
  *too_long = false;
  std::string raw;
  if (env()->ReadFile(path, &raw) != 0) return g_value;
  const std::string text = DropCarriageReturns(raw);
  std::string_view value;
  if (!FindEntry(text, name, key, number, &value, too_long)) return g_value;
  // The clear text has at most 52 characters, well within the buffer.
  const std::string clear = Unscramble(value, kLoginKey, kDigitForm);
  const std::size_t n = std::min(clear.size(), kFieldMax);
  std::memcpy(g_value, clear.data(), n);
  g_value[n] = '\0';
  *too_long = *too_long || n > kLoginClearMax;
  return g_value;
}

}  // namespace

const char* iniGetValue(const char* name, const char* key, int number, const char* path) {
  bool too_long = false;
  return LookUp(name, key, number, path, &too_long);
}

LoginFileFault iniCheckFile(const char* path, int* error, const char** key) {
  *error = 0;
  *key = nullptr;
  std::error_code ec;
  const auto st = std::filesystem::status(NativePath(path), ec);
  if (st.type() == std::filesystem::file_type::not_found) {
    *error = kErrFileNotFound;
    return LoginFileFault::kMissing;
  }
  if (st.type() == std::filesystem::file_type::directory) return LoginFileFault::kFolder;
  std::string raw;
  if (int rc = env()->ReadFile(path, &raw); rc != 0) {
    *error = rc;
    return rc == kErrFileNotFound || rc == kErrPathNotFound ? LoginFileFault::kMissing
                                                            : LoginFileFault::kUnreadable;
  }
  if (raw.empty()) return LoginFileFault::kEmpty;
  const std::string text = DropCarriageReturns(raw);
  for (const char* k : {"LOGIN", "PASS", "NET8"}) {
    std::string_view value;
    if (!FindEntry(text, "", k, 0, &value) || !IsScrambledText(value, kDigitForm) ||
        (std::string_view(k) == "NET8" && value.empty())) {
      *key = k;
      return LoginFileFault::kNotLoginFile;
    }
  }
  for (const char* k : {"LOGIN", "PASS", "NET8"}) {
    bool too_long = false;
    LookUp("", k, 0, path, &too_long);
    if (too_long) {
      *key = k;
      return LoginFileFault::kTooLong;
    }
  }
  return LoginFileFault::kNone;
}

void iniGetLogin(char* user, char* password, char* netService, bool* too_long) {
  bool cut = false;
  auto get = [&cut](const char* key, char* out) {
    bool longer = false;
    const char* v = LookUp("", key, 0, kLoginFile, &longer);
    const std::size_t n = std::min(std::strlen(v), kLoginClearMax);
    cut = cut || longer;
    std::memcpy(out, v, n);
    out[n] = '\0';
  };
  get("LOGIN", user);
  get("PASS", password);
  get("NET8", netService);
  if (too_long != nullptr) *too_long = cut;
}

int WriteLoginFile(const std::string& path, std::string_view user, std::string_view password,
                   std::string_view net, std::string* error) {
  struct Item {
    const char* key;
    const char* what;
    std::string_view clear;
  } items[] = {{"LOGIN", "user name", user},
               {"PASS", "password", password},
               {"NET8", "net service name", net}};

  std::string contents;
  int number = 0;
  for (const Item& it : items) {
    if (it.clear.size() > kLoginClearMax) {
      *error = std::string("the ") + it.what + " has " + std::to_string(it.clear.size()) +
               " characters; the login file holds at most " + std::to_string(kLoginClearMax);
      return -1;
    }
    if (it.clear.find('\0') != std::string_view::npos) {
      *error = std::string("the ") + it.what + " holds a zero byte";
      return -1;
    }
    // Line 1 carries a name and line 2 a number other than 0, so that the program's lookups
    // (empty name, number 0) find each entry by its key only.
    contents += ";" + std::string(it.key) + ";\n";
    contents += std::to_string(++number) + ";" + it.key + ";" +
                Scramble(it.clear, kLoginKey, kDigitForm) + "\n";
  }

  const std::filesystem::path target(NativePath(path));
  std::error_code ec;
  const std::filesystem::path folder = target.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
    *error = "the folder " + folder.string() + " does not exist";
    return -1;
  }

  // Written beside the target and renamed over it, so a reader never sees half a file. Only
  // its owner may read it: the scrambling keeps the password from a glance, not from someone
  // who has the file and the program.
  // The temporary file is made new, never opened: whatever stood at its name (a link planted
  // to make this write someone else's file) is removed first, and if something is put there
  // again in the meantime the write fails instead of going through it.
  const std::string temp = path + ".tmp";
  env()->DeleteFile(temp);
  std::unique_ptr<WritableFile> file;
  int rc =
      env()->OpenAppend(temp, ShareMode::kNewPrivate, Durability::kWriteThrough, &file, nullptr);
  if (rc != 0) {
    *error = "cannot create " + temp + " (error " + std::to_string(rc) + ")";
    return -1;
  }
  std::size_t written = 0;
  rc = file->Write(contents, &written);
  const int close_rc = file->Close();
  if (rc == 0) rc = close_rc;
  if (rc != 0) {
    env()->DeleteFile(temp);
    *error = "cannot write " + temp + " (error " + std::to_string(rc) + ")";
    return -1;
  }
  std::filesystem::rename(NativePath(temp), target, ec);
  if (ec) {
    env()->DeleteFile(temp);
    *error = "cannot rename " + temp + " to " + path + ": " + ec.message();
    return -1;
  }
  return 0;
}

}  // namespace jf
