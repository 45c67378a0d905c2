// jobfeed-admin check-db on every backend: a site's database with every table and column, and
// one with a table missing, a column missing and a column of the wrong type.
#include <gtest/gtest.h>

#include <string>

#include "support/OrderSite.h"

namespace jf {
namespace {

using CheckDb = test::OnEveryBackend<test::OrderSiteTest>;

TEST_P(CheckDb, CompleteDatabasePasses) {
  std::string out;
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 0) << out;
  EXPECT_NE(out.find("Kvl501Apk: ok\nKvl504App: ok\nKvl557Cfg: ok\n"), std::string::npos) << out;
  EXPECT_NE(out.find("KvlSystem.Kvl133Bak: ok\n"), std::string::npos) << out;
  EXPECT_NE(out.find(backend() == test::BackendKind::kOracle     ? "(Oracle)"
                     : backend() == test::BackendKind::kPostgres ? "(PostgreSQL)"
                                                                 : "(SQLite)"),
            std::string::npos);
}

TEST_P(CheckDb, ListsWhatIsMissingOrUnusable) {
  Sql("drop table Kvl557Cfg");
  Sql("alter table Kvl504App drop column AppKz4");
  Sql("alter table Kvl504App drop column AppBdi");
  Sql("alter table Kvl504App add column AppBdi TEXT");
  std::string out;
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 1) << out;
  const std::string text_type = backend() == test::BackendKind::kOracle     ? "VARCHAR2"
                                : backend() == test::BackendKind::kPostgres ? "text"
                                                                            : "TEXT";
  for (const std::string& line :
       {"Kvl501Apk: ok\nKvl504App.AppBdi: " + text_type +
            ", but the program keeps an instant in it\nKvl504App.AppKz4: column missing\n"
            "Kvl557Cfg: table missing\n",
        std::string("\n3 problems\n")}) {
    EXPECT_NE(out.find(line), std::string::npos) << out;
  }
}

JF_ON_EVERY_BACKEND(CheckDb);

}  // namespace
}  // namespace jf
