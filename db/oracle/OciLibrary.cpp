#include "db/oracle/OciLibrary.h"

#include <cstdlib>
#include <vector>

#include "db/sql/Status.h"
#include "platform/SharedLib.h"

namespace jf::oracle {

namespace {

#ifdef _WIN32
constexpr char kLibrary[] = "oci.dll";
constexpr char kHomeFolder[] = "\\bin\\";
#else
constexpr char kLibrary[] = "libclntsh.so";
constexpr char kHomeFolder[] = "/lib/";
#endif

// Finds symbol name in lib and stores it in *fn; false when the library lacks it.
template <class Fn>
bool Find(void* lib, const char* name, Fn* fn, std::string* missing) {
  *fn = reinterpret_cast<Fn>(SharedLibSymbol(lib, name));
  if (*fn == nullptr && missing->empty()) *missing = name;
  return *fn != nullptr;
}

}  // namespace

const char* ClientLibraryName() {
  return kLibrary;
}

int LoadOci(const Oci** out, std::string* error) {
  static Oci oci;
  static bool loaded = false;
  if (loaded) {
    *out = &oci;
    return 0;
  }
  // The bare name first, as the platform's loader finds it; then the client's own folder.
  std::vector<std::string> tried{kLibrary};
  const char* home = std::getenv("ORACLE_HOME");
  if (home != nullptr && *home != '\0') tried.push_back(std::string(home) + kHomeFolder + kLibrary);
  void* lib = nullptr;
  std::string reasons;
  for (const std::string& path : tried) {
    std::string why;
    lib = OpenSharedLib(path, &why);
    if (lib != nullptr) break;
    reasons += (reasons.empty() ? "" : "; ") + why;
  }
  if (lib == nullptr) {
    *error = std::string("Oracle client library ") + kLibrary + " not found (looked in the " +
             "library path" +
             (tried.size() > 1 ? " and " + tried[1] : std::string(", ORACLE_HOME not set")) +
             "): " + reasons;
    return sql::kBackendUnavailable;
  }
  std::string missing;
  Oci f;
  Find(lib, "OCIEnvNlsCreate", &f.EnvNlsCreate, &missing);
  Find(lib, "OCIHandleAlloc", &f.HandleAlloc, &missing);
  Find(lib, "OCIHandleFree", &f.HandleFree, &missing);
  Find(lib, "OCILogon2", &f.Logon2, &missing);
  Find(lib, "OCILogoff", &f.Logoff, &missing);
  Find(lib, "OCIStmtPrepare2", &f.StmtPrepare2, &missing);
  Find(lib, "OCIStmtRelease", &f.StmtRelease, &missing);
  Find(lib, "OCIBindByPos", &f.BindByPos, &missing);
  Find(lib, "OCIDefineByPos", &f.DefineByPos, &missing);
  Find(lib, "OCIStmtExecute", &f.StmtExecute, &missing);
  Find(lib, "OCIStmtFetch2", &f.StmtFetch2, &missing);
  Find(lib, "OCIAttrSet", &f.AttrSet, &missing);
  Find(lib, "OCIAttrGet", &f.AttrGet, &missing);
  Find(lib, "OCIErrorGet", &f.ErrorGet, &missing);
  Find(lib, "OCITransCommit", &f.TransCommit, &missing);
  Find(lib, "OCITransRollback", &f.TransRollback, &missing);
  if (!missing.empty()) {
    *error = std::string("Oracle client library ") + kLibrary + " lacks " + missing +
             ": the client is too old for this program (9.2 or later needed)";
    return sql::kBackendUnavailable;
  }
  oci = f;
  loaded = true;
  *out = &oci;
  return 0;
}

}  // namespace jf::oracle
