// jobfeed-admin due, terminals, terminal and messages, run as an operator runs them: the real
// binary in the working directory of a site, over rows the test puts there.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/OrderRows.h"

namespace jf {
namespace {

using V = std::vector<std::string>;

class AdminOperatorSite : public test::OrderRowsTest {
 protected:
  int Admin(const V& args, std::string* out) {
    out->clear();
    return test::RunCommand(JOBFEED_ADMIN_BIN, args, out);
  }
  // The output's lines, each with its tabs shown as " | ".
  static V Lines(const std::string& out) {
    V lines;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);) {
      for (std::size_t p; (p = l.find('\t')) != std::string::npos;) l.replace(p, 1, " | ");
      lines.push_back(l);
    }
    return lines;
  }
  void Position(const std::string& order, const std::string& pos, const std::string& area,
                const std::string& requester, const std::string& since, const Row& more = {}) {
    Row r = {{"AppApk", "'" + order + "'"}, {"AppApp", "'" + pos + "'"},
             {"AppFbe", "'" + area + "'"},  {"AppDwn", "'" + requester + "'"},
             {"AppDna", "'AEN'"},           {"AppDat", "julianday('" + since + "')"}};
    r.insert(more.begin(), more.end());
    InsertFull("Kvl504App", r);
  }
};

using AdminOperator = test::OnEveryBackend<AdminOperatorSite>;

TEST_P(AdminOperator, TerminalsChecksTheRangesAndTerminalAnswersAsTheWriterLooksUp) {
  AddTerminal(5, "10.0.0.5", "4002", "150", "250");
  AddTerminal(3, "10.0.0.3", "4001", "100", "199");
  Sql("insert into Kvl557Cfg (CfgDta,CfgIP,CfgPrt,CfgVn1,CfgBi1,CfgVn3,CfgBi3) values "
      "(7,'10.0.0.7','4003','300','200','400','499')");
  std::string out;
  EXPECT_EQ(Admin({"terminals"}, &out), 1) << out;
  const V lines = Lines(out);
  const V expected = {
      "terminal | 3 | 10.0.0.3 | 4001 | 100..199 | - | - | - | -",
      "terminal | 5 | 10.0.0.5 | 4002 | 150..250 | - | - | - | -",
      "terminal | 7 | 10.0.0.7 | 4003 | 300..200 | - | 400..499 | - | -",
      "note | length | terminal 3 range 1 (100..199) also holds 11 and 1000: areas are compared "
      "as text",
      "note | length | terminal 5 range 1 (150..250) also holds 2 and 1500: areas are compared as "
      "text",
      "check | start-after-end | terminal 7 range 1 (300..200): its start is after its end, so "
      "it holds no area",
      "check | not-looked-up | terminal 7 range 3 (400..499): the writer looks areas up in "
      "ranges 1 and 2 only; an area only this range holds gets no terminal",
      "check | overlap | areas 150..199 lie in terminal 3 range 1 (100..199) and terminal 5 "
      "range 1 (150..250); the writer sends them to terminal 3"};
  EXPECT_EQ(lines, expected);

  EXPECT_EQ(Admin({"terminal", "15"}, &out), 0);  // by text, 15 lies between 100 and 199
  EXPECT_EQ(Lines(out), (V{"15 | 3 | 10.0.0.3 | 4001 | 1 100..199"}));
  EXPECT_EQ(Admin({"terminal", "160"}, &out), 0);
  EXPECT_EQ(Lines(out), (V{"160 | 3 | 10.0.0.3 | 4001 | 1 100..199",
                           "also | 5 | 10.0.0.5 | 4002 | 1 150..250"}));
  EXPECT_EQ(Admin({"terminal", "450"}, &out), 1);
  EXPECT_EQ(Lines(out), (V{"450 | - | - | - | no terminal serves area 450",
                           "unused | 7 | 10.0.0.7 | 4003 | 3 400..499"}));
  EXPECT_EQ(Admin({"terminal", "12345678901"}, &out), 2);
  EXPECT_NE(out.find("AREA has at most 10 characters"), std::string::npos) << out;
}

JF_ON_EVERY_BACKEND(AdminOperator);

}  // namespace
}  // namespace jf
