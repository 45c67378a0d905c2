// jobfeed-admin: scramble, unscramble and write-login.

#include "tools/admin_login.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "driver/TerminalText.h"
#include "login/Login.h"
#include "login/Scramble.h"
#include "platform/Env.h"
#include "platform/Terminal.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

constexpr const char* kScrambleUsage =
    "usage: jobfeed-admin scramble [--letters] [TEXT]\n"
    "  Prints TEXT scrambled with the login key, in digit form (or letter form).\n"
    "  Without TEXT it is read from standard input (its first line; typed at a terminal it is\n"
    "  not shown), so a password stays out of the process list and the shell's history.\n"
    "  TEXT holds at most 40 characters, as the login file's reader takes them.\n";
constexpr const char* kUnscrambleUsage =
    "usage: jobfeed-admin unscramble [--letters] TEXT\n"
    "  Prints the clear text of a value scrambled with the login key.\n";
constexpr const char* kWriteLoginUsage =
    "usage: jobfeed-admin write-login PATH --user USER --net NET [--force] < password\n"
    "  Writes the login configuration file PATH with the entries LOGIN, PASS and NET8.\n"
    "  An existing file is replaced only with --force.\n"
    "  The password is the first line of standard input, never an argument; typed at a\n"
    "  terminal it is asked for twice and not shown.\n"
    "  NET is an Oracle net service name, sqlite:PATH (relative to the working directory) or a\n"
    "  PostgreSQL URI (postgresql://host[:port]/database).\n"
    "  Each value holds at most 40 characters.\n";

int BadUse(const char* usage, const std::string& message) {
  std::cerr << "jobfeed-admin: " << message << "\n" << usage;
  return 2;
}

// The shared shape of scramble and unscramble: [--letters] TEXT. Where TEXT may come from
// standard input instead, *from_input tells that it was not given.
bool ParseTextArgs(int argc, char** argv, const char* usage, int* form, std::string* text, int* rc,
                   bool* from_input = nullptr) {
  *form = kDigitForm;
  if (AnswersHelpOrVersion(argc, argv, usage, rc)) return false;
  bool have_text = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--letters") {
      *form = kLetterForm;
    } else if (a.size() > 1 && a[0] == '-' && !have_text) {
      *rc = BadUse(usage, "unknown option " + std::string(a));
      return false;
    } else if (!have_text) {
      // A login value: the program's code page, as the programs will use it.
      if (!ArgumentFromTerminal(a, text)) {
        *rc = BadUse(usage, "TEXT has a character outside Windows-1252");
        return false;
      }
      have_text = true;
    } else {
      *rc = BadUse(usage, "more than one TEXT given");
      return false;
    }
  }
  if (from_input != nullptr) *from_input = !have_text;
  if (!have_text && from_input == nullptr) {
    *rc = BadUse(usage, "TEXT is missing");
    return false;
  }
  return true;
}

// The first line of standard input (not shown when typed at a terminal), as a text of the
// program's code page. False, told on standard error, when there is none or it does not fit.
bool SecretFromInput(const char* prompt, const char* what, std::string* text) {
  std::string line;
  const bool got = StdInIsTerminal() ? ReadLineWithoutEcho(prompt, &line)
                                     : static_cast<bool>(std::getline(std::cin, line));
  if (!got) {
    std::cerr << "jobfeed-admin: no " << what << " on standard input\n";
    return false;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!ArgumentFromTerminal(line, text)) {
    std::cerr << "jobfeed-admin: the " << what << " has a character outside Windows-1252\n";
    return false;
  }
  return true;
}

}  // namespace

int CmdScramble(int argc, char** argv) {
  int form = kDigitForm, rc = 0;
  std::string text;
  bool from_input = false;
  if (!ParseTextArgs(argc, argv, kScrambleUsage, &form, &text, &rc, &from_input)) return rc;
  if (from_input && !SecretFromInput("Text: ", "TEXT", &text)) return 1;
  // A longer value would be refused by the login file's reader (a cut one would log on with
  // something else); what cannot be used is not made.
  if (text.size() > kLoginClearMax) {
    return BadUse(kScrambleUsage, "TEXT has " + std::to_string(text.size()) +
                                      " characters; a login value holds at most " +
                                      std::to_string(kLoginClearMax));
  }
  if (text.find('\0') != std::string::npos) return BadUse(kScrambleUsage, "TEXT holds a zero byte");
  std::cout << Scramble(text, kLoginKey, form) << "\n";
  return 0;
}

int CmdUnscramble(int argc, char** argv) {
  int form = kDigitForm, rc = 0;
  std::string text;
  if (!ParseTextArgs(argc, argv, kUnscrambleUsage, &form, &text, &rc)) return rc;
  if (!IsScrambledText(text, form)) {
    std::cerr << "jobfeed-admin: not a scrambled text in "
              << (form == kLetterForm ? "letter" : "digit") << " form\n";
    return 1;
  }
  std::cout << ForTerminal(Unscramble(text, kLoginKey, form)) << "\n";
  return 0;
}

int CmdWriteLogin(int argc, char** argv) {
  std::string path, user, net;
  bool have_path = false, have_user = false, have_net = false, force = false;
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, kWriteLoginUsage, &rc)) return rc;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--force") {
      force = true;
    } else if (a == "--user" || a == "--net") {
      if (i + 1 >= argc) return BadUse(kWriteLoginUsage, std::string(a) + " needs a value");
      (a == "--user" ? user : net) = argv[++i];
      // The user name is a text the database compares; NET names a file or a network service
      // and stays as given.
      if (a == "--user" && !ArgumentFromTerminal(argv[i], &user)) {
        return BadUse(kWriteLoginUsage, "USER has a character outside Windows-1252");
      }
      (a == "--user" ? have_user : have_net) = true;
    } else if (a == "--password" || a.rfind("--password=", 0) == 0) {
      return BadUse(kWriteLoginUsage,
                    "the password is read from standard input, not from the command line");
    } else if (a.size() > 1 && a[0] == '-') {
      return BadUse(kWriteLoginUsage, "unknown option " + std::string(a));
    } else if (!have_path) {
      path = a;
      have_path = true;
    } else {
      return BadUse(kWriteLoginUsage, "more than one PATH given");
    }
  }
  if (!have_path || path.empty()) return BadUse(kWriteLoginUsage, "PATH is missing");
  if (!have_user || user.empty()) return BadUse(kWriteLoginUsage, "--user USER is missing");
  if (!have_net || net.empty()) return BadUse(kWriteLoginUsage, "--net NET is missing");

  // A login file in use is not replaced by a slip of the keyboard.
  std::error_code ec;
  const std::filesystem::path target(NativePath(path));
  if (std::filesystem::is_directory(target, ec)) {
    std::cerr << "jobfeed-admin: write-login: " << path << " is a folder\n";
    return 1;
  }
  if (!force && std::filesystem::exists(target, ec)) {
    std::cerr << "jobfeed-admin: write-login: " << path << " exists; add --force to replace it\n";
    return 1;
  }

  // Typed at a terminal, a password is neither shown nor taken on one try: a typing slip
  // would lock the runs out until someone noticed.
  std::string password;
  if (!SecretFromInput("Password: ", "password", &password)) return 1;
  if (StdInIsTerminal()) {
    std::string again;
    if (!SecretFromInput("Password again: ", "password", &again)) return 1;
    if (again != password) {
      std::cerr << "jobfeed-admin: write-login: the two passwords differ; nothing written\n";
      return 1;
    }
  }

  std::string error;
  if (WriteLoginFile(path, user, password, net, &error) != 0) {
    std::cerr << "jobfeed-admin: write-login: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace jf::admin
