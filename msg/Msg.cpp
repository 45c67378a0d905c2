// The message log. Each entry is formatted in memory and written with one write call while the
// file is held open with shared reading, so a reader of the log never sees half an entry from a
// healthy write and the file is free again between entries. An entry the file cannot take goes
// to standard error instead.
#include "msg/Msg.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "msg/MsgName.h"
#include "msg/Progress.h"
#include "platform/Env.h"

namespace jf {

namespace {

constexpr int kEntryLimit = 3000;
constexpr int kRetryWaitMillis = 333;
// Sharing errors are waited out for about ten seconds; a reader or rotator that holds the file
// longer than that costs us the entry rather than hanging the run.
constexpr int kMaxRetries = 30;

struct LogSettings {
  std::string fileName;
  std::string oldFileName;
  int mask = 0;
  int limit = 0;
  int count = 0;
  // The file refused an entry after waiting out its sharing conflicts: the process's later
  // entries go to standard error at once, so one busy file costs a run one wait, not one a row.
  bool refused = false;
  bool holding = false;
  std::vector<std::string> held;
};

LogSettings& Settings() {
  static LogSettings settings;
  return settings;
}

// Runs op until it succeeds or fails with an error other than a sharing conflict, waiting
// between tries; gives up with the conflict after kMaxRetries waits.
template <typename Op>
int WithSharingRetries(Op op) {
  for (int waits = 0;; ++waits) {
    int err = op();
    if (!IsSharingConflict(err) || waits == kMaxRetries) return err;
    env()->SleepMillis(kRetryWaitMillis);
  }
}

// Opens a message file for appending with shared reading. "Already exists" is success.
int OpenShared(const std::string& name, std::unique_ptr<WritableFile>* file) {
  return WithSharingRetries([&] {
    file->reset();
    bool existed = false;
    return env()->OpenAppend(name, ShareMode::kShareRead, Durability::kWriteThrough, file,
                             &existed);
  });
}

std::string_view OrEmpty(const char* text) {
  return text != nullptr ? std::string_view(text) : std::string_view();
}

void AppendTwoDigits(std::string* out, int value) {
  if (value < 0) value = 0;
  out->push_back(static_cast<char>('0' + (value / 10) % 10));
  out->push_back(static_cast<char>('0' + value % 10));
}

std::string FormatEntry(const MessageRecord& rec, int effectiveKind) {
  LocalTime now;
  if (!env()->Now(&now)) now = LocalTime{};  // an entry without its time beats no entry

  std::string_view text = OrEmpty(rec.messageText);
  std::string_view function = OrEmpty(rec.functionName);
  std::string entry;
  entry.reserve(160 + text.size() + function.size() +
                (rec.dataLength > 0 ? static_cast<std::size_t>(rec.dataLength) : 0));

  entry += '\xFE';
  entry += "\r\nSystem-Date: ";
  AppendTwoDigits(&entry, now.day);
  entry += '.';
  AppendTwoDigits(&entry, now.month);
  entry += '.';
  AppendTwoDigits(&entry, now.year % 100);
  entry += "\r\nSystem-Time: ";
  AppendTwoDigits(&entry, now.hour);
  entry += ':';
  AppendTwoDigits(&entry, now.minute);
  entry += ':';
  AppendTwoDigits(&entry, now.second);

  // The tags name every bit the caller set, also those the mask filtered out.
  entry += "\r\nMsgArt_____: ";
  static constexpr const char* kTags[] = {"DMSG ", "SMSG ", "FMSG ", "WMSG ", "CMSG "};
  for (int bit = 0; bit < 5; ++bit) {
    if ((rec.kind & (1 << bit)) != 0) entry += kTags[bit];
  }

  entry += "\r\nMessage____: ";
  entry += text;
  entry += "\r\nFunktion___: ";
  entry += function;
  entry += "\r\nErrorCode__: ";
  entry += std::to_string(rec.errorCode);
  entry += "\r\n";

  if ((effectiveKind & kMsgData) != 0) {
    if (rec.data != nullptr && rec.dataLength > 0) {
      entry.append(static_cast<const char*>(rec.data), static_cast<std::size_t>(rec.dataLength));
    }
    entry += "\r\n";
  }
  if ((effectiveKind & kMsgSystem) != 0) entry += "\r\n\r\n";
  return entry;
}

// Moves a full message file to its backup name. Returns 0, or the error that kept the file in
// place.
int Rotate(const LogSettings& s) {
  // A missing backup is the normal case; whatever stops the delete, the rename decides.
  WithSharingRetries([&] { return env()->DeleteFile(s.oldFileName); });
  return WithSharingRetries([&] { return env()->RenameFile(s.fileName, s.oldFileName); });
}

}  // namespace

std::string Msg_OldFileName(std::string_view fileName) {
  std::size_t start = fileName.find_last_of("\\/:");
  start = start == std::string_view::npos ? 0 : start + 1;
  std::size_t dot = fileName.rfind('.');
  std::string old(
      fileName.substr(0, dot != std::string_view::npos && dot >= start ? dot : fileName.size()));
  old += ".old";
  // A file that already ends in ".old" must not be rotated onto itself: that would delete the
  // log and then fail every rotation after it.
  bool same = old.size() == fileName.size();
  for (std::size_t i = 0; same && i < old.size(); ++i) {
    same = std::tolower(static_cast<unsigned char>(old[i])) ==
           std::tolower(static_cast<unsigned char>(fileName[i]));
  }
  if (same) old = std::string(fileName) + ".old";
  return old;
}

void Msg_Init(int mask, const char* fileName) {
  LogSettings& s = Settings();
  // Names are kept whole whatever their length; cutting one would point the log at another file.
  s.fileName = fileName != nullptr && fileName[0] != '\0' ? fileName : "msg.dat";
  s.oldFileName = Msg_OldFileName(s.fileName);
  s.mask = mask;
  s.limit = kEntryLimit;
}

namespace {

// Appends one entry to the message file, rotating it first when it is full. Returns false when
// the entry did not reach the file.
bool WriteEntry(LogSettings& s, const std::string& entry) {
  if (s.count > s.limit) {
    // The count stays, so the next entry tries again.
    if (const int err = Rotate(s); err != 0) {
      s.refused = IsSharingConflict(err);
      return false;
    }
    s.count = 0;
  }

  std::unique_ptr<WritableFile> file;
  if (const int err = OpenShared(s.fileName, &file); err != 0) {
    s.refused = IsSharingConflict(err);
    return false;
  }
  uint64_t end = 0;
  if (file->SeekToEnd(&end) != 0) {
    file->Close();
    return false;
  }
  std::size_t written = 0;
  if (file->Write(entry, &written) != 0) {
    // Cut a partial entry off again so that the next entry starts on a clean boundary.
    if (written > 0) file->Truncate(end);
    file->Close();
    return false;
  }
  if (file->Close() != 0) {
    file->Close();
    return true;  // the entry is in the file; it is not counted
  }
  ++s.count;
  return true;
}

// Writes an entry to the file, or where the file does not take it to standard error: it still
// reaches whoever started the program (a scheduler shows a task's standard error), rather than
// being lost without a trace.
void Emit(LogSettings& s, const std::string& entry) {
  if (!s.refused && WriteEntry(s, entry)) return;
  HideProgressLine();
  WriteStdErr(entry);
}

}  // namespace

void Msg_Write(const MessageRecord* rec) {
  if (rec == nullptr) return;
  LogSettings& s = Settings();
  const int effectiveKind = rec->kind & s.mask;
  if (effectiveKind <= 0) return;

  std::string entry = FormatEntry(*rec, effectiveKind);
  if (s.holding) {
    s.held.push_back(std::move(entry));
    return;
  }
  Emit(s, entry);
}

void Msg_Hold(bool hold) {
  LogSettings& s = Settings();
  s.holding = hold;
  if (hold) return;
  std::vector<std::string> held;
  held.swap(s.held);
  for (const std::string& entry : held) Emit(s, entry);
}

std::size_t Msg_HeldCount() {
  return Settings().held.size();
}

void Msg_DropHeld(std::size_t n) {
  std::vector<std::string>& held = Settings().held;
  if (n < held.size()) held.resize(n);
}

void Msg_Log(int32_t errorCode, const char* functionName, const char* messageText, int kind) {
  MessageRecord rec;
  rec.functionName = functionName;
  rec.messageText = messageText;
  rec.kind = kind;
  rec.errorCode = errorCode;
  Msg_Write(&rec);
}

void Msg_LogDetail(int32_t errorCode, const char* functionName, std::string_view detail) {
  MessageRecord rec;
  rec.functionName = functionName;
  rec.messageText = "Detail";
  rec.kind = kMsgData;
  rec.errorCode = errorCode;
  rec.data = detail.data();
  rec.dataLength = static_cast<int>(detail.size());
  Msg_Write(&rec);
}

int Msg_AppendLine(const char* fileName, const void* bytes, int length) {
  if (fileName == nullptr || fileName[0] == '\0') return kErrPathNotFound;
  std::unique_ptr<WritableFile> file;
  if (int err = OpenShared(fileName, &file)) return err;

  std::string line;
  if (bytes != nullptr && length > 0) {
    line.assign(static_cast<const char*>(bytes), static_cast<std::size_t>(length));
  }
  line += "\r\n";

  int err = file->SeekToEnd(nullptr);
  if (err == 0) err = file->Write(line, nullptr);
  int closeErr = file->Close();
  return err != 0 ? err : closeErr;
}

void Msg_ResetForTest() {
  Settings() = LogSettings{};
}

int Msg_EntryCount() {
  return Settings().count;
}

}  // namespace jf
