#include "support/Process.h"

#include <cerrno>
#include <string_view>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

extern char** environ;
#endif

namespace jf::test {

#ifdef _WIN32

namespace {

// One argument quoted as the C runtime splits a command line: backslashes are literal except
// before a quote.
void AppendQuoted(std::string* line, std::string_view arg) {
  line->push_back('"');
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    line->append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    line->push_back(c);
  }
  line->append(2 * backslashes, '\\');
  line->push_back('"');
}

// A temporary file the child writes into through an inherited handle; gone when closed.
HANDLE CaptureFile() {
  char dir[MAX_PATH], name[MAX_PATH];
  if (GetTempPathA(MAX_PATH, dir) == 0 || GetTempFileNameA(dir, "jft", 0, name) == 0) {
    return INVALID_HANDLE_VALUE;
  }
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return CreateFileA(name, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

std::string ReadBack(HANDLE h) {
  std::string text;
  SetFilePointer(h, 0, nullptr, FILE_BEGIN);
  char buf[4096];
  DWORD n = 0;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) text.append(buf, n);
  return text;
}

}  // namespace

int RunProcess(const std::string& program, const std::vector<std::string>& args, std::string* out,
               std::string* err) {
  std::string path = program;
  if (program.find_first_of("\\/:") == std::string::npos) {
    char self[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self, n);
    path = dir.substr(0, dir.find_last_of("\\/") + 1) + program;
  }
  std::string line;
  AppendQuoted(&line, path);
  for (const std::string& a : args) {
    line.push_back(' ');
    AppendQuoted(&line, a);
  }

  HANDLE out_file = CaptureFile();
  HANDLE err_file = CaptureFile();
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                          OPEN_EXISTING, 0, nullptr);
  int code = -1;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out_file;
  si.hStdError = err_file;
  PROCESS_INFORMATION pi{};
  if (out_file != INVALID_HANDLE_VALUE && err_file != INVALID_HANDLE_VALUE &&
      CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                     &pi)) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD status = 0;
    if (GetExitCodeProcess(pi.hProcess, &status)) code = static_cast<int>(status);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (out != nullptr) *out = ReadBack(out_file);
    if (err != nullptr) *err = ReadBack(err_file);
  }
  for (HANDLE h : {in, out_file, err_file}) {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  return code;
}

#else

namespace {

struct CaptureFile {
  CaptureFile() {
    path = (std::filesystem::temp_directory_path() / "jobfeed-out-XXXXXX").string();
    fd = ::mkstemp(path.data());
  }
  ~CaptureFile() {
    if (fd >= 0) {
      ::close(fd);
      ::unlink(path.c_str());
    }
  }
  std::string ReadBack() const {
    std::string text;
    char buf[4096];
    ssize_t n;
    for (off_t at = 0; (n = ::pread(fd, buf, sizeof buf, at)) > 0; at += n) text.append(buf, n);
    return text;
  }
  std::string path;
  int fd = -1;
};

}  // namespace

int RunProcess(const std::string& program, const std::vector<std::string>& args, std::string* out,
               std::string* err) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  CaptureFile out_file, err_file;
  if (out_file.fd < 0 || err_file.fd < 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_file.fd, 1);
  posix_spawn_file_actions_adddup2(&actions, err_file.fd, 2);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (out != nullptr) *out = out_file.ReadBack();
  if (err != nullptr) *err = err_file.ReadBack();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunInTerminal(const std::string& program, const std::vector<std::string>& args,
                  std::string* screen, const std::vector<std::string>& typed) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return -1;
  if (pid == 0) {
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  // Read until the program's side of the terminal is closed (EIO), or it would block on a full
  // terminal.
  screen->clear();
  char buf[4096];
  std::size_t next = 0;
  for (;;) {
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n > 0) {
      screen->append(buf, static_cast<std::size_t>(n));
      if (next < typed.size() && screen->ends_with(": ")) {
        const std::string line = typed[next++] + "\n";
        if (::write(master, line.data(), line.size()) != static_cast<ssize_t>(line.size())) break;
      }
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  ::close(master);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

}  // namespace jf::test
