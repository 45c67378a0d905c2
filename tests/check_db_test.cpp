// jobfeed-admin check-db on every backend: a site's database with every table and column, and
// one with a table missing, a column missing and a column of the wrong type.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "db/OpenBackend.h"
#include "support/OrderSite.h"

namespace jf {
namespace {

using CheckDb = test::OnEveryBackend<test::OrderSiteTest>;
using CheckDbSite = test::OrderSiteTest;

TEST_P(CheckDb, CompleteDatabasePasses) {
  std::string out;
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 0) << out;
  EXPECT_NE(out.find("Kvl501Apk: ok\nKvl504App: ok\nKvl557Cfg: ok\n"), std::string::npos) << out;
  EXPECT_NE(out.find("KvlSystem.Kvl133Bak: ok\n"), std::string::npos) << out;
  EXPECT_NE(out.find(backend() == test::BackendKind::kOracle     ? "(Oracle)"
                     : backend() == test::BackendKind::kPostgres ? "(PostgreSQL)"
                                                                 : "(SQLite)"),
            std::string::npos);
#ifndef _WIN32
  // The login file is the runs' account's alone.
  std::filesystem::permissions(top() / "files" / "quantelor.ini",
                               std::filesystem::perms::group_read,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 1) << out;
  EXPECT_NE(out.find("others can read or write it (mode 0640)"), std::string::npos) << out;
#endif
}

// What check-db shows of a net service name, and of the reason a connect failed, carries no
// password.
TEST_F(CheckDbSite, NetServiceNameIsShownWithoutItsPasswords) {
  WriteLogin("jobfeed", "secret", "postgresql://u:s3cret@h/d?password=pw2");
  std::string out;
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 1) << out;
  EXPECT_NE(out.find("database: postgresql://u:***@h/d?password=*** (PostgreSQL)"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("s3cret"), std::string::npos) << out;
  EXPECT_EQ(out.find("pw2"), std::string::npos) << out;
  EXPECT_EQ(MaskCredentials("scott/tiger@orcl", "scott/tiger@orcl"), "scott/***@orcl");
  EXPECT_EQ(MaskCredentials("host:1521/svc", "host:1521/svc"), "host:1521/svc");
  EXPECT_EQ(MaskCredentials("sqlite:a/b@c.db", "sqlite:a/b@c.db"), "sqlite:a/b@c.db");
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
  // init-db in the site makes what is missing, with the rows kept; a column of the wrong type
  // stays. An Oracle schema is its DBA's to make.
  Sql("insert into Kvl504App (AppApk,AppApp) values ('4711','10')");
  const bool oracle = backend() == test::BackendKind::kOracle;
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"init-db"}, &out), oracle ? 1 : 0) << out;
  if (oracle) {
    EXPECT_NE(out.find("db/schema/oracle.sql"), std::string::npos) << out;
    return;
  }
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 1) << out;
  EXPECT_NE(out.find("Kvl504App.AppBdi: " + text_type + ", but the program keeps an instant in " +
                     "it\nKvl557Cfg: ok\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\n1 problem\n"), std::string::npos) << out;
  EXPECT_EQ(Scalar("select AppApk from Kvl504App"), "4711");
}

JF_ON_EVERY_BACKEND(CheckDb);

// On Oracle a text's width must count characters where a character may take several bytes, and
// a column the program carries in 16 bits must not hold more.
class CheckDbOracle : public test::OrderSiteTest {
 protected:
  test::BackendKind backend() const override { return test::BackendKind::kOracle; }
};

TEST_F(CheckDbOracle, ListsWidthsInBytesNarrowTextsAndWide16BitColumns) {
  std::string ddl = test::ReadBytes(std::string(JOBFEED_SOURCE_DIR) + "/db/schema/oracle.sql");
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"ApkBz1 VARCHAR2(30 CHAR)", "ApkBz1 VARCHAR2(30)"},
        {"ApkKun VARCHAR2(7 CHAR)", "ApkKun VARCHAR2(5 CHAR)"},
        {"ApkSts NUMBER(5)", "ApkSts NUMBER(10)"},
        {"AppDwn VARCHAR2(8 CHAR)", "AppDwn CHAR(8 CHAR)"}}) {
    ddl.replace(ddl.find(from), from.size(), to);
  }
  test::WriteBytes(root() / "bytes.sql", ddl);
  ::setenv("FAKEOCI_DDL", (root() / "bytes.sql").string().c_str(), 1);
  // A single-byte character set holds as many characters as bytes.
  for (const std::string charset : {"AL32UTF8", "WE8MSWIN1252"}) {
    ::setenv("FAKEOCI_CHARSET", charset.c_str(), 1);
    std::string out;
    EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 1) << out;
    const std::string bytes =
        "Kvl501Apk.ApkBz1: VARCHAR2(30 BYTE) counts bytes, and in this character set a character "
        "may take more than one: it may not hold the program's 30 characters; ALTER TABLE "
        "Kvl501Apk MODIFY (ApkBz1 VARCHAR2(30 CHAR))\n";
    EXPECT_NE(out.find("character set " + charset + "\n" + (charset == "AL32UTF8" ? bytes : "") +
                       "Kvl501Apk.ApkSts: NUMBER(10), but the program carries it in 16 bits: a "
                       "value beyond -32768..32767 fails its read (-1455)\nKvl501Apk.ApkKun: "
                       "VARCHAR2(5 CHAR) is narrower than the program's 7 characters; ALTER TABLE "
                       "Kvl501Apk MODIFY (ApkKun VARCHAR2(7 CHAR))\nKvl504App.AppDwn: CHAR(8 "
                       "CHAR) pads its values with blanks, which the program's texts never match; "
                       "ALTER TABLE Kvl504App MODIFY (AppDwn VARCHAR2(8 CHAR)); UPDATE Kvl504App "
                       "SET AppDwn=RTRIM(AppDwn)\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("warning"), std::string::npos) << out;
  }
  // A character set without every Windows-1252 character is worth a warning, not a failure.
  // So is a logon that works with a warning.
  ::setenv("FAKEOCI_CHARSET", "WE8ISO8859P1", 1);
  ::setenv("FAKEOCI_FAIL", "OCILogon2||1|28002|after", 1);
  std::string out;
  test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out);
  ::unsetenv("FAKEOCI_FAIL");
  EXPECT_NE(out.find("warning: the logon gave a warning: ORA-28002"), std::string::npos) << out;
  EXPECT_NE(out.find("character set WE8ISO8859P1\nwarning: the character set WE8ISO8859P1 lacks "
                     "characters of Windows-1252"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\n3 problems\n"), std::string::npos) << out;
  ::unsetenv("FAKEOCI_CHARSET");
  ::unsetenv("FAKEOCI_DDL");
}

#ifndef _WIN32
// On PostgreSQL a text must compare by its bytes, as on Oracle, and the statement that widens
// one keeps that; check-db also says how the connection reaches the server.
class CheckDbPostgres : public test::OrderSiteTest {
 protected:
  test::BackendKind backend() const override { return test::BackendKind::kPostgres; }
};

TEST_F(CheckDbPostgres, ListsCollationsThatAreNotBytewiseAndKeepsCInTheAlter) {
  Sql("create collation jf_words (provider = libc, locale = 'C.UTF-8')");
  Sql("alter table Kvl501Apk alter column ApkBz1 type varchar(30) collate jf_words");
  Sql("alter table Kvl501Apk alter column ApkKun type varchar(5) collate \"C\"");
  Sql("alter table Kvl504App alter column AppBz1 type varchar(20) collate jf_words");
  std::string out;
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 1) << out;
  const std::string collates =
      " compares by the collation \"jf_words\", not by its bytes: keys and ranges compare and "
      "sort otherwise than on Oracle; ALTER TABLE ";
  for (const std::string& line :
       {std::string("connection: a local socket, not encrypted\n"),
        "\nKvl501Apk.ApkBz1: varchar(30)" + collates +
            "Kvl501Apk ALTER COLUMN ApkBz1 TYPE varchar(30) COLLATE \"C\"\n",
        std::string("\nKvl501Apk.ApkKun: varchar(5) is narrower than the program's 7 characters; "
                    "ALTER TABLE "
                    "Kvl501Apk ALTER COLUMN ApkKun TYPE varchar(7) COLLATE \"C\"\n"),
        "\nKvl504App.AppBz1: varchar(20) is narrower than the program's 30 characters, and it" +
            collates + "Kvl504App ALTER COLUMN AppBz1 TYPE varchar(30) COLLATE \"C\"\n",
        std::string("\n3 problems\n")}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
  // The statements it suggests mend what it found.
  Sql("ALTER TABLE Kvl501Apk ALTER COLUMN ApkBz1 TYPE varchar(30) COLLATE \"C\"");
  Sql("ALTER TABLE Kvl501Apk ALTER COLUMN ApkKun TYPE varchar(7) COLLATE \"C\"");
  Sql("ALTER TABLE Kvl504App ALTER COLUMN AppBz1 TYPE varchar(30) COLLATE \"C\"");
  EXPECT_EQ(test::RunCommand(JOBFEED_ADMIN_BIN, {"check-db"}, &out), 0) << out;
}
#endif

}  // namespace
}  // namespace jf
