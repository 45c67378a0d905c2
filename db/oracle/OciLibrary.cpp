#include "db/oracle/OciLibrary.h"

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <vector>

#include "db/sql/Status.h"
#include "platform/SharedLib.h"

namespace jf::oracle {

namespace {

#ifdef _WIN32
constexpr char kLibrary[] = "oci.dll";
constexpr const char* kNames[] = {kLibrary};
constexpr char kHomeFolder[] = "\\bin\\";
#else
constexpr char kLibrary[] = "libclntsh.so";
// Instant Client and some packaged clients carry only the versioned file names.
constexpr const char* kNames[] = {kLibrary,
                                  "libclntsh.so.23.1",
                                  "libclntsh.so.21.1",
                                  "libclntsh.so.20.1",
                                  "libclntsh.so.19.1",
                                  "libclntsh.so.18.1",
                                  "libclntsh.so.12.1",
                                  "libclntsh.so.11.1"};
constexpr char kHomeFolder[] = "/lib/";
#endif

std::string& Loaded() {
  static std::string path;
  return path;
}

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

const std::string& LoadedClientLibrary() {
  return Loaded();
}

int LoadOci(const Oci** out, std::string* error) {
  static Oci oci;
  static bool loaded = false;
  if (loaded) {
    *out = &oci;
    return 0;
  }
  // The bare names first, as the platform's loader finds them; then the client's own folder.
  std::vector<std::string> tried(std::begin(kNames), std::end(kNames));
  // A relative ORACLE_HOME would have the loader look below the working directory, the site's
  // run folder, where anyone who can write there could put a library: it is not used.
  const char* home = std::getenv("ORACLE_HOME");
  const bool set_home = home != nullptr && *home != '\0';
  const bool have_home = set_home && std::filesystem::path(home).is_absolute();
  if (have_home) {
    for (const char* name : kNames) tried.push_back(std::string(home) + kHomeFolder + name);
  }
  void* lib = nullptr;
  std::string reasons;
  for (const std::string& path : tried) {
    std::string why;
    lib = OpenSharedLib(path, &why);
    if (lib != nullptr) break;
    // The versioned names are a fallback: only the bare name's reason is worth reading.
    if (path.ends_with(kLibrary)) reasons += (reasons.empty() ? "" : "; ") + why;
  }
  if (lib == nullptr) {
    *error = std::string("Oracle client library ") + kLibrary +
             (std::size(kNames) > 1 ? " (or a versioned " + std::string(kLibrary) + ".NN.1)" : "") +
             " not found (looked in the library path" +
             (have_home  ? " and " + std::string(home) + kHomeFolder
              : set_home ? ", ORACLE_HOME " + std::string(home) + " ignored: not an absolute path"
                         : std::string(", ORACLE_HOME not set")) +
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
  Find(lib, "OCINlsCharSetNameToId", &f.NlsCharSetNameToId, &missing);
  Find(lib, "OCIParamGet", &f.ParamGet, &missing);
  std::string optional;
  Find(lib, "OCIClientVersion", &f.ClientVersion, &optional);
  if (!missing.empty()) {
    *error = std::string("Oracle client library ") + kLibrary + " lacks " + missing +
             ": the client is too old for this program (9.2 or later needed)";
    return sql::kBackendUnavailable;
  }
  oci = f;
  loaded = true;
  Loaded() = SharedLibFile(lib);
  *out = &oci;
  return 0;
}

}  // namespace jf::oracle
