// The schema description and what comes of it: each database's DDL file is the generated one.
#include <gtest/gtest.h>

#include <string>

#include "db/schema/Ddl.h"
#include "support/OrderSite.h"

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

}  // namespace
}  // namespace jf
