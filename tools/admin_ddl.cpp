// jobfeed-admin print-ddl: prints the DDL of the program's tables for one database, generated
// from the schema description.
#include <cstdio>
#include <string>

#include "db/schema/Ddl.h"
#include "tools/admin_commands.h"

namespace jf::admin {

namespace {

std::string DialectNames() {
  std::string names;
  for (const schema::Dialect& d : schema::Dialects()) {
    names += (names.empty() ? "" : "|") + std::string(d.name);
  }
  return names;
}

}  // namespace

int CmdPrintDdl(int argc, char** argv) {
  const std::string usage = "usage: jobfeed-admin print-ddl " + DialectNames() + "\n";
  const std::string help =
      usage +
      "Prints the DDL of every table the program uses for that database: oracle is\n"
      "db/schema/oracle.sql, for a DBA to create a schema with; sqlite is what init-db\n"
      "creates.\n";
  if (int rc = 0; AnswersHelpOrVersion(argc, argv, help.c_str(), &rc)) return rc;
  const schema::Dialect* dialect = argc == 2 ? schema::FindDialect(argv[1]) : nullptr;
  if (dialect == nullptr) {
    std::fprintf(stderr, "jobfeed-admin print-ddl: expected one of %s\n%s", DialectNames().c_str(),
                 usage.c_str());
    return 2;
  }
  const std::string ddl = schema::Script(*dialect);
  std::fwrite(ddl.data(), 1, ddl.size(), stdout);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace jf::admin
