// Holds every statement the program runs to the schema description: each column it selects into
// a field, or binds a field to, is described, of a kind that carries the field, and wide enough
// for it. It stands between the session and the backend, so it sees the texts as prepared and
// the very fields the table routines bind: no list of statements or columns can fall out of
// step. OrderSiteTest puts it around every backend and fails a test whose statements break it.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "db/sql/FaultBackend.h"

namespace jf::test {

// What is wrong with one statement (text as prepared), one column after the other; "" if nothing.
std::string CheckStatement(std::string_view text, std::span<const sql::In> in,
                           std::span<const sql::Out> out);
// Checks every statement backend runs; TakeStatementProblems() tells what broke the description
// since the last call, each statement once. CheckStatements: base inside such a checking backend.
void WatchStatements(sql::FaultBackend* backend);
std::unique_ptr<sql::Backend> CheckStatements(std::unique_ptr<sql::Backend> base);
std::string TakeStatementProblems();

}  // namespace jf::test
