// The PostgreSQL client library, loaded once per process at the first connect to a PostgreSQL
// site: a program that runs on the embedded database or on Oracle never maps libpq and the
// libraries it needs (TLS, Kerberos, LDAP), which would cost every run their memory and start-up.
#pragma once

#include <libpq-fe.h>

#include <string>

namespace jf::postgres {

// The functions the backend calls, each under its own name.
#define JF_LIBPQ_FUNCTIONS(X) \
  X(PQclear)                  \
  X(PQcmdStatus)              \
  X(PQcmdTuples)              \
  X(PQconnectdbParams)        \
  X(PQconnectionUsedPassword) \
  X(PQconninfoFree)           \
  X(PQconninfoParse)          \
  X(PQconsumeInput)           \
  X(PQenterPipelineMode)      \
  X(PQerrorMessage)           \
  X(PQfinish)                 \
  X(PQflush)                  \
  X(PQfreemem)                \
  X(PQgetResult)              \
  X(PQgetisnull)              \
  X(PQgetlength)              \
  X(PQgetvalue)               \
  X(PQisBusy)                 \
  X(PQnfields)                \
  X(PQntuples)                \
  X(PQpingParams)             \
  X(PQpipelineSync)           \
  X(PQresultErrorField)       \
  X(PQresultStatus)           \
  X(PQsendPrepare)            \
  X(PQsendQueryParams)        \
  X(PQsendQueryPrepared)      \
  X(PQsetNoticeProcessor)     \
  X(PQsocket)                 \
  X(PQstatus)

struct Libpq {
#define JF_LIBPQ_MEMBER(name) decltype(&::name) name = nullptr;
  JF_LIBPQ_FUNCTIONS(JF_LIBPQ_MEMBER)
#undef JF_LIBPQ_MEMBER
};

// The file name the library is looked for by, as the platform's loader searches for it.
inline constexpr char kLibpqName[] = "libpq.so.5";

// Loads libpq and finds every function of Libpq in it. Returns 0 with *out set, or -12560 with
// *error saying which library was looked for and why it did not load, or which function it lacks
// (a libpq older than 14 has no pipeline mode). A library that loaded is kept for the rest of the
// process; a failed attempt is made again at the next connect.
int LoadLibpq(const Libpq** out, std::string* error);

}  // namespace jf::postgres
