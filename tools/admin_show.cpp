// jobfeed-admin show-buffer: prints the lines of a send-buffer file as labelled fields, so an
// operator can see what a terminal will receive without counting columns.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "driver/DateHelpers.h"
#include "driver/TerminalText.h"
#include "msg/Progress.h"
#include "platform/Env.h"
#include "platform/Terminal.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

constexpr const char* kUsage =
    "usage: jobfeed-admin show-buffer [--quiet] FILE\n"
    "Prints each line of a send-buffer file (SndDnl<n>.buf) as labelled fields: terminal\n"
    "address, port, timestamp, record type, run date and time, download kind, and the\n"
    "payload cut into the fields of its record type (APK, APP, MAG, MAS, UBG, PNR, AWN,\n"
    "KST). Values are shown in [ ], quantities and dates (yymmdd) also as what they read\n"
    "as: 125.500, 2026-12-07. Control bytes and bytes that are no character are shown as\n"
    "\\xHH.\n"
    "Lines that are not 552 bytes, do not start with '$', do not end with '*' CR LF or carry\n"
    "an unknown record type are flagged with '!'.\n"
    "Exit code: 0 all lines well-formed, 1 file unreadable or a line flagged, 2 bad use.\n"
    "On a terminal it shows how far it is on standard error; --quiet turns that off.\n";

constexpr std::size_t kLineLength = 552;
constexpr std::size_t kPayloadOffset = 111;
constexpr std::size_t kPayloadWidth = 438;

// What a field's text stands for, when it is not plain text.
enum class Kind {
  kText,
  kQuantity,  // three implied decimals
  kShort,     // the short quantity: two implied decimals, no sign
  kDate,      // yymmdd of 20yy
};

struct Field {
  const char* name;
  std::size_t offset;  // within the part the table describes
  std::size_t width;
  Kind kind = Kind::kText;
};

// The fixed part of every line in front of the payload.
constexpr Field kHeader[] = {
    {"terminal address", 1, 15},
    {"port", 16, 5},
    {"timestamp", 21, 14},
    {"record type", 90, 3},
    {"run date", 93, 6, Kind::kDate},
    {"run time", 99, 6},
    {"download kind", 108, 3},
};

// Payload layouts by record type; the names are the columns the fields come from.
constexpr Field kApk[] = {
    {"ApkApk", 0, 12},
    {"ApkBz1", 12, 30},
    {"ApkBz2", 42, 30},
    {"ApkTxt", 72, 8},
    {"ApkTnr", 80, 20},
    {"ApkTb1", 100, 30},
    {"ApkTb2", 130, 30},
    {"ApkSme", 160, 11, Kind::kQuantity},
    {"ApkMee", 171, 3},
    {"ApkBgs", 174, 6, Kind::kDate},
    {"ApkEns", 180, 6, Kind::kDate},
    {"ApkAfo", 186, 5},
    {"ApkSts", 191, 1},
    {"ApkZf1", 192, 10},
    {"ApkZf2", 202, 20},
    {"ApkZf3", 222, 30},
    {"marker", 252, 1},
};
constexpr Field kApp[] = {
    {"AppApk", 0, 12},
    {"AppApp", 12, 5},
    {"AppBz1", 17, 30},
    {"AppBz2", 47, 30},
    {"AppTxt", 77, 8},
    {"AppApg", 85, 10},
    {"AppSme", 95, 11, Kind::kQuantity},
    {"AppMee", 106, 3},
    {"AppStr", 109, 7, Kind::kShort},
    {"AppSte", 116, 7, Kind::kShort},
    {"AppSza", 123, 7, Kind::kShort},
    {"AppBds", 130, 6, Kind::kDate},
    {"AppEds", 136, 6, Kind::kDate},
    {"AppVaf", 142, 5},
    {"AppNaf", 147, 5},
    {"AppSts", 152, 1},
    {"AppZf1", 153, 10},
    {"AppZf2", 163, 20},
    {"AppZf3", 183, 30},
    {"AppIme", 213, 11, Kind::kQuantity},
    {"AppAme", 224, 11, Kind::kQuantity},
    {"marker", 246, 1},
};

constexpr Field kMag[] = {
    {"ApgApg", 0, 10},  {"ApgBez", 10, 30},  {"ApgTxt", 40, 8},
    {"ApgFbe", 48, 10}, {"ApgKst", 58, 7},   {"ApgZf1", 75, 10},
    {"ApgZf2", 85, 20}, {"ApgZf3", 105, 30}, {"marker", 136, 1},
};
constexpr Field kMas[] = {
    {"AplApl", 0, 10},   {"AplBez", 10, 30},  {"AplTxt", 40, 8},   {"AplFbe", 48, 10},
    {"KsgKst", 58, 7},   {"AplApg", 65, 10},  {"AplApr", 95, 5},   {"AplSts", 100, 1},
    {"AplZf1", 101, 10}, {"AplZf2", 111, 20}, {"AplZf3", 131, 23}, {"marker", 154, 1},
};
constexpr Field kUbg[] = {
    {"UbgKnz (U/S)", 0, 1},   {"UbgUbg", 1, 4},  {"UbgBez", 5, 30},
    {"UbgBez again", 35, 30}, {"UbgTxt", 65, 8}, {"marker", 73, 1},
};
constexpr Field kPnr[] = {
    {"PrvPnr", 0, 8},
    {"PrvKst", 8, 7},
    {"PrvBer (A/M)", 15, 1},
    {"marker", 16, 1},
};
constexpr Field kAwn[] = {
    {"PrvAwn", 0, 8},
    {"PrvPnr", 8, 8},
    {"marker", 16, 1},
};
constexpr Field kKst[] = {
    {"KsgKst", 0, 7},
    {"text", 7, 25},
    {"marker", 37, 1},
};

struct Layout {
  const char* type;
  const Field* fields;
  std::size_t count;
};
constexpr Layout kLayouts[] = {
    {"APK", kApk, std::size(kApk)}, {"APP", kApp, std::size(kApp)}, {"MAG", kMag, std::size(kMag)},
    {"MAS", kMas, std::size(kMas)}, {"UBG", kUbg, std::size(kUbg)}, {"PNR", kPnr, std::size(kPnr)},
    {"AWN", kAwn, std::size(kAwn)}, {"KST", kKst, std::size(kKst)},
};

std::string_view Cut(std::string_view s, std::size_t off, std::size_t width) {
  if (off >= s.size()) return {};
  return s.substr(off, width);
}

// What the text of a field of kind `kind` reads as, or the empty text when it reads as nothing
// (a blank date, a text that is no number).
std::string Decoded(Kind kind, std::string_view value) {
  char buf[48];
  double v = 0;
  switch (kind) {
    case Kind::kQuantity:
    case Kind::kShort: {
      const int decimals = kind == Kind::kQuantity ? 3 : 2;
      if (ImpliedDecimalToDouble(value, &v, decimals) != 0) return {};
      std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
      return buf;
    }
    case Kind::kDate: {
      // Shown only when it names a real day.
      if (value.size() != 6 || value.find_first_not_of("0123456789") != std::string_view::npos) {
        return {};
      }
      auto two = [&](std::size_t i) { return (value[i] - '0') * 10 + (value[i + 1] - '0'); };
      const int month = two(2), day = two(4);
      if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(month, 2000 + two(0))) return {};
      std::snprintf(buf, sizeof buf, "20%.2s-%.2s-%.2s", value.data(), value.data() + 2,
                    value.data() + 4);
      return buf;
    }
    case Kind::kText:
      break;
  }
  return {};
}

// A value as it can safely go to a terminal: control bytes and bytes that are no character of
// the code page are shown as \xHH, so a damaged file cannot send escape sequences.
std::string Shown(std::string_view value) {
  // Where the bytes reach a terminal as they are, 0x80 to 0x9F may be control characters there.
  static const bool c1 = OutputShowsC1AsControls(stdout);
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 || u == 0x9D ||
        (c1 && u >= 0x80 && u <= 0x9F)) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

void PrintField(const Field& f, std::string_view value) {
  const std::string decoded = Decoded(f.kind, value);
  // A field is cut by bytes, which are characters of the code page.
  const std::string shown = ForTerminal(Shown(value));
  std::printf("  %-17s [%s]%s%s\n", f.name, shown.c_str(), decoded.empty() ? "" : " ",
              decoded.c_str());
}

const Layout* LayoutOf(std::string_view type) {
  for (const Layout& l : kLayouts) {
    if (type == l.type) return &l;
  }
  return nullptr;
}

// One line of the file as far as it is shown: its first bytes, its length and its last byte.
struct Line {
  std::string head;     // the first kLineLength bytes at most
  uint64_t length = 0;  // bytes before CR LF
  int last = -1;        // the last of them, -1 for none
  bool crlf = false;    // CR LF ended it (else the file did)
};

// Reads a file line by line, each ended by CR LF, holding no more than a line's head: a damaged
// file may be one line of many megabytes.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : f_(f) {}

  // False at the end of the file or on a read error (failed() tells).
  bool Next(Line* line) {
    line->head.clear();
    line->length = 0;
    line->last = -1;
    line->crlf = false;
    bool any = false;
    for (int c; (c = Get()) != EOF;) {
      any = true;
      if (c == '\r') {
        const int n = Get();
        if (n == '\n') {
          line->crlf = true;
          break;
        }
        if (n != EOF) --pos_;  // still in the buffer: it was just read from it
      }
      if (line->head.size() < kLineLength) line->head.push_back(static_cast<char>(c));
      ++line->length;
      line->last = c;
    }
    return any;
  }
  bool failed() const { return failed_; }
  // Bytes taken from the file so far.
  uint64_t consumed() const { return read_ - (len_ - pos_); }

 private:
  int Get() {
    if (pos_ == len_) {
      len_ = std::fread(buf_, 1, sizeof buf_, f_);
      read_ += len_;
      pos_ = 0;
      if (len_ == 0) {
        failed_ = std::ferror(f_) != 0;
        return EOF;
      }
    }
    return static_cast<unsigned char>(buf_[pos_++]);
  }

  std::FILE* f_;
  char buf_[1 << 16];
  std::size_t pos_ = 0, len_ = 0;
  uint64_t read_ = 0;
  bool failed_ = false;
};

// Prints one line; returns false when it is malformed.
bool ShowLine(std::size_t number, const Line& line) {
  const uint64_t length = line.length + (line.crlf ? 2 : 0);
  const std::string_view head = line.head;
  std::printf("line %zu: %llu bytes\n", number, static_cast<unsigned long long>(length));
  bool ok = true;
  if (length != kLineLength) {
    std::printf("  ! length %llu, expected %zu\n", static_cast<unsigned long long>(length),
                kLineLength);
    ok = false;
  }
  if (head.empty() || head.front() != '$') {
    std::printf("  ! does not start with '$'\n");
    ok = false;
  }
  if (!line.crlf) {
    std::printf("  ! no CR LF at its end (the file ends in the middle of a line)\n");
    ok = false;
  } else if (line.last != '*') {
    std::printf("  ! does not end with '*' CR LF\n");
    ok = false;
  }
  const std::string_view type = Cut(head, 90, 3);
  if (LayoutOf(type) == nullptr) {
    std::printf("  ! unknown record type [%s]\n", ForTerminal(Shown(type)).c_str());
    ok = false;
  }
  for (const Field& f : kHeader) PrintField(f, Cut(head, f.offset, f.width));

  PrintPayload(type, Cut(head, kPayloadOffset, kPayloadWidth));
  return ok;
}

}  // namespace

void PrintField(const char* name, std::string_view value) {
  PrintField(Field{name, 0, 0}, value);
}

void PrintPayload(std::string_view type, std::string_view payload) {
  const Layout* l = LayoutOf(type);
  if (l == nullptr) {
    PrintField("payload", payload);
    return;
  }
  std::size_t end = 0;
  for (std::size_t i = 0; i < l->count; ++i) {
    const Field& f = l->fields[i];
    PrintField(f, Cut(payload, f.offset, f.width));
    end = f.offset + f.width;
  }
  const std::string_view rest = Cut(payload, end, kPayloadWidth);
  if (rest.find_first_not_of(' ') != std::string_view::npos) PrintField("(after record)", rest);
}

int CmdShowBuffer(int argc, char** argv) {
  int rc = 0;
  if (AnswersHelpOrVersion(argc, argv, kUsage, &rc)) return rc;
  // A listing on the terminal shows how far it is by itself.
  ProgressLine progress(!TakeQuiet(&argc, argv) && !StdOutIsTerminal());
  if (argc != 2 || argv[1][0] == '-' || argv[1][0] == '\0') {
    std::fprintf(stderr, "jobfeed-admin show-buffer: expected one FILE\n%s", kUsage);
    return 2;
  }
  const char* path = argv[1];
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    std::fprintf(stderr, "jobfeed-admin show-buffer: %s is a folder, not a send-buffer file\n",
                 path);
    return 1;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
  if (!file) {
    std::fprintf(stderr, "jobfeed-admin show-buffer: %s: cannot be opened: %s\n", path,
                 std::strerror(errno));
    return 1;
  }
  LineReader reader(file.get());
  Line line;
  std::size_t number = 0;
  std::size_t bad = 0;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  while (reader.Next(&line)) {
    if (!ShowLine(++number, line)) ++bad;
    if (!line.crlf) {
      progress.Hide();
      std::fprintf(stderr,
                   "jobfeed-admin show-buffer: %s: the last line has no CR LF (%llu bytes)\n", path,
                   static_cast<unsigned long long>(line.length));
    }
    if (progress.Due()) {
      char text[100];
      std::snprintf(text, sizeof text, "show-buffer: line %s, %llu of %llu MB",
                    Grouped(number).c_str(),
                    static_cast<unsigned long long>(reader.consumed() >> 20),
                    static_cast<unsigned long long>(ec ? 0 : size >> 20));
      progress.Draw(text);
    }
  }
  progress.Hide();
  if (reader.failed()) {
    std::fprintf(stderr, "jobfeed-admin show-buffer: %s: cannot be read after line %zu\n", path,
                 number);
    return 1;
  }
  if (number == 0) std::printf("no lines\n");
  if (bad > 0) {
    std::fprintf(stderr, "jobfeed-admin show-buffer: %zu of %zu lines malformed\n", bad, number);
    return 1;
  }
  return 0;
}

}  // namespace jf::admin
