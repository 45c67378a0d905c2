// jobfeed-admin messages: the entries of the message file, one a line, in the terminal's
// encoding. The file is Windows-1252 with an 0xFE byte before every entry and CR LF line ends,
// which a pager on Linux shows badly; here each entry is checked against its layout, and one that
// is damaged or cut short is shown as such with the bytes it has, never skipped.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Env.h"
#include "tools/admin_commands.h"
#include "tools/admin_operator.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin messages [--last N] [--all]\n"
    "Lists the entries of the message file .\\Msg\\Jobfeed.txt, oldest first; with --all the\n"
    "entries of the file before the last rotation, .\\Msg\\Jobfeed.old, come before them; with\n"
    "--last N only the last N entries. One line an entry, fields separated by a tab, '-' for\n"
    "an empty one, control bytes as \\xHH and a backslash as \\\\:\n"
    "  FILE STATE DATE TIME KIND FUNCTION TEXT CODE MEANING DATA\n"
    "STATE is ok, damaged (not in the entry's layout) or truncated (cut short); such an entry\n"
    "shows what could be read and, as DATA, all its bytes. DATE is yyyy-mm-dd, KIND the entry's\n"
    "tags (FMSG for the failures, DMSG for a detail entry, whose data block is DATA), MEANING\n"
    "what the code stands for where it is one the program knows.\n"
    "Run it in jobfeed's working directory.\n"
    "Exit code: 0 every entry well-formed (also none), 1 an entry damaged or truncated,\n"
    "2 bad use, 3 a message file cannot be read.\n";

constexpr const char* kFile = ".\\Msg\\Jobfeed.txt";
constexpr const char* kOldFile = ".\\Msg\\Jobfeed.old";
constexpr std::string_view kEntryStart = "\xFE\r\nSystem-Date: ";

struct Entry {
  const char* file = "";
  const char* state = "ok";
  std::string date, time, kind, function, text, code, meaning, data;
};

// What a database status means, as the backends report them.
const char* StatusMeaning(long code) {
  switch (code) {
    case 0:
      return "success";
    case 1403:
      return "no row found";
    case -1:
      return "unique constraint violated (or a file error)";
    case -54:
      return "row or table locked by another process";
    case -60:
      return "deadlock";
    case -904:
      return "unknown column";
    case -942:
      return "table or view does not exist";
    case -1001:
      return "cursor not open";
    case -1012:
      return "not logged on";
    case -1013:
      return "statement cancelled";
    case -1017:
      return "login refused";
    case -1114:
      return "database file could not be read or written";
    case -1400:
      return "cannot insert NULL";
    case -1438:
      return "value larger than the column allows";
    case -1455:
      return "value does not fit its 16- or 32-bit field";
    case -1578:
      return "database file damaged";
    case -1653:
      return "database full";
    case -1843:
      return "bad month in a date";
    case -1861:
      return "date text does not match its format";
    case -2112:
      return "more than one row";
    case -3113:
      return "connection lost";
    case -3114:
      return "not connected (connection lost before)";
    case -12154:
      return "database not found or cannot be opened";
    case -12560:
      return "database client library missing or too old";
    case -12899:
      return "value too large for its column";
    case -16000:
      return "database can only be read";
  }
  return "";
}

// What a system error code of a file operation means.
const char* FileErrorMeaning(long code) {
  switch (code) {
    case 2:
      return "file not found";
    case 3:
      return "folder not found";
    case 5:
      return "access denied";
    case 32:
      return "file held by another process";
    case 33:
      return "file locked by another process";
    case 36:
      return "too many files shared";
    case 39:
    case 112:
      return "disk full";
    case 1117:
      return "I/O device error";
  }
  return "";
}

// The functions whose code is a system error, not a database status.
bool FileFunction(std::string_view f) {
  return f == "CreateFile" || f == "SetFilePointer" || f == "WrittenFile" || f == "iniGetLogin";
}

std::string Meaning(std::string_view function, std::string_view code) {
  if (code.empty()) return {};
  char* end = nullptr;
  const std::string c(code);
  const long v = std::strtol(c.c_str(), &end, 10);
  if (end == c.c_str() || *end != '\0') return {};
  return FileFunction(function) && v > 0 ? FileErrorMeaning(v) : StatusMeaning(v);
}

// Reads an entry's parts in the order they are written. A part missing at the end of the bytes
// makes the entry truncated, a part that is not as written makes it damaged.
class EntryReader {
 public:
  EntryReader(std::string_view bytes, Entry* e) : rest_(bytes), e_(e) {}

  // "\r\n" LABEL ": " and the value up to the next CR LF, which stays for the next part.
  bool Labelled(std::string_view label, std::string* value) {
    if (!Take("\r\n") || !Take(label) || !Take(": ")) return false;
    const std::size_t end = rest_.find("\r\n");
    if (end == std::string_view::npos) {
      *value = rest_;
      rest_ = {};
      return Fail("truncated");
    }
    *value = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return true;
  }
  bool Take(std::string_view lit) {
    if (rest_.substr(0, lit.size()) == lit) {
      rest_.remove_prefix(lit.size());
      return true;
    }
    // Bytes that agree with the part as far as they go were cut short; others are not it.
    return Fail(lit.substr(0, rest_.size()) == rest_ ? "truncated" : "damaged");
  }
  bool Fail(const char* state) {
    e_->state = state;
    return false;
  }
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
  Entry* e_;
};

bool TwoDigits(std::string_view s, std::size_t at, int lo, int hi) {
  if (s[at] < '0' || s[at] > '9' || s[at + 1] < '0' || s[at + 1] > '9') return false;
  const int v = (s[at] - '0') * 10 + (s[at + 1] - '0');
  return v >= lo && v <= hi;
}

// "DD.MM.YY" as yyyy-mm-dd of 20YY, and "HH:MM:SS" as it stands; false when not such a text.
bool DateOf(std::string_view d, std::string* out) {
  if (d.size() != 8 || d[2] != '.' || d[5] != '.' || !TwoDigits(d, 0, 1, 31) ||
      !TwoDigits(d, 3, 1, 12) || !TwoDigits(d, 6, 0, 99)) {
    return false;
  }
  *out = "20" + std::string(d.substr(6, 2)) + "-" + std::string(d.substr(3, 2)) + "-" +
         std::string(d.substr(0, 2));
  return true;
}
bool TimeOf(std::string_view t) {
  return t.size() == 8 && t[2] == ':' && t[5] == ':' && TwoDigits(t, 0, 0, 23) &&
         TwoDigits(t, 3, 0, 59) && TwoDigits(t, 6, 0, 59);
}

// One entry from its bytes, 0xFE included.
Entry ParseEntry(std::string_view bytes, const char* file) {
  Entry e;
  e.file = file;
  EntryReader r(bytes, &e);
  std::string date;
  const bool ok = r.Take("\xFE") && r.Labelled("System-Date", &date) &&
                  r.Labelled("System-Time", &e.time) && r.Labelled("MsgArt_____", &e.kind) &&
                  r.Labelled("Message____", &e.text) && r.Labelled("Funktion___", &e.function) &&
                  r.Labelled("ErrorCode__", &e.code) && r.Take("\r\n");
  // A part read whole but not as the log writes it.
  bool malformed = false;
  if (!DateOf(date, &e.date)) {
    e.date = date;
    malformed = true;
  }
  if (!TimeOf(e.time)) malformed = true;
  const std::size_t sign = !e.code.empty() && e.code[0] == '-' ? 1 : 0;
  if (e.code.size() == sign || e.code.find_first_not_of("0123456789", sign) != std::string::npos) {
    malformed = true;
  }
  if (ok && malformed) e.state = "damaged";
  e.meaning = Meaning(e.function, e.code);
  while (!e.kind.empty() && e.kind.back() == ' ') e.kind.pop_back();
  if (ok) {
    // The data block of a detail entry and its CR LF, then the empty lines of a system entry.
    std::string_view tail = r.rest();
    const bool data = e.kind.find("DMSG") != std::string::npos;
    const bool system = e.kind.find("SMSG") != std::string::npos;
    if (system) {
      if (tail.size() >= 4 && tail.substr(tail.size() - 4) == "\r\n\r\n") {
        tail.remove_suffix(4);
      } else {
        e.state = "truncated";
      }
    }
    if (data) {
      if (tail.size() >= 2 && tail.substr(tail.size() - 2) == "\r\n") {
        tail.remove_suffix(2);
      } else if (std::string_view(e.state) == "ok") {
        e.state = "truncated";
      }
      e.data = tail;
    } else if (!tail.empty()) {
      e.state = "damaged";
    }
  }
  // All it has, for whoever mends it, but for the byte every entry starts with.
  if (std::string_view(e.state) != "ok") {
    e.data = bytes.substr(bytes.substr(0, 1) == "\xFE" ? 1 : 0);
  }
  return e;
}

// The entries of one file, split where an entry's start stands. Bytes before the first entry are
// a damaged entry of their own.
void ParseFile(std::string_view bytes, const char* file, std::deque<Entry>* out, std::size_t keep) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t next = bytes.find(kEntryStart, at + 1);
    if (at == 0 && bytes.substr(0, kEntryStart.size()) != kEntryStart) {
      next = bytes.find(kEntryStart);
    }
    if (next == std::string_view::npos) next = bytes.size();
    out->push_back(ParseEntry(bytes.substr(at, next - at), file));
    if (keep > 0 && out->size() > keep) out->pop_front();
    at = next;
  }
}

// Reads the whole file. 0, or the exit code after saying why not; *missing when it is not there.
int ReadFile(const char* name, std::string* bytes, bool* missing) {
  const std::string path = NativePath(name);
  std::error_code ec;
  *missing = !std::filesystem::exists(path, ec);
  if (*missing) return 0;
  if (std::filesystem::is_directory(path, ec)) {
    std::fprintf(stderr, "jobfeed-admin messages: %s is a folder, not a message file\n", name);
    return kExitFailed;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "jobfeed-admin messages: %s cannot be opened: %s\n", name,
                 std::strerror(errno));
    return kExitFailed;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::fprintf(stderr, "jobfeed-admin messages: %s cannot be read\n", name);
    return kExitFailed;
  }
  return 0;
}

}  // namespace

int CmdMessages(int argc, char** argv) {
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  auto bad = [](const char* why) {
    std::fprintf(stderr, "jobfeed-admin messages: %s\n%s", why, kUsage);
    return kExitBadUse;
  };
  bool all = false;
  std::size_t last = 0;  // 0: every entry
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--all") {
      all = true;
    } else if (a == "--last") {
      if (i + 1 == argc) return bad("--last needs a number N");
      const std::string_view n = argv[++i];
      if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos ||
          std::atol(argv[i]) == 0) {
        return bad("--last takes a number N from 1 to 999999999");
      }
      last = static_cast<std::size_t>(std::atol(argv[i]));
    } else {
      return bad("unknown argument");
    }
  }
  std::deque<Entry> entries;
  bool any_file = false;
  for (const char* name : {kOldFile, kFile}) {
    if (name == kOldFile && !all) continue;
    std::string bytes;
    bool missing = false;
    if (int rc = ReadFile(name, &bytes, &missing); rc != 0) return rc;
    any_file = any_file || !missing;
    ParseFile(bytes, name == kFile ? "Jobfeed.txt" : "Jobfeed.old", &entries, last);
  }
  if (!any_file) {
    std::fprintf(stderr, "jobfeed-admin messages: there is no message file %s here%s\n", kFile,
                 all ? " nor its older one" : "");
  }
  int flagged = 0;
  for (const Entry& e : entries) {
    if (std::string_view(e.state) != "ok") ++flagged;
    PrintRow(
        {e.file, e.state, e.date, e.time, e.kind, e.function, e.text, e.code, e.meaning, e.data});
  }
  return flagged > 0 ? kExitLook : 0;
}

}  // namespace jf::admin
