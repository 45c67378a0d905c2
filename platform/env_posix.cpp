// POSIX implementation of the OS seam. Windows semantics are reproduced where the program
// relies on them: share mode 0 becomes a non-blocking exclusive flock (so a second opener sees
// a sharing violation, not a second writer), write-through becomes O_DSYNC, a file's flush
// fdatasync, and errno values
// are mapped to the Windows error numbers the callers test.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/Env.h"

namespace jf {

std::string NativePath(std::string_view path) {
  std::string p(path);
  for (char& c : p) {
    if (c == '\\') c = '/';
  }
  return p;
}

bool IsSharingConflict(int err) {
  return err == kErrSharingViolation || err == kErrSharingBufferExceeded;
}

bool StdErrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

bool StdOutIsTerminal() {
  return ::isatty(STDOUT_FILENO) == 1;
}

void WriteStdErr(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

namespace {

int MapErrno(int e) {
  switch (e) {
    case 0:
      return kErrNone;
    case ENOENT:
      return kErrFileNotFound;
    case ENOTDIR:
      return kErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return kErrAccessDenied;
    case EWOULDBLOCK:
      return kErrSharingViolation;
    case EBADF:
      return kErrInvalidHandle;
    case ENOSPC:
    case EDQUOT:
      return kErrDiskFull;
    case EFBIG:
      return kErrFileTooLarge;
    case EEXIST:
      return kErrAlreadyExists;
    case EIO:
      return kErrIoDevice;
    case ELOOP:  // O_NOFOLLOW met a symbolic link
      return kErrNotPlainFile;
    default:
      return kErrGenFailure;
  }
}

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

class PosixFile final : public WritableFile {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override { Close(); }

  int SeekToEnd(uint64_t* offset) override {
    if (fd_ < 0) return kErrInvalidHandle;
    off_t pos = ::lseek(fd_, 0, SEEK_END);
    if (pos < 0) return MapErrno(errno);
    if (offset != nullptr) *offset = static_cast<uint64_t>(pos);
    return 0;
  }

  int Write(std::string_view data, std::size_t* written) override {
    std::size_t done = 0;
    int err = 0;
    if (fd_ < 0) {
      err = kErrInvalidHandle;
    } else {
      while (done < data.size()) {
        ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
        if (n < 0) {
          if (errno == EINTR) continue;
          err = MapErrno(errno);
          break;
        }
        if (n == 0) {
          err = kErrDiskFull;
          break;
        }
        done += static_cast<std::size_t>(n);
      }
    }
    if (written != nullptr) *written = done;
    return err;
  }

  int Truncate(uint64_t size) override {
    if (fd_ < 0) return kErrInvalidHandle;
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return MapErrno(errno);
    if (::lseek(fd_, static_cast<off_t>(size), SEEK_SET) < 0) return MapErrno(errno);
    return 0;
  }

  int Sync() override {
    if (fd_ < 0) return kErrInvalidHandle;
    // The data and the size that reaches it; the file's times can wait.
    while (::fdatasync(fd_) != 0) {
      if (errno != EINTR) return MapErrno(errno);
    }
    return 0;
  }

  int SyncFolder() override {
    if (fd_ < 0) return kErrInvalidHandle;
    const int dir = ::open(FolderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return MapErrno(errno);
    int err = 0;
    while (::fsync(dir) != 0) {
      if (errno != EINTR) {
        err = MapErrno(errno);
        break;
      }
    }
    ::close(dir);
    return err;
  }

  int ReadAt(uint64_t offset, std::size_t size, std::string* contents) override {
    if (fd_ < 0) return kErrInvalidHandle;
    contents->assign(size, '\0');
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n =
          ::pread(fd_, contents->data() + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return MapErrno(errno);
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    contents->resize(done);
    return 0;
  }

  int Close() override {
    if (fd_ < 0) return kErrInvalidHandle;
    int rc = ::close(fd_);  // closing releases the flock
    fd_ = -1;
    return rc == 0 ? 0 : MapErrno(errno);
  }

 private:
  int fd_;
  std::string path_;
};

// Opens path without following a symbolic link in its last part, creating it when asked;
// *created tells whether this call made it. Returns the descriptor or -1 with errno set.
int OpenPlain(const std::string& path, bool create_only, mode_t perms, int flags, bool* created) {
  flags |= O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  *created = false;
  if (create_only) {
    *created = true;
    return ::open(path.c_str(), flags | O_CREAT | O_EXCL, perms);
  }
  // Opened first as it is, and created only when missing: so the caller learns whether the
  // file is new without a look-up of its own, and a file that appears meanwhile is opened.
  for (int tries = 0; tries < 3; ++tries) {
    int fd = ::open(path.c_str(), flags);
    if (fd >= 0 || errno != ENOENT) return fd;
    fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, perms);
    if (fd >= 0 || errno != EEXIST) {
      *created = fd >= 0;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

class PosixEnv final : public Env {
 public:
  int OpenAppend(std::string_view path, ShareMode mode, Durability durability,
                 std::unique_ptr<WritableFile>* out, bool* existed) override {
    const std::string p = NativePath(path);
    const bool private_new = mode == ShareMode::kNewPrivate;
    const int sync = durability == Durability::kWriteThrough ? O_DSYNC : 0;
    bool created = false;
    int fd = OpenPlain(p, private_new, private_new ? 0600 : 0644, sync, &created);
    // With O_CREAT only a missing folder gives ENOENT, which Windows reports as "path not found".
    if (fd < 0) return errno == ENOENT ? kErrPathNotFound : MapErrno(errno);
    // Only a plain file is written: not a fifo, a device or a folder someone put in its place.
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      const int e = MapErrno(errno);
      ::close(fd);
      return e;
    }
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      return S_ISDIR(st.st_mode) ? kErrAccessDenied : kErrNotPlainFile;
    }
    // O_NONBLOCK was only for the open (a fifo would block it); writes to a file never wait.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // Every mode keeps other writers out; the exclusive modes are meant to keep readers out
    // too, which POSIX can only promise to readers that take a shared lock (our own tools do).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int e = errno;
      ::close(fd);
      return e == EWOULDBLOCK ? kErrSharingViolation : MapErrno(e);
    }
    if (existed != nullptr) *existed = !created;
    *out = std::make_unique<PosixFile>(fd, p);
    return 0;
  }

  int ReadFile(std::string_view path, std::string* contents) override {
    const std::string p = NativePath(path);
    std::FILE* f = std::fopen(p.c_str(), "rb");
    if (f == nullptr) return MapErrno(errno);
    contents->clear();
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) contents->append(buf, n);
    int err = std::ferror(f) ? MapErrno(errno) : 0;
    std::fclose(f);
    return err;
  }

  int DeleteFile(std::string_view path) override {
    const std::string p = NativePath(path);
    return ::unlink(p.c_str()) == 0 ? 0 : MapErrno(errno);
  }

  int RenameFile(std::string_view from, std::string_view to) override {
    const std::string f = NativePath(from), t = NativePath(to);
    // MoveFileA refuses to replace an existing file; link + unlink gives the same promise
    // atomically where rename(2) would silently replace.
    if (::link(f.c_str(), t.c_str()) != 0) {
      int e = errno;
      if (e == EEXIST || e == ENOENT || e == ENOTDIR || e == EACCES || e == ENOSPC)
        return MapErrno(e);
      // File systems without hard links: check, then rename.
      if (::access(t.c_str(), F_OK) == 0) return kErrAlreadyExists;
      return ::rename(f.c_str(), t.c_str()) == 0 ? 0 : MapErrno(errno);
    }
    if (::unlink(f.c_str()) != 0) {
      int e = MapErrno(errno);
      ::unlink(t.c_str());
      return e;
    }
    return 0;
  }

  bool FileExists(std::string_view path) override {
    const std::string p = NativePath(path);
    return ::access(p.c_str(), F_OK) == 0;
  }

  void SleepMillis(int millis) override {
    struct timespec ts;
    ts.tv_sec = millis / 1000;
    ts.tv_nsec = static_cast<long>(millis % 1000) * 1000000L;
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }

  bool Now(LocalTime* out) override {
    struct timespec ts;
    if (::clock_gettime(CLOCK_REALTIME, &ts) != 0) return false;
    struct tm tm;
    time_t secs = ts.tv_sec;
    if (::localtime_r(&secs, &tm) == nullptr) return false;
    out->year = tm.tm_year + 1900;
    out->month = tm.tm_mon + 1;
    out->day = tm.tm_mday;
    out->hour = tm.tm_hour;
    out->minute = tm.tm_min;
    out->second = tm.tm_sec;
    out->millis = static_cast<int>(ts.tv_nsec / 1000000L);
    out->weekday = tm.tm_wday;
    out->yearday = tm.tm_yday;
    return true;
  }
};

}  // namespace

Env* OsEnv() {
  static PosixEnv env;
  return &env;
}

}  // namespace jf
