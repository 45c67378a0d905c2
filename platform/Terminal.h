// The terminal's side of text: the arguments a program is started with and what it prints. On
// POSIX the terminal speaks the locale's character encoding (LC_ALL, LC_CTYPE, LANG); a C or
// POSIX locale passes bytes as they are. On Windows arguments arrive in the ANSI code page and
// pass as they are, and a console shows its own output code page.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace jf {

// Whether the arguments reach the program byte for byte (no conversion is needed).
bool ArgumentsPassAsBytes();
// Whether the locale is C or POSIX (its encoding plain ASCII), which schedulers often run in:
// arguments that are valid UTF-8 are then taken as UTF-8, as other runtimes do in that locale.
bool LocaleIsPlainC();
// Whether text written to stream reaches the terminal byte for byte.
bool OutputPassesAsBytes(std::FILE* stream);

// Whether a terminal behind stream may take the bytes 0x80 to 0x9F for control characters (0x9B
// is CSI on many): output that passes as bytes in a locale that is not UTF-8.
bool OutputShowsC1AsControls(std::FILE* stream);

// Decodes an argument into Unicode characters; false when it is not valid in the terminal's
// encoding.
bool DecodeArgument(std::string_view text, std::u32string* out);
// Encodes Unicode characters for the terminal behind stream; a character it lacks becomes "?".
void EncodeForTerminal(std::u32string_view text, std::FILE* stream, std::string* out);

// Whether standard input is a terminal a person types at (a console on Windows).
bool StdInIsTerminal();
// Reads one line from standard input with the terminal's echo off, after writing prompt to
// standard error: a secret typed at a terminal is not shown. The line end is not kept. False at
// the end of the input.
bool ReadLineWithoutEcho(const char* prompt, std::string* line);

}  // namespace jf
