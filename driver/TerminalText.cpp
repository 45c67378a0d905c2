#include "driver/TerminalText.h"

#include <utility>

#include "db/Cp1252.h"
#include "platform/Terminal.h"

namespace jf {

namespace {

// Decodes text when it is valid UTF-8 as a whole; false, and *out left, when it is not.
bool DecodeWholeUtf8(std::string_view text, std::u32string* out) {
  std::u32string chars;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t n = cp1252::DecodeUtf8(text.substr(i), &c);
    if (n == 0) return false;
    chars.push_back(c);
    i += n;
  }
  *out = std::move(chars);
  return true;
}

}  // namespace

bool ArgumentFromTerminal(std::string_view arg, std::string* out) {
  if (cp1252::IsAscii(arg)) {
    out->assign(arg);
    return true;
  }
  std::u32string chars;
  if (ArgumentsPassAsBytes()) {
    // In the C locale a scheduler passes what it was given, which today is UTF-8 nearly always;
    // bytes that are no UTF-8 are the program's code page, as they always were.
    if (!LocaleIsPlainC() || !DecodeWholeUtf8(arg, &chars)) {
      out->assign(arg);
      return true;
    }
  } else if (!DecodeArgument(arg, &chars)) {
    return false;
  }
  out->clear();
  for (const char32_t c : chars) {
    const int b = cp1252::FromUnicode(c);
    if (b < 0) return false;
    out->push_back(static_cast<char>(b));
  }
  return true;
}

ProgramArgs::ProgramArgs(int argc, char** argv)
    : args_(static_cast<std::size_t>(argc)), argc_(argc) {
  for (int i = 0; i < argc; ++i) {
    // The program's own name is the file system's, not a text the program works on.
    if (i == 0 || !ArgumentFromTerminal(argv[i], &args_[i])) {
      if (i > 0 && bad_ == 0) bad_ = i;
      args_[i] = argv[i];
    }
  }
  for (const std::string& a : args_) pointers_.push_back(a.c_str());
  pointers_.push_back(nullptr);
}

std::string ForTerminal(std::string_view text, std::FILE* stream) {
  if (OutputPassesAsBytes(stream) || cp1252::IsAscii(text)) return std::string(text);
  std::u32string chars;
  for (const char c : text) chars.push_back(cp1252::ToUnicode(static_cast<unsigned char>(c)));
  std::string out;
  EncodeForTerminal(chars, stream, &out);
  return out;
}

}  // namespace jf
