// A client library of a release older than this program needs: it has some of the calls every
// release had, but none of those from 9.2 on (OCIEnvNlsCreate, OCILogon2, OCIStmtPrepare2 ...).
// The backend must refuse it before calling anything; every call here fails.
#include "db/oracle/Oci.h"

using namespace jf::oracle;  // NOLINT: the interface's own names

#ifdef _WIN32
#define OLDCLIENT_EXPORT extern "C" __declspec(dllexport)
#else
#define OLDCLIENT_EXPORT extern "C" __attribute__((visibility("default")))
#endif

OLDCLIENT_EXPORT sword OCIHandleAlloc(const void*, void**, ub4, std::size_t, void**) {
  return OCI_ERROR;
}
OLDCLIENT_EXPORT sword OCIHandleFree(void*, ub4) {
  return OCI_ERROR;
}
OLDCLIENT_EXPORT sword OCIStmtExecute(OCISvcCtx*, OCIStmt*, OCIError*, ub4, ub4, const OCISnapshot*,
                                      OCISnapshot*, ub4) {
  return OCI_ERROR;
}
OLDCLIENT_EXPORT sword OCITransCommit(OCISvcCtx*, OCIError*, ub4) {
  return OCI_ERROR;
}
