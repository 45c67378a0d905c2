// A complete site in a temporary folder, as the program finds it at a customer: the working
// directory with its Msg folder, ..\Comm\Buff for the send-buffer files, the login file four
// levels up and a database with the tables (an SQLite file, or on PostgreSQL a database of the
// test server). Tests arrange and inspect rows with plain SQL, independently of the code under
// test; the SQLite functions the tests use there (julianday, datetime, ifnull, pragma_table_info)
// exist on the PostgreSQL test server too.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/TestSite.h"

namespace jf::test {

class OrderSiteTest : public SiteTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Top of the site: the login file lives in top()/files, the database is top()/jobfeed.db.
  std::filesystem::path top() const { return root() / ".." / ".." / ".." / ".."; }
  std::filesystem::path db_path() const { return top() / "jobfeed.db"; }
  std::filesystem::path buffer_dir() const { return root() / ".." / "Comm" / "Buff"; }
  std::filesystem::path buffer_file(int terminal) const;
  std::filesystem::path msg_file() const { return root() / "Msg" / "Jobfeed.txt"; }
  // The net service name of the site's database, as its login file holds it.
  std::string net_service() const { return NetService("../../../../jobfeed.db"); }
  // Writes the site's login file with these values (the net service name of the site's
  // backend unless given).
  void WriteLogin(const std::string& user, const std::string& password,
                  const std::string& net = "");

  // Runs SQL on the site's database through a connection of the test's own; fails the test on
  // error.
  void Sql(const std::string& sql);
  // Rows of a query, each row its columns as text ("" for NULL) joined by "|".
  std::vector<std::string> Query(const std::string& sql);
  // The first column of the first row, "" when there is none.
  std::string Scalar(const std::string& sql);

  // Closes the test's own connection and deletes the database (Windows deletes no file that is
  // open). Sql() and Query() cannot be used afterwards.
  void RemoveDatabase();

  // The site database's clock (sysdate) reads clock's time from now on (SiteTest).
  void PinServerClock(FixedClockEnv& clock) { SiteTest::PinServerClock(clock, db_path().string()); }

  // Adds a terminal serving the areas from..to (first range).
  void AddTerminal(int dta, const std::string& ip, const std::string& port, const std::string& from,
                   const std::string& to);

  // Connects the in-process session to the site's database through the login file, as a run
  // does (bdConnect).
  void ConnectInProcess();

  // Runs the real jobfeed binary in the working directory; returns its exit code.
  int RunJobfeedBinary(const std::vector<std::string>& args);

  // The message file's entries, as (function, message, code) triples in order.
  struct Entry {
    std::string function;
    std::string message;
    std::string code;
  };
  // The failure entries of the message file; the detail entries that follow some are left out
  // unless asked for.
  std::vector<Entry> Messages(bool with_details = false);

 private:
  std::unique_ptr<TestDb> db_;
};

// Runs a program with arguments in the current directory; returns its exit code (or -1) and
// its standard output followed by its standard error.
int RunCommand(const std::string& program, const std::vector<std::string>& args,
               std::string* output = nullptr);

// Text with the clock's digits blanked: the timestamps of send-buffer lines and the date and
// time lines of message entries, so that runs at different moments compare byte for byte.
std::string WithoutClock(std::string text);

}  // namespace jf::test
