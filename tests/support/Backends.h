// Running a test body against a site of either backend: the embedded SQLite database, or the
// Oracle backend talking to the fake client library (tests/fakeoci), which keeps its rows in the
// same SQLite file. A site of one differs from a site of the other only in its login file's net
// service name ("sqlite:PATH" or PATH) and in the client library on the library path (ctest puts
// the fake there for every test).
//
// Adopting it in a test file, for a fixture derived from SiteTest:
//
//   class OrderTablesSite : public test::OrderRowsTest { ... };  // the fixture as it was
//   using OrderTables = test::OnBothBackends<OrderTablesSite>;
//   TEST_P(OrderTables, Name) { ... }                             // was TEST_F
//   JF_ON_BOTH_BACKENDS(OrderTables);
//
// A fixture parameterised already takes the backend beside its case:
//
//   using HeaderFailureTest = test::OnBothBackendsWith<OrderDownloadTest, HeaderFailure>;
//   TEST_P(HeaderFailureTest, Name) { const HeaderFailure& f = test_case(); ... }
//   JF_ON_BOTH_BACKENDS_WITH(HeaderFailureTest, ::testing::Values(HeaderFailure{...}, ...));
//
// The fixture reads the backend with backend() and builds its site with it (OrderSiteTest does).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace jf::test {

enum class BackendKind { kSqlite, kOracle };

const char* BackendName(BackendKind kind);

// The net service name under which a site of the backend reaches its database file at path
// (relative to the working directory, or absolute).
std::string NetServiceName(BackendKind kind, const std::string& path);

template <class Fixture>
class OnBothBackends : public Fixture, public ::testing::WithParamInterface<BackendKind> {
 protected:
  BackendKind backend() const override { return this->GetParam(); }
};

template <class Fixture, class Case>
class OnBothBackendsWith : public Fixture,
                           public ::testing::WithParamInterface<std::tuple<BackendKind, Case>> {
 protected:
  BackendKind backend() const override { return std::get<0>(this->GetParam()); }
  const Case& test_case() const { return std::get<1>(this->GetParam()); }
};

inline auto BothBackends() {
  return ::testing::Values(BackendKind::kSqlite, BackendKind::kOracle);
}

}  // namespace jf::test

#define JF_ON_BOTH_BACKENDS(Fixture)                                                        \
  INSTANTIATE_TEST_SUITE_P(Backends, Fixture, ::jf::test::BothBackends(),                   \
                           [](const ::testing::TestParamInfo<::jf::test::BackendKind>& i) { \
                             return std::string(::jf::test::BackendName(i.param));          \
                           })

// Cases print as their names (a PrintTo for the case type).
#define JF_ON_BOTH_BACKENDS_WITH(Fixture, cases)                                                 \
  INSTANTIATE_TEST_SUITE_P(Backends, Fixture,                                                    \
                           ::testing::Combine(::jf::test::BothBackends(), cases),                \
                           [](const auto& i) {                                                   \
                             return std::string(::jf::test::BackendName(std::get<0>(i.param))) + \
                                    "_" + ::testing::PrintToString(std::get<1>(i.param));        \
                           })
