// The file side of the send-buffer writer: the line, the file name and the file-handle cache.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "download/Field.h"
#include "download/SndBuf.h"
#include "msg/Msg.h"
#include "platform/Env.h"

namespace jf {

namespace {

constexpr uint64_t kLineBytes = 552;
// How long a send-buffer file held by another process is waited for: 6 x 333 ms, about 2 s.
constexpr int kOpenRetries = 6;
constexpr int kOpenRetryMillis = 333;

// A send-buffer file the writer holds open.
struct Held {
  int32_t terminal = 0;
  std::unique_ptr<WritableFile> file;
  uint64_t end = 0;  // size of the file after the last complete line
  // Created by this writer and its folder entry not yet flushed: a file whose lines are made
  // durable but whose name is not may be gone, lines and all, after a power cut.
  bool new_entry = false;
};

// The files of the terminals written to since the cache was last emptied: the lines of a group
// of rows go to them without reaching the disk one by one, and SndBuf_Flush makes them durable
// together. A run serves a handful of terminals, so a short list searched from the last one used
// is all it takes.
struct Cache {
  std::vector<Held> files;
  std::size_t last = 0;  // index of the file written to last
  bool wait = true;      // a file another process holds is waited for (SndBuf_Wait)
  // Terminals whose file stayed held through a whole wait: their later rows of the process try
  // the file once without waiting, so a held file costs a run one wait, not one per row.
  std::vector<int32_t> heldThroughWait;
  // The name of the last file opened: a run opens a terminal's file again for every group.
  bool named = false;
  int32_t namedTerminal = 0;
  std::string name;
  // Terminals whose file this writer created and let go of before a flush reached its folder
  // entry (a group that failed): the next flush of the file flushes the folder too.
  std::vector<int32_t> new_entries;
};

Cache& TheCache() {
  static Cache c;
  return c;
}

void Drop(Cache& c, std::size_t i) {
  if (c.files[i].new_entry) c.new_entries.push_back(c.files[i].terminal);
  c.files[i].file->Close();  // nothing to do about a failing close: the handle is gone
  c.files.erase(c.files.begin() + static_cast<std::ptrdiff_t>(i));
  c.last = 0;
}

// Cuts a file of *end bytes back to just after its last line feed, when it does not end in one,
// and stores the new size in *end. Only the tail is read, from the end backwards: a file the
// communication process has not emptied for a long time may be hundreds of megabytes. Returns
// 0 or the error of the cut; a file that cannot be read is left as it is.
int CutTornTail(WritableFile* f, uint64_t* end) {
  constexpr std::size_t kChunk = 4 * kLineBytes;
  std::string bytes;
  uint64_t to = *end;
  bool last_byte = true;
  while (to > 0) {
    const uint64_t from = to > kChunk ? to - kChunk : 0;
    const std::size_t n = static_cast<std::size_t>(to - from);
    if (f->ReadAt(from, n, &bytes) != 0 || bytes.size() != n) return 0;
    if (last_byte && bytes.back() == '\n') return 0;
    last_byte = false;
    const std::size_t lf = bytes.rfind('\n');
    if (lf != std::string::npos) {
      *end = from + lf + 1;
      return f->Truncate(*end);
    }
    to = from;
  }
  *end = 0;
  return f->Truncate(0);
}

// Opens the terminal's file exclusively, moves to its end and adds it to the cache as the last
// one used. Returns 0, -1 (logged), or kSndBufHeld (not logged) when another process holds the
// file and the writer may not wait for it.
int OpenFor(Cache& c, int32_t terminal) {
  if (!c.named || c.namedTerminal != terminal) {
    c.name = SndBuf_FileName(terminal);
    c.named = true;
    c.namedTerminal = terminal;
  }
  const std::string& name = c.name;
  std::unique_ptr<WritableFile> f;
  bool existed = true;
  // The communication process, or another run, holds the file only while it takes lines out
  // or puts a group's lines in: a sharing error is waited out for a bounded time before the row
  // fails, unless the caller holds what others may be waiting for.
  int err = 0;
  const bool waitedOutBefore = std::find(c.heldThroughWait.begin(), c.heldThroughWait.end(),
                                         terminal) != c.heldThroughWait.end();
  for (int waits = 0;; ++waits) {
    err = env()->OpenAppend(name, ShareMode::kExclusive, Durability::kOnSync, &f, &existed);
    const bool sharing =
        err == kErrSharingViolation || err == kErrLockViolation || err == kErrSharingBufferExceeded;
    if (!sharing || waitedOutBefore) break;
    if (!c.wait) return kSndBufHeld;
    if (waits == kOpenRetries) {
      c.heldThroughWait.push_back(terminal);
      break;
    }
    env()->SleepMillis(kOpenRetryMillis);
  }
  if (err != 0) {
    // The cache stays without it, so the next line for this terminal tries the open again.
    Msg_Log(err, "CreateFile", "Datei oeffnen", kMsgError);
    // The status alone says that a folder is missing, not which: name the file the site must
    // provide the folder of.
    if (err == kErrPathNotFound || err == kErrFileNotFound) {
      Msg_LogDetail(err, "CreateFile", "Ordner fehlt: " + name);
    }
    return -1;
  }
  uint64_t end = 0;
  err = f->SeekToEnd(&end);
  // Every line this writer appends is 552 bytes and ends in CR LF. A file of another size may
  // end in a line cut short by a crash or a power cut before its group was flushed, whose row
  // is still due and goes again. If it does not end in a line feed, take the torn tail back to
  // the last line end, or the terminal would receive half a line in front of whole ones. Content
  // that ends with its line end is left as it is, whoever wrote it; so is a file that cannot be
  // read here. The file is read through the exclusive handle: no other opener gets in, on
  // Windows not even this process's own.
  if (err == 0 && end % kLineBytes != 0) err = CutTornTail(f.get(), &end);
  if (err != 0) {
    f->Close();
    Msg_Log(err, "SetFilePointer", "Ende der Datei", kMsgError);
    return -1;
  }
  const auto pending = std::find(c.new_entries.begin(), c.new_entries.end(), terminal);
  const bool new_entry = !existed || pending != c.new_entries.end();
  if (pending != c.new_entries.end()) c.new_entries.erase(pending);
  c.files.push_back(Held{terminal, std::move(f), end, new_entry});
  c.last = c.files.size() - 1;
  return 0;
}

// The cached file of the terminal, opened if need be. Returns 0 or OpenFor's status.
int FileFor(Cache& c, int32_t terminal) {
  if (c.last < c.files.size() && c.files[c.last].terminal == terminal) return 0;
  for (std::size_t i = 0; i < c.files.size(); ++i) {
    if (c.files[i].terminal == terminal) {
      c.last = i;
      return 0;
    }
  }
  return OpenFor(c, terminal);
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
// Control bytes of a value go out as "?" (field::LineChar).
void AppendPadded(std::string* out, std::string_view v, std::size_t width, bool left) {
  const std::size_t pad = v.size() < width ? width - v.size() : 0;
  if (!left) out->append(pad, ' ');
  for (char c : v) out->push_back(field::LineChar(c));
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

bool SndBuf_LineShaped(std::string_view line) {
  if (line.size() != kLineBytes || line.substr(kLineBytes - 2) != "\r\n") return false;
  for (char c : line.substr(0, kLineBytes - 2)) {
    if (field::LineChar(c) != c) return false;
  }
  return true;
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
  // What the communication process reads as one record must be one: a line of another length,
  // or one a reader would split, is not written, and its row stays due.
  if (!SndBuf_LineShaped(line)) {
    Msg_Log(-1, "WrittenFile", "Zeile fehlerhaft", kMsgError);
    Msg_LogDetail(-1, "WrittenFile",
                  "Terminal " + std::to_string(cfg.CfgDta) + " " + std::string(rec.DnlSkz.view()) +
                      " " + std::string(rec.DnlApk.view()) + " " + std::to_string(line.size()) +
                      " Bytes");
    return -1;
  }

  Cache& c = TheCache();
  if (int rc = FileFor(c, cfg.CfgDta); rc != 0) return rc;
  Held& h = c.files[c.last];
  std::size_t written = 0;
  if (int err = h.file->Write(line, &written); err != 0) {
    Msg_Log(err, "WrittenFile", "", kMsgError);
    // A line cut short would corrupt the file for the communication process: cut the file
    // back to its last complete line. If even that fails, give the file up so the next line
    // opens it afresh.
    if (h.file->Truncate(h.end) != 0) Drop(c, c.last);
    return -1;
  }
  h.end += written;
  return 0;
}

int SndBuf_Flush() {
  for (Held& h : TheCache().files) {
    // Written without write-through, a line is durable only once its file is flushed; a flush
    // that fails is a line that did not reach the disk, as a failed write-through write was.
    int err = h.file->Sync();
    if (err == 0 && h.new_entry) err = h.file->SyncFolder();
    if (err != 0) {
      Msg_Log(err, "WrittenFile", "", kMsgError);
      return -1;
    }
    h.new_entry = false;
  }
  return 0;
}

void SndBuf_Wait(bool wait) {
  TheCache().wait = wait;
}

void SndBuf_CloseCache() {
  Cache& c = TheCache();
  while (!c.files.empty()) Drop(c, c.files.size() - 1);
}

}  // namespace jf
