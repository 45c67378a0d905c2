#include <langinfo.h>
#include <locale.h>
#include <termios.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <cwchar>
#include <iostream>
#include <string>

#include "platform/Terminal.h"

namespace jf {

namespace {

// The environment's character encoding, set up once and used only for the conversions here: the
// process's own locale stays "C", so nothing else changes its behaviour.
struct TerminalLocale {
  locale_t locale = nullptr;  // nullptr: bytes pass as they are
  bool plain = true;          // the C locale's ASCII
  TerminalLocale() {
    locale_t l = ::newlocale(LC_CTYPE_MASK, "", nullptr);
    if (l == nullptr) return;  // a locale the system does not have: as in "C"
    const std::string codeset = ::nl_langinfo_l(CODESET, l);
    // The C locale's, and the program's own code page under the names the C library gives it.
    for (const char* same : {"ANSI_X3.4-1968", "US-ASCII", "ASCII", "CP1252", "WINDOWS-1252"}) {
      if (codeset == same) {
        plain = codeset.find("1252") == std::string::npos;
        ::freelocale(l);
        return;
      }
    }
    plain = false;
    locale = l;
  }
};

const TerminalLocale& Terminal() {
  static const TerminalLocale terminal;
  return terminal;
}

locale_t Locale() {
  return Terminal().locale;
}

// Makes the terminal's locale the thread's for the scope of a conversion.
class InLocale {
 public:
  InLocale() : previous_(::uselocale(Locale())) {}
  ~InLocale() { ::uselocale(previous_); }
  InLocale(const InLocale&) = delete;
  InLocale& operator=(const InLocale&) = delete;

 private:
  locale_t previous_;
};

}  // namespace

bool ArgumentsPassAsBytes() {
  return Locale() == nullptr;
}

bool LocaleIsPlainC() {
  return Terminal().plain;
}

bool OutputPassesAsBytes(std::FILE*) {
  return Locale() == nullptr;
}

bool OutputShowsC1AsControls(std::FILE*) {
  // A UTF-8 terminal gets those characters encoded; one in any other locale gets the bytes.
  return Locale() == nullptr || ::nl_langinfo_l(CODESET, Locale()) != std::string("UTF-8");
}

bool DecodeArgument(std::string_view text, std::u32string* out) {
  out->clear();
  InLocale in;
  std::mbstate_t state{};
  std::size_t i = 0;
  while (i < text.size()) {
    wchar_t c = 0;
    const std::size_t n = std::mbrtowc(&c, text.data() + i, text.size() - i, &state);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) return false;
    if (n == 0) break;  // an embedded zero ends the argument as the C string did
    out->push_back(static_cast<char32_t>(c));
    i += n;
  }
  return true;
}

void EncodeForTerminal(std::u32string_view text, std::FILE*, std::string* out) {
  out->clear();
  InLocale in;
  std::mbstate_t state{};
  char buf[MB_LEN_MAX];
  for (const char32_t c : text) {
    const std::size_t n = std::wcrtomb(buf, static_cast<wchar_t>(c), &state);
    if (n == static_cast<std::size_t>(-1)) {
      out->push_back('?');
      state = std::mbstate_t{};
    } else {
      out->append(buf, n);
    }
  }
}

bool StdInIsTerminal() {
  return ::isatty(STDIN_FILENO) == 1;
}

bool ReadLineWithoutEcho(const char* prompt, std::string* line) {
  // Echo goes off before the prompt shows, so nothing typed at the prompt is ever echoed.
  termios before{};
  const bool terminal = ::tcgetattr(STDIN_FILENO, &before) == 0;
  if (terminal) {
    termios quiet = before;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;  // the line end still shows, so the next prompt starts a line
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  const bool got = static_cast<bool>(std::getline(std::cin, *line));
  if (terminal) ::tcsetattr(STDIN_FILENO, TCSANOW, &before);
  if (got && !line->empty() && line->back() == '\r') line->pop_back();
  return got;
}

}  // namespace jf
