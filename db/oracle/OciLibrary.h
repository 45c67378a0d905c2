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
  OCINlsCharSetNameToIdFn NlsCharSetNameToId = nullptr;
  OCIParamGetFn ParamGet = nullptr;
  // Optional: nullptr for a client that does not tell its release.
  OCIClientVersionFn ClientVersion = nullptr;
};

// The client library's file name on this platform.
const char* ClientLibraryName();

// Loads the client library and finds every function of Oci in it. Its names are tried by the
// platform's usual search, then in ORACLE_HOME: on POSIX libclntsh.so and then the versioned names
// that installs without the bare link carry, newest first. Returns 0 with *out set, or -12560 with
// *error telling which library was looked for where, or which function it lacks (a client too
// old for this program). A library that loaded is kept for the rest of the process; a failed
// attempt is made again at the next connect.
int LoadOci(const Oci** out, std::string* error);

// The file the client library was loaded from; empty before it loaded.
const std::string& LoadedClientLibrary();

}  // namespace jf::oracle
