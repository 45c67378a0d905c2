// Running a test body against a site of every backend: the embedded SQLite database; the Oracle
// backend talking to the fake client library (tests/fakeoci), which keeps its rows in the same
// SQLite file; and a real PostgreSQL server, the one the test command starts for the run
// (scripts/pg-server; ctest's fixture sets PGHOST to its folder). A site of one differs from a
// site of another only in its login file's net service name ("sqlite:PATH", PATH, or
// "postgresql:///NAME") and in the database behind it.
//
// Adopting it in a test file, for a fixture derived from SiteTest:
//
//   class OrderTablesSite : public test::OrderRowsTest { ... };  // the fixture as it was
//   using OrderTables = test::OnEveryBackend<OrderTablesSite>;
//   TEST_P(OrderTables, Name) { ... }                             // was TEST_F
//   JF_ON_EVERY_BACKEND(OrderTables);
//
// A fixture parameterised already takes the backend beside its case:
//
//   using HeaderFailureTest = test::OnEveryBackendWith<OrderDownloadTest, HeaderFailure>;
//   TEST_P(HeaderFailureTest, Name) { const HeaderFailure& f = test_case(); ... }
//   JF_ON_EVERY_BACKEND_WITH(HeaderFailureTest, ::testing::Values(HeaderFailure{...}, ...));
//
// The fixture reads the backend with backend() and builds its site with it (OrderSiteTest does).
// The Windows build has no PostgreSQL client; its tests run on the other two.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace jf::test {

enum class BackendKind { kSqlite, kOracle, kPostgres };

const char* BackendName(BackendKind kind);

// The net service name under which a site of the backend reaches its database at path
// (relative to the working directory, or absolute; on PostgreSQL the path names the site's
// database on the test server).
std::string NetServiceName(BackendKind kind, const std::string& path);

template <class Fixture>
class OnEveryBackend : public Fixture, public ::testing::WithParamInterface<BackendKind> {
 protected:
  BackendKind backend() const override { return this->GetParam(); }
};

template <class Fixture, class Case>
class OnEveryBackendWith : public Fixture,
                           public ::testing::WithParamInterface<std::tuple<BackendKind, Case>> {
 protected:
  BackendKind backend() const override { return std::get<0>(this->GetParam()); }
  const Case& test_case() const { return std::get<1>(this->GetParam()); }
};

inline auto EveryBackend() {
#ifdef _WIN32
  return ::testing::Values(BackendKind::kSqlite, BackendKind::kOracle);
#else
  return ::testing::Values(BackendKind::kSqlite, BackendKind::kOracle, BackendKind::kPostgres);
#endif
}

}  // namespace jf::test

#define JF_ON_EVERY_BACKEND(Fixture)                                                        \
  INSTANTIATE_TEST_SUITE_P(Backends, Fixture, ::jf::test::EveryBackend(),                   \
                           [](const ::testing::TestParamInfo<::jf::test::BackendKind>& i) { \
                             return std::string(::jf::test::BackendName(i.param));          \
                           })

// Cases print as their names (a PrintTo for the case type).
#define JF_ON_EVERY_BACKEND_WITH(Fixture, cases)                                                 \
  INSTANTIATE_TEST_SUITE_P(Backends, Fixture,                                                    \
                           ::testing::Combine(::jf::test::EveryBackend(), cases),                \
                           [](const auto& i) {                                                   \
                             return std::string(::jf::test::BackendName(std::get<0>(i.param))) + \
                                    "_" + ::testing::PrintToString(std::get<1>(i.param));        \
                           })
