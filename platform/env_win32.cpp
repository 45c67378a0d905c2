// Win32 implementation of the OS seam: the file API calls, share modes and flags the program
// has always used, with GetLastError numbers passed through unchanged.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h maps these names to their A/W variants; the seam's methods carry the plain names.
#undef DeleteFile
#undef ReadFile

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Env.h"

namespace jf {

std::string NativePath(std::string_view path) {
  return std::string(path);
}

bool IsSharingConflict(int err) {
  return err == kErrAccessDenied || err == kErrSharingViolation || err == kErrSharingBufferExceeded;
}

namespace {

// A console answers GetConsoleMode; a file, a pipe or no handle at all does not.
bool IsConsole(DWORD which) {
  DWORD mode = 0;
  const HANDLE h = ::GetStdHandle(which);
  return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) != 0;
}

}  // namespace

bool StdErrIsTerminal() {
  return IsConsole(STD_ERROR_HANDLE);
}

bool StdOutIsTerminal() {
  return IsConsole(STD_OUTPUT_HANDLE);
}

void WriteStdErr(std::string_view bytes) {
  // Binary mode: the bytes go out as they are, CR LF stays CR LF.
  _setmode(_fileno(stderr), _O_BINARY);
  while (!bytes.empty()) {
    const unsigned chunk = bytes.size() > 0x10000 ? 0x10000u : static_cast<unsigned>(bytes.size());
    const int n = _write(_fileno(stderr), bytes.data(), chunk);
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

namespace {

// The last error as the seam reports it; a failure that left no error still fails.
int LastError() {
  DWORD err = ::GetLastError();
  return err != 0 ? static_cast<int>(err) : kErrGenFailure;
}

class Win32File final : public WritableFile {
 public:
  Win32File(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  ~Win32File() override { Close(); }

  int SeekToEnd(uint64_t* offset) override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER pos;
    pos.QuadPart = 0;
    if (!::SetFilePointerEx(h_, zero, &pos, FILE_END)) return LastError();
    if (offset != nullptr) *offset = static_cast<uint64_t>(pos.QuadPart);
    return 0;
  }

  int Write(std::string_view data, std::size_t* written) override {
    std::size_t done = 0;
    int err = 0;
    if (h_ == INVALID_HANDLE_VALUE) {
      err = kErrInvalidHandle;
    } else {
      while (done < data.size()) {
        // WriteFile takes a 32-bit length; larger blocks go in pieces.
        std::size_t left = data.size() - done;
        DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!::WriteFile(h_, data.data() + done, chunk, &n, nullptr)) {
          done += n;
          err = LastError();
          break;
        }
        if (n == 0) {
          err = kErrDiskFull;
          break;
        }
        done += n;
      }
    }
    if (written != nullptr) *written = done;
    return err;
  }

  int Truncate(uint64_t size) override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    LARGE_INTEGER pos;
    pos.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(h_, pos, nullptr, FILE_BEGIN)) return LastError();
    if (!::SetEndOfFile(h_)) return LastError();
    return 0;
  }

  int Sync() override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    return ::FlushFileBuffers(h_) ? 0 : LastError();
  }

  int SyncFolder() override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    const std::size_t cut = path_.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? "." : path_.substr(0, cut + 1);
    // A folder opens only with backup semantics; flushing it writes its entries out.
    HANDLE dir = ::CreateFileA(folder.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (dir == INVALID_HANDLE_VALUE) return LastError();
    int err = ::FlushFileBuffers(dir) ? 0 : LastError();
    ::CloseHandle(dir);
    // File systems that cannot flush a folder (FAT, some network shares) say so; NTFS writes
    // a folder's entries through its journal anyway.
    if (err == ERROR_INVALID_FUNCTION || err == ERROR_ACCESS_DENIED) err = 0;
    return err;
  }

  int ReadAt(uint64_t offset, std::size_t size, std::string* contents) override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    // Read where asked, then back to where the next write goes.
    LARGE_INTEGER zero, here, pos;
    zero.QuadPart = 0;
    pos.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(h_, zero, &here, FILE_CURRENT)) return LastError();
    if (!::SetFilePointerEx(h_, pos, nullptr, FILE_BEGIN)) return LastError();
    contents->assign(size, '\0');
    std::size_t done = 0;
    int err = 0;
    while (done < size) {
      const std::size_t left = size - done;
      DWORD n = 0;
      if (!::ReadFile(h_, contents->data() + done,
                      left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left), &n, nullptr)) {
        err = LastError();
        break;
      }
      if (n == 0) break;
      done += n;
    }
    contents->resize(done);
    if (!::SetFilePointerEx(h_, here, nullptr, FILE_BEGIN) && err == 0) err = LastError();
    return err;
  }

  int Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return kErrInvalidHandle;
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(h) ? 0 : LastError();
  }

 private:
  HANDLE h_;
  std::string path_;
};

int DayOfYear(int year, int month, int day) {
  static const int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int m = month >= 1 && month <= 12 ? month : 1;
  return kBefore[m - 1] + (leap && m > 2 ? 1 : 0) + day - 1;
}

class Win32Env final : public Env {
 public:
  int OpenAppend(std::string_view path, ShareMode mode, Durability durability,
                 std::unique_ptr<WritableFile>* out, bool* existed) override {
    const std::string p(path);
    // The message file lets readers in while it is written; the send-buffer files and the
    // login file are held exclusively (a new file's access rights come from its folder, as
    // Windows does it). Every handle may read too: a file held exclusively can be read back
    // through its own handle only, as the send-buffer writer does to find a torn last line.
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    const DWORD share = mode == ShareMode::kShareRead ? FILE_SHARE_READ : 0;
    const DWORD through =
        durability == Durability::kWriteThrough ? FILE_FLAG_WRITE_THROUGH : DWORD{0};
    const bool private_new = mode == ShareMode::kNewPrivate;
    // A reparse point (a symbolic link, a junction) is opened as itself, not followed, and
    // then refused below.
    HANDLE h =
        ::CreateFileA(p.c_str(), access, share, nullptr, private_new ? CREATE_NEW : OPEN_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | through, nullptr);
    // OPEN_ALWAYS leaves ERROR_ALREADY_EXISTS behind when it opened an existing file.
    const DWORD err = ::GetLastError();
    if (h == INVALID_HANDLE_VALUE) {
      if (err == ERROR_FILE_EXISTS) return kErrAlreadyExists;
      return err != 0 ? static_cast<int>(err) : kErrGenFailure;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
      ::CloseHandle(h);
      return kErrNotPlainFile;
    }
    if (existed != nullptr) *existed = err == ERROR_ALREADY_EXISTS;
    *out = std::make_unique<Win32File>(h, p);
    return 0;
  }

  int ReadFile(std::string_view path, std::string* contents) override {
    const std::string p(path);
    // Readers must admit the writers that hold the message file with shared reading.
    HANDLE h = ::CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return LastError();
    contents->clear();
    char buf[8192];
    int err = 0;
    for (;;) {
      DWORD n = 0;
      if (!::ReadFile(h, buf, static_cast<DWORD>(sizeof buf), &n, nullptr)) {
        err = LastError();
        break;
      }
      if (n == 0) break;
      contents->append(buf, n);
    }
    ::CloseHandle(h);
    return err;
  }

  int DeleteFile(std::string_view path) override {
    const std::string p(path);
    return ::DeleteFileA(p.c_str()) ? 0 : LastError();
  }

  int RenameFile(std::string_view from, std::string_view to) override {
    const std::string f(from), t(to);
    return ::MoveFileA(f.c_str(), t.c_str()) ? 0 : LastError();
  }

  bool FileExists(std::string_view path) override {
    const std::string p(path);
    return ::GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  void SleepMillis(int millis) override { ::Sleep(millis > 0 ? static_cast<DWORD>(millis) : 0); }

  bool Now(LocalTime* out) override {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    out->year = st.wYear;
    out->month = st.wMonth;
    out->day = st.wDay;
    out->hour = st.wHour;
    out->minute = st.wMinute;
    out->second = st.wSecond;
    out->millis = st.wMilliseconds;
    out->weekday = st.wDayOfWeek;  // 0 = Sunday, as LocalTime counts
    out->yearday = DayOfYear(st.wYear, st.wMonth, st.wDay);
    return true;
  }
};

}  // namespace

Env* OsEnv() {
  static Win32Env env;
  return &env;
}

}  // namespace jf
