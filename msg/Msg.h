// The message log: every failure of the program becomes one entry in a text file that
// operators read. It never fails its caller; an entry that cannot be written to the file is
// written to standard error instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace jf {

// Kind bits of a message; each bit has its tag in the entry ("DMSG ", "SMSG ", ...).
enum MsgKind : int {
  kMsgData = 1,      // "DMSG ": carries a data block
  kMsgSystem = 2,    // "SMSG ": followed by an empty line
  kMsgError = 4,     // "FMSG ": every message of this program
  kMsgWarning = 8,   // "WMSG "
  kMsgComment = 16,  // "CMSG "
};

struct MessageRecord {
  const char* functionName = nullptr;
  const char* messageText = nullptr;
  int kind = 0;
  int32_t errorCode = 0;
  const void* data = nullptr;  // written with kind 1
  int dataLength = 0;
  int reserved = 0;  // passed along with kind 2; not read
};

// Sets the kind mask and the file (nullptr: "msg.dat"); the old-file name is derived from it.
void Msg_Init(int mask, const char* fileName);
// Writes one entry if the record's kind passes the mask.
void Msg_Write(const MessageRecord* rec);
// Fills a record with these four values and writes it.
void Msg_Log(int32_t errorCode, const char* functionName, const char* messageText, int kind);
// Writes a detail entry (kind 1, "DMSG ") after an entry whose prescribed text cannot say
// enough: the same function and code, the text "Detail" and `detail` as its data block (the
// row's key, its production area, a file's path, the server's own reason ...).
void Msg_LogDetail(int32_t errorCode, const char* functionName, std::string_view detail);
// While held, entries are formatted at once (with the time they were logged) but kept in memory;
// releasing writes them in order. A download holds its entries while its units hold row locks
// (on the embedded database the write lock), so that waiting for a busy message file never
// keeps other processes from the database.
void Msg_Hold(bool hold);
// While held: how many entries are held, and forgetting those held after the first n (a
// download whose rows are worked again drops what their first try logged).
std::size_t Msg_HeldCount();
void Msg_DropHeld(std::size_t n);
// Appends the bytes and CR LF to the named file. Returns 0 or the system error code.
int Msg_AppendLine(const char* fileName, const void* bytes, int length);

// Forgets the settings and the entry count, as at process start. Tests only.
void Msg_ResetForTest();
// Entries written by this process since its start or the last rotation.
int Msg_EntryCount();

}  // namespace jf
