// The Oracle client library, loaded once per process at the first connect to an Oracle net
// service name.
#pragma once

#include <string>

#include "db/oracle/Oci.h"

namespace jf::oracle {

// The functions the backend calls, found in the loaded library.
struct Oci {
  OCIEnvNlsCreateFn EnvNlsCreate = nullptr;
  OCIHandleAllocFn HandleAlloc = nullptr;
  OCIHandleFreeFn HandleFree = nullptr;
  OCILogon2Fn Logon2 = nullptr;
  OCILogoffFn Logoff = nullptr;
  OCIStmtPrepare2Fn StmtPrepare2 = nullptr;
  OCIStmtReleaseFn StmtRelease = nullptr;
  OCIBindByPosFn BindByPos = nullptr;
  OCIDefineByPosFn DefineByPos = nullptr;
  OCIStmtExecuteFn StmtExecute = nullptr;
  OCIStmtFetch2Fn StmtFetch2 = nullptr;
  OCIAttrSetFn AttrSet = nullptr;
  OCIAttrGetFn AttrGet = nullptr;
  OCIErrorGetFn ErrorGet = nullptr;
  OCITransCommitFn TransCommit = nullptr;
  OCITransRollbackFn TransRollback = nullptr;
};

// The client library's file name on this platform.
const char* ClientLibraryName();

// Loads the client library (by its bare name, the platform's usual search; then from
// ORACLE_HOME) and finds every function of Oci in it. Returns 0 with *out set, or -12560 with
// *error telling which library was looked for where, or which function it lacks (a client too
// old for this program). A library that loaded is kept for the rest of the process; a failed
// attempt is made again at the next connect.
int LoadOci(const Oci** out, std::string* error);

}  // namespace jf::oracle
