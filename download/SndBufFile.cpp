// The file side of the send-buffer writer: the line, the file name and the file-handle cache.
#include <cstdio>
#include <memory>
#include <string>

#include "download/SndBuf.h"
#include "msg/Msg.h"
#include "platform/Env.h"

namespace jf {

namespace {

constexpr uint64_t kLineBytes = 552;
// How long a send-buffer file held by another process is waited for: 6 x 333 ms, about 2 s.
constexpr int kOpenRetries = 6;
constexpr int kOpenRetryMillis = 333;

// The open send-buffer file of the current terminal. "Open" is kept apart from the terminal
// number so that terminal 0 is served like any other.
struct Cache {
  bool open = false;
  int32_t terminal = 0;
  std::unique_ptr<WritableFile> file;
  uint64_t end = 0;  // size of the file after the last complete line
  // The name of the last terminal's file: a run closes and opens it again for every row.
  bool named = false;
  int32_t namedTerminal = 0;
  std::string name;
};

Cache& TheCache() {
  static Cache c;
  return c;
}

void Drop(Cache& c) {
  if (c.file) c.file->Close();  // nothing to do about a failing close: the handle is gone
  c.file.reset();
  c.open = false;
  c.terminal = 0;
  c.end = 0;
}

// Opens the terminal's file exclusively and moves to its end. Returns 0 or -1 (logged).
int OpenFor(Cache& c, int32_t terminal) {
  Drop(c);
  if (!c.named || c.namedTerminal != terminal) {
    c.name = SndBuf_FileName(terminal);
    c.named = true;
    c.namedTerminal = terminal;
  }
  const std::string& name = c.name;
  std::unique_ptr<WritableFile> f;
  // The communication process, or another run, holds the file only while it takes lines out
  // or puts one in: a sharing error is waited out for a bounded time before the row fails.
  int err = 0;
  for (int waits = 0;; ++waits) {
    err = env()->OpenAppend(name, ShareMode::kExclusive, &f, nullptr);
    const bool sharing =
        err == kErrSharingViolation || err == kErrLockViolation || err == kErrSharingBufferExceeded;
    if (!sharing || waits == kOpenRetries) break;
    env()->SleepMillis(kOpenRetryMillis);
  }
  if (err != 0) {
    // The cache stays empty, so the next line for this terminal tries the open again.
    Msg_Log(err, "CreateFile", "Datei oeffnen", kMsgError);
    return -1;
  }
  uint64_t end = 0;
  err = f->SeekToEnd(&end);
  // Every line this writer appends is 552 bytes and ends in CR LF. A file of another size may
  // end in a line cut short mid-write by a crash or a power cut, whose row is still due and
  // goes again. If it does not end in a line feed, take the torn tail back to the last line end,
  // or the terminal would receive half a line in front of whole ones. Content that ends with
  // its line end is left as it is, whoever wrote it; so is a file that cannot be read here.
  // The file is read through the exclusive handle: no other opener gets in, on Windows not even
  // this process's own.
  if (err == 0 && end % kLineBytes != 0) {
    std::string bytes;
    if (f->ReadAll(&bytes) == 0 && bytes.size() == end && bytes.back() != '\n') {
      const std::size_t last = bytes.rfind('\n');
      end = last == std::string::npos ? 0 : last + 1;
      err = f->Truncate(end);
    }
  }
  if (err != 0) {
    f->Close();
    Msg_Log(err, "SetFilePointer", "Ende der Datei", kMsgError);
    return -1;
  }
  c.file = std::move(f);
  c.open = true;
  c.terminal = terminal;
  c.end = end;
  return 0;
}

}  // namespace

std::string SndBuf_FileName(int32_t terminal) {
  char number[16];
  std::snprintf(number, sizeof number, "%d", static_cast<int>(terminal));
  char name[64];
  std::snprintf(name, sizeof name, "..\\Comm\\Buff\\SndDnl%-1s.buf", number);
  return name;
}

void SndBuf_Timestamp(char* out) {
  LocalTime t;
  const bool ok = env()->Now(&t) && t.year >= 0 && t.year <= 9999 && t.month >= 1 &&
                  t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour >= 0 && t.hour <= 23 &&
                  t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 60;
  if (!ok) {
    std::snprintf(out, 15, "%s", "00000000000000");
    return;
  }
  std::snprintf(out, 15, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
}

namespace {

// One placeholder of the line format: %-Ns (left) or %Ns (right). A value longer than its
// width is written whole and widens the line, as the format does.
void AppendPadded(std::string* out, std::string_view v, std::size_t width, bool left) {
  const std::size_t pad = v.size() < width ? width - v.size() : 0;
  if (!left) out->append(pad, ' ');
  out->append(v);
  if (left) out->append(pad, ' ');
}

}  // namespace

void SndBuf_FormatLine(const DnlRecord& rec, const CfgRecord& cfg, const char* timestamp,
                       std::string* out) {
  // The line of kSndBufLineFormat, assembled field by field: it runs once per line sent, and
  // printf's parsing of the format over a 438-wide field was a tenth of a row's work.
  const std::string_view date = rec.date.view();
  const std::string_view yymmdd = date.size() >= 2 ? date.substr(2) : std::string_view();
  const std::string_view ts = timestamp != nullptr ? std::string_view(timestamp) : "";
  out->clear();
  out->push_back('$');
  AppendPadded(out, cfg.CfgIP.view(), 15, true);
  AppendPadded(out, cfg.CfgPrt.view(), 5, true);
  AppendPadded(out, ts, 14, false);
  AppendPadded(out, "999", 3, false);
  AppendPadded(out, cfg.CfgIP.view(), 15, false);
  AppendPadded(out, cfg.CfgPrt.view(), 5, false);
  AppendPadded(out, "", 28, false);
  AppendPadded(out, "0460", 4, false);
  AppendPadded(out, rec.DnlSkz.view(), 3, false);
  AppendPadded(out, yymmdd, 6, false);
  AppendPadded(out, rec.time.view(), 6, false);
  out->append("BDE");
  AppendPadded(out, rec.DnlFun.view(), 3, false);
  AppendPadded(out, rec.DnlDnl.view(), 438, true);
  out->append("*\r\n");
}

std::string SndBuf_Line(const DnlRecord& rec, const CfgRecord& cfg, const char* timestamp) {
  std::string line;
  SndBuf_FormatLine(rec, cfg, timestamp, &line);
  return line;
}

int SndBuf_Append(const DnlRecord& rec, const CfgRecord& cfg) {
  char timestamp[15];
  SndBuf_Timestamp(timestamp);
  static std::string line;  // reused: no allocation per line
  SndBuf_FormatLine(rec, cfg, timestamp, &line);

  Cache& c = TheCache();
  if (!c.open || c.terminal != cfg.CfgDta) {
    if (OpenFor(c, cfg.CfgDta) != 0) return -1;
  }
  std::size_t written = 0;
  if (int err = c.file->Write(line, &written); err != 0) {
    Msg_Log(err, "WrittenFile", "", kMsgError);
    // A line cut short would corrupt the file for the communication process: cut the file
    // back to its last complete line. If even that fails, give the file up so the next line
    // opens it afresh.
    if (c.file->Truncate(c.end) != 0) Drop(c);
    return -1;
  }
  c.end += written;
  return 0;
}

void SndBuf_CloseCache() {
  Drop(TheCache());
}

}  // namespace jf
