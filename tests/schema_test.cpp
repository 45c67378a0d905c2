// The schema description and what comes of it: each database's DDL file is the generated one,
// and the check that holds the program's statements to the description finds what it is for.
#include <gtest/gtest.h>

#include <string>

#include "db/schema/Ddl.h"
#include "db/tables/Text.h"
#include "support/OrderSite.h"
#include "support/StatementCheck.h"

namespace jf {
namespace {

TEST(Schema, EachDatabasesDdlFileIsTheGeneratedOne) {
  for (const schema::Dialect& d : schema::Dialects()) {
    std::string out;
    EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"print-ddl", d.name}, &out), 0);
    EXPECT_EQ(out,
              test::ReadBytes(std::string(JOBFEED_SOURCE_DIR) + "/db/schema/" + d.name + ".sql"))
        << "after a change to the description: jobfeed-admin print-ddl " << d.name
        << " > db/schema/" << d.name << ".sql";
  }
}

TEST(Schema, StatementCheckFindsFieldsTheirColumnsDoNotHold) {
  const Text<40> wide("x");
  const sql::In write[] = {sql::In::Text(wide), sql::In::I32(1), sql::In::Text(wide)};
  EXPECT_EQ(test::CheckStatement("update KVL504App  set AppZf2=:b0,AppSts=:b1 where AppZf1=:b2",
                                 write, {}),
            "AppZf2 is a text of 30, bound from a text of 40; "
            "AppSts is a 16-bit integer, bound from a 32-bit integer");
  Text<5> date;
  int32_t number = 0;
  const sql::Out read[] = {sql::Out::Text(date), sql::Out::I16(&number), sql::Out::I32(&number)};
  EXPECT_EQ(test::CheckStatement(
                "select TO_CHAR(AppBdi,'yyyymmdd') ,AppAgs ,AppNix  from Kvl504App", {}, read),
            "AppBdi is an instant, selected into a text of 5 as 'yyyymmdd'; "
            "AppAgs is a 32-bit integer, selected into a 16-bit integer; "
            "AppNix is no column of the schema description");
  // An insert's values go to its columns by position, past values that bind nothing.
  const Text<3> kind("NEU");
  const sql::In insert[] = {sql::In::I32(1), sql::In::Text(kind), sql::In::Text(wide)};
  EXPECT_EQ(test::CheckStatement(
                "insert into Kvl540Dnl (DnlDta,DnlLfn,DnlVkz,DnlBer) values (sysdate,:b0,:b1,:b2)",
                insert, {}),
            "DnlBer is a text of 10, bound from a text of 40");
}

}  // namespace
}  // namespace jf
