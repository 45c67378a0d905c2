// The operating-system seam. Everything the program asks of the OS goes through an Env, so
// that the Win32 and POSIX builds share all logic above it and tests can inject faults.
//
// Errors are reported as Windows error numbers on every platform, because the program's
// callers test those numbers (5, 32, 36 retry; 183 means the file existed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace jf {

// Windows error numbers the program distinguishes.
enum WinError : int {
  kErrNone = 0,
  kErrFileNotFound = 2,
  kErrPathNotFound = 3,
  kErrAccessDenied = 5,
  kErrInvalidHandle = 6,
  kErrSharingViolation = 32,
  kErrLockViolation = 33,
  kErrSharingBufferExceeded = 36,
  kErrHandleDiskFull = 39,
  kErrDiskFull = 112,
  kErrAlreadyExists = 183,
  kErrFileTooLarge = 223,
  kErrIoDevice = 1117,
  kErrGenFailure = 31,
  // ERROR_CANT_ACCESS_FILE: what stands at the path is not a plain file (a symbolic link or
  // another reparse point, a device, a folder), and the program does not write through it.
  kErrNotPlainFile = 1920,
};

// Local calendar time, as the local clock gives it.
struct LocalTime {
  int year = 0;     // four digits
  int month = 0;    // 1..12
  int day = 0;      // 1..31
  int hour = 0;     // 0..23
  int minute = 0;   // 0..59
  int second = 0;   // 0..60
  int millis = 0;   // 0..999
  int weekday = 0;  // 0 = Sunday
  int yearday = 0;  // 0..365
};

// How a file is opened for appending.
enum class ShareMode {
  kExclusive,   // nobody else may open it while it is held (the send-buffer files)
  kShareRead,   // others may read, nobody else may write (the message file)
  kNewPrivate,  // as kExclusive, but only a file that is not there yet is created (fails
                // with 183 otherwise), readable and writable by its owner only (POSIX
                // mode 0600): the temporary login file
};

// When what is written to a file is on the disk.
enum class Durability {
  kWriteThrough,  // before each write returns (the message file, the login file)
  kOnSync,        // after Sync() returns; before that whenever the OS writes it back (the
                  // send-buffer files: the lines of a group of rows are made durable at once)
};

class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Moves to the end of the file; stores the resulting offset. Returns 0 or an error.
  virtual int SeekToEnd(uint64_t* offset) = 0;
  // Writes all of data at the current position. On failure *written tells how many bytes did
  // reach the file, so a caller can cut a partial record off again.
  virtual int Write(std::string_view data, std::size_t* written) = 0;
  // Cuts the file back to size bytes and moves the position there.
  virtual int Truncate(uint64_t size) = 0;
  // Makes everything written so far durable (fdatasync, FlushFileBuffers). Returns 0 or an
  // error; after an error, what was written since the last Sync may be lost.
  virtual int Sync() = 0;
  // Makes the file's entry in its folder durable (fsync of the folder; NTFS journals it), so a
  // file created since the last power cut is still there after the next one. Returns 0 or an
  // error.
  virtual int SyncFolder() = 0;
  // Reads up to size bytes from offset through this handle, which works where the share mode
  // keeps every other opener out; fewer at the end of the file. The position where the next
  // write goes does not move. Returns 0 or an error.
  virtual int ReadAt(uint64_t offset, std::size_t size, std::string* contents) = 0;
  // Closes the handle; further calls fail. Returns 0 or an error.
  virtual int Close() = 0;
};

class Env {
 public:
  virtual ~Env() = default;

  // The process-wide environment: the real OS unless a test installed another one.
  static Env* Default();
  // Installs env as the process-wide environment (nullptr restores the real one). Returns the
  // previous one. Tests only.
  static Env* Install(Env* env);

  // Opens path for writing, creating it if missing (OPEN_ALWAYS). Returns 0 on success or a
  // Windows error number; *existed tells whether the file was there before (the error 183 that
  // CreateFileA leaves behind on success). A symbolic link or anything else that is not a
  // plain file at path is never opened or followed: kErrNotPlainFile. Whoever may write to the
  // folder could otherwise point the program's appends, and its cutting of a torn last line,
  // at any file the program's account may write.
  virtual int OpenAppend(std::string_view path, ShareMode mode, Durability durability,
                         std::unique_ptr<WritableFile>* out, bool* existed) = 0;
  // Reads a whole file for reading in text form. Returns 0 or an error.
  virtual int ReadFile(std::string_view path, std::string* contents) = 0;
  virtual int DeleteFile(std::string_view path) = 0;
  // Renames from to to; fails when to exists (as MoveFileA does).
  virtual int RenameFile(std::string_view from, std::string_view to) = 0;
  virtual bool FileExists(std::string_view path) = 0;
  virtual void SleepMillis(int millis) = 0;
  // Reads the local clock. Returns false when the clock cannot be read or converted.
  virtual bool Now(LocalTime* out) = 0;
};

// Turns a path written with backslashes (the program's own paths are Windows paths relative
// to the working directory) into one the OS understands. Identity on Windows.
std::string NativePath(std::string_view path);

// Whether an error opening, renaming or deleting a file can be another process holding it, which
// passes. Windows reports such a conflict as 5, 32 or 36 (5 also for a file pending deletion);
// on POSIX only a held lock is one (32), while 5 there is a permission or a folder in the
// file's place, which waiting does not mend.
bool IsSharingConflict(int err);

// Whether standard error is a terminal a person watches (a console on Windows); false for a file,
// a pipe or a closed stream.
bool StdErrIsTerminal();
// The same of standard output.
bool StdOutIsTerminal();

// Writes bytes to standard error as they are, without line-end translation. Failures are
// ignored: standard error is where failures go when nothing else takes them.
void WriteStdErr(std::string_view bytes);

// Convenience: the process-wide environment.
inline Env* env() {
  return Env::Default();
}

}  // namespace jf
