// A site full of rows due for one requester, and the checks of what the program promises its
// operators about them, for the crash, fault and concurrency tests:
//   - a row that is due is sent at least once;
//   - a row is unmarked or deleted only after its lines are in its terminal's send-buffer file
//     (for a person both, PNR and AWN), and deleted only when its kind asks for it;
//   - a send-buffer file holds only whole lines of 552 bytes, "$" ... "*\r\n";
//   - the order's position count ApkAfo moves by exactly the positions that went out as new
//     ("NEU", +1) or deleted ("LOE", -1);
//   - rows marked for another requester are left exactly as they are, and none of their lines
//     goes out;
//   - every cost centre goes out to the terminal of every production area of type 1.
#pragma once

#include <sys/types.h>

#include <cstdlib>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "support/OrderSite.h"

namespace jf::test {

// The groups a harness runs the programs with: the defaults, or one row a group (every row
// committed on its own). Set in the environment, so runs started and runs in the test's own
// process take it alike.
struct Grouping {
  const char* name;
  int rows;  // 0: the defaults
  // Rows a group holds at most: how many rows one crash or fault can leave to be sent again.
  int Limit() const;
  void Use() const;  // sets JOBFEED_GROUP_ROWS, or removes it for the defaults
};
inline constexpr Grouping kGrouped{"Grouped", 0};
inline constexpr Grouping kSingle{"G1", 1};
inline void PrintTo(const Grouping& g, std::ostream* os) {
  *os << g.name;
}

// A harness's size from the environment (longer forms run with larger values), else fallback.
inline int EnvInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0' ? std::atoi(v) : fallback;
}

// The key of a send-buffer line's row, from where its record type keeps it: "APK|order",
// "APP|order|position", "MAG|group", "PNR|person", "AWN|person" ...
std::string LineKey(const std::string& line);

// Starts a program in the working directory with its output thrown away.
pid_t StartProgram(const char* program, const std::vector<std::string>& args);
// Waits up to ms for the child; true when it ended by itself.
bool WaitFor(pid_t pid, int ms, int* status);

class DueSiteTest : public OrderSiteTest {
 protected:
  void TearDown() override;  // the programs run with the default groups again

  // Terminals 3, 5 and 12 serve the areas 100..199, 200..299 and 300..399.
  void AddTerminals();

  // Marks `positions` order positions for requester, five to an order (orders "<prefix>00000",
  // "<prefix>00001", ...), each order header marked as well. Orders go round the three
  // terminals; the kinds of the positions go round NEU, AEN, STA, LOE, those of the headers
  // round AEN, NEU, STA. Every header starts with ApkAfo 5. Remembers what it marked.
  void MarkRows(int positions, const std::string& requester, const std::string& prefix = "A");
  // Marks `each` workplace groups (each with a cost centre valid today), workplaces, interruption
  // reasons and persons for requester, keys led by prefix (a single letter), and one row of each
  // for another requester. Kinds go round AEN, LOE, NEU; those of the persons round AEN, LOE
  // with PrvAwa 3 (deleted), LOE with PrvAwa 1 (assignment cleared), NEU. Adds the cost centres
  // K1 and K2 and the production areas of type 1 "110" (terminal 3) and "250" (terminal 5),
  // and one of type 2 (terminal 12), which gets no cost centre.
  void MarkMasterRows(int each, const std::string& requester, const std::string& prefix = "M");
  // Puts every row MarkRows and MarkMasterRows made back as they made it (rows of other
  // prefixes stay).
  void ResetRows();
  // A row the run's own arguments mark again on every run: its repeated lines are not resends.
  void Remarked(const std::string& key) { remarked_.insert(key); }
  // Lines of a row that is none of the site's (a test's filler): not counted as stray lines.
  void Foreign(const std::string& key) { foreign_.insert(key); }

  struct Due {
    std::string key;  // "APK|order", "APP|order|position", "MAG|group", "PRV|person" ...
    std::string order, position, kind, requester;
    int terminal = 0;
    std::vector<std::string> lines;  // keys of its lines ("PNR|person", "AWN|person"); none: key
    bool deletable = false;          // its kind asks for it to be deleted after sending
    bool everyRun = false;           // not marked: sent by every run (cost centres)
  };
  const std::vector<Due>& due() const { return due_; }

  // Lines in the send-buffer files by "terminal|key". Every line that is not whole, or any bytes
  // that are not whole lines, count in *bad with a description in *why. torn_tail: a file may end
  // in the start of a line (a killed write stops at a page boundary; the row is still due and the
  // writer that sends it again cuts the tail back first).
  std::map<std::string, int> Lines(int* bad, std::string* why, bool torn_tail = false);

  struct Report {
    int violations = 0;   // broken promises (each also reported as a test failure)
    int still_due = 0;    // rows still marked
    int sent = 0;         // due rows with at least one line
    int extra_lines = 0;  // times a row's lines went out again (at-least-once resends)
  };
  // Checks the promises against the files and the database now. With finished, every due row
  // must also have gone out and none may be marked any more. torn_tail: after a run killed with
  // SIGKILL, a file may end in a torn line (see Lines).
  Report CheckPromises(const std::string& when, bool finished, bool torn_tail = false);

 private:
  struct Marking {
    int positions;
    std::string requester, prefix;
    bool master = false;
  };
  void InsertRows(const Marking& m, bool remember);
  void InsertMasterRows(const Marking& m, bool remember);
  // Rows of another requester as they were inserted, by the query that reads them back.
  std::map<std::string, std::vector<std::string>> untouched_;
  std::vector<Marking> markings_;
  std::set<std::string> remarked_;
  std::set<std::string> foreign_;
  std::vector<Due> due_;
  std::map<std::string, int> afo_start_;  // ApkAfo of each order at the start
};

}  // namespace jf::test
