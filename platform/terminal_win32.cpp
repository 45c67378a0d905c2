#include <io.h>
#include <windows.h>

#include <iostream>
#include <string>

#include "platform/Terminal.h"

namespace jf {

namespace {

// The code page of the console behind stream; 0 when stream is not a console (a file or a pipe
// takes the program's bytes).
UINT ConsoleCodePage(std::FILE* stream) {
  const auto h = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  if (h == INVALID_HANDLE_VALUE || !::GetConsoleMode(h, &mode)) return 0;
  return ::GetConsoleOutputCP();
}

}  // namespace

bool ArgumentsPassAsBytes() {
  return true;  // the ANSI code page, the program's own
}

bool LocaleIsPlainC() {
  return false;  // arguments arrive in the ANSI code page
}

bool OutputShowsC1AsControls(std::FILE*) {
  return false;  // a console shows its code page's characters; a file keeps the bytes
}

bool OutputPassesAsBytes(std::FILE* stream) {
  const UINT cp = ConsoleCodePage(stream);
  return cp == 0 || cp == 1252;
}

bool DecodeArgument(std::string_view, std::u32string* out) {
  out->clear();
  return false;  // never asked: arguments pass as bytes
}

void EncodeForTerminal(std::u32string_view text, std::FILE* stream, std::string* out) {
  out->clear();
  std::wstring wide;
  for (const char32_t c : text) wide.push_back(c < 0x10000 ? static_cast<wchar_t>(c) : L'?');
  const UINT cp = ConsoleCodePage(stream);
  if (wide.empty() || cp == 0) return;
  const int n = ::WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
  if (n <= 0) return;
  out->resize(static_cast<std::size_t>(n));
  ::WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), out->data(), n, nullptr,
                        nullptr);
}

bool StdInIsTerminal() {
  DWORD mode = 0;
  const HANDLE h = ::GetStdHandle(STD_INPUT_HANDLE);
  return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) != 0;
}

bool ReadLineWithoutEcho(const char* prompt, std::string* line) {
  const HANDLE h = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD before = 0;
  const bool console = h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &before) != 0;
  if (console) ::SetConsoleMode(h, before & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  std::fputs(prompt, stderr);
  std::fflush(stderr);
  const bool got = static_cast<bool>(std::getline(std::cin, *line));
  if (console) {
    ::SetConsoleMode(h, before);
    std::fputs("\n", stderr);  // the line end typed was not shown either
  }
  if (got && !line->empty() && line->back() == '\r') line->pop_back();
  return got;
}

}  // namespace jf
