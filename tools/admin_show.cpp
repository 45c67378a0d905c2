// jobfeed-admin show-buffer: prints the lines of a send-buffer file as labelled fields, so an
// operator can see what a terminal will receive without counting columns.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "driver/DateHelpers.h"
#include "driver/TerminalText.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

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

void PrintField(const Field& f, std::string_view value) {
  const std::string decoded = Decoded(f.kind, value);
  const std::string shown = ForTerminal(value);  // a field is cut by bytes, which are characters
  std::printf("  %-17s [%s]%s%s\n", f.name, shown.c_str(), decoded.empty() ? "" : " ",
              decoded.c_str());
}

// Prints one line; returns false when it is malformed.
bool ShowLine(std::size_t number, std::string_view line, bool has_crlf) {
  const std::size_t length = line.size() + (has_crlf ? 2 : 0);
  std::printf("line %zu: %zu bytes\n", number, length);
  bool ok = true;
  if (length != kLineLength) {
    std::printf("  ! length %zu, expected %zu\n", length, kLineLength);
    ok = false;
  }
  if (line.empty() || line.front() != '$') {
    std::printf("  ! does not start with '$'\n");
    ok = false;
  }
  if (!has_crlf) {
    std::printf("  ! no CR LF at its end (the file ends in the middle of a line)\n");
    ok = false;
  } else if (line.empty() || line.back() != '*') {
    std::printf("  ! does not end with '*' CR LF\n");
    ok = false;
  }
  for (const Field& f : kHeader) PrintField(f, Cut(line, f.offset, f.width));

  PrintPayload(Cut(line, 90, 3), Cut(line, kPayloadOffset, kPayloadWidth));
  return ok;
}

}  // namespace

void PrintField(const char* name, std::string_view value) {
  PrintField(Field{name, 0, 0}, value);
}

void PrintPayload(std::string_view type, std::string_view payload) {
  for (const Layout& l : kLayouts) {
    if (type != l.type) continue;
    std::size_t end = 0;
    for (std::size_t i = 0; i < l.count; ++i) {
      const Field& f = l.fields[i];
      PrintField(f, Cut(payload, f.offset, f.width));
      end = f.offset + f.width;
    }
    const std::string_view rest = Cut(payload, end, kPayloadWidth);
    if (rest.find_first_not_of(' ') != std::string_view::npos) PrintField("(after record)", rest);
    return;
  }
  PrintField("payload", payload);
}

int CmdShowBuffer(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::printf(
        "usage: jobfeed-admin show-buffer FILE\n"
        "Prints each line of a send-buffer file (SndDnl<n>.buf) as labelled fields: terminal\n"
        "address, port, timestamp, record type, run date and time, download kind, and the\n"
        "payload cut into the fields of its record type (APK, APP, MAG, MAS, UBG, PNR, AWN,\n"
        "KST). Values are shown in [ ], quantities and dates (yymmdd) also as what they read\n"
        "as: 125.500, 2026-12-07.\n"
        "Lines that are not 552 bytes, do not start with '$' or do not end with '*' CR LF are\n"
        "flagged with '!'.\n"
        "Exit code: 0 all lines well-formed, 1 file unreadable or a line flagged, 2 bad use.\n");
    return 0;
  }
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr,
                 "jobfeed-admin show-buffer: expected one FILE\n"
                 "usage: jobfeed-admin show-buffer FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "jobfeed-admin show-buffer: %s: cannot be opened\n", argv[1]);
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::fprintf(stderr, "jobfeed-admin show-buffer: %s: cannot be read\n", argv[1]);
    return 1;
  }
  std::size_t number = 0;
  std::size_t bad = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t eol = text.find("\r\n", pos);
    const bool has_crlf = eol != std::string::npos;
    const std::size_t end = has_crlf ? eol : text.size();
    if (!ShowLine(++number, std::string_view(text).substr(pos, end - pos), has_crlf)) ++bad;
    if (!has_crlf) {
      std::fprintf(stderr,
                   "jobfeed-admin show-buffer: %s: the last line has no CR LF (%zu bytes)\n",
                   argv[1], end - pos);
    }
    pos = has_crlf ? eol + 2 : end;
  }
  if (number == 0) std::printf("no lines\n");
  if (bad > 0) {
    std::fprintf(stderr, "jobfeed-admin show-buffer: %zu of %zu lines malformed\n", bad, number);
    return 1;
  }
  return 0;
}

}  // namespace jf::admin
