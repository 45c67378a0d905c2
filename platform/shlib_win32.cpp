#include <windows.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/SharedLib.h"

#ifndef LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#endif
#ifndef LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
#define LOAD_LIBRARY_SEARCH_DEFAULT_DIRS 0x00001000
#endif

namespace jf {

namespace {

// Windows' classic search looks for a library in the working directory, which is the site's
// run folder: whoever can write there would run code as the scheduler's account. From the
// start of the process on, libraries are searched in the program's folder and the system's
// only (this object runs before main in every program that can load a library at run time).
struct SafeSearch {
  SafeSearch() {
    using SetDirsFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    const auto set = kernel != nullptr ? reinterpret_cast<SetDirsFn>(reinterpret_cast<void*>(
                                             ::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                                       : nullptr;
    if (set != nullptr) set(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    // Without it (an unpatched Windows 7), at least the working directory leaves the search.
    if (set == nullptr) ::SetDllDirectoryA("");
  }
};
const SafeSearch g_safe_search;

bool IsAbsolute(std::string_view p) {
  const bool drive = p.size() >= 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/');
  const bool unc = p.size() >= 2 && (p[0] == '\\' || p[0] == '/') && (p[1] == '\\' || p[1] == '/');
  return drive || unc;
}

// A library at an absolute path, with the libraries it needs from its own folder first (a
// client installs its libraries side by side), then the program's and the system's folders.
HMODULE LoadAt(const std::string& path) {
  return ::LoadLibraryExA(path.c_str(), nullptr,
                          LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace

void* OpenSharedLib(const std::string& path, std::string* error) {
  HMODULE lib = nullptr;
  DWORD err = 0;
  if (path.find_first_of("\\/") != std::string::npos) {
    if (!IsAbsolute(path)) {
      if (error != nullptr) *error = "not loaded: " + path + " is not an absolute path";
      return nullptr;
    }
    lib = LoadAt(path);
    err = lib == nullptr ? ::GetLastError() : 0;
  } else {
    // A bare name: the program's folder and the system's, then the folders of PATH that are
    // absolute (an empty or relative entry would be the working directory again).
    lib = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    err = lib == nullptr ? ::GetLastError() : 0;
    const char* env_path = std::getenv("PATH");
    std::string_view dirs = env_path != nullptr ? env_path : "";
    while (lib == nullptr && !dirs.empty()) {
      std::string_view dir = dirs.substr(0, dirs.find(';'));
      dirs.remove_prefix(dir.size() < dirs.size() ? dir.size() + 1 : dir.size());
      if (dir.size() >= 2 && dir.front() == '"' && dir.back() == '"')
        dir = dir.substr(1, dir.size() - 2);
      if (!IsAbsolute(dir)) continue;
      std::string candidate(dir);
      if (candidate.back() != '\\' && candidate.back() != '/') candidate += '\\';
      candidate += path;
      const DWORD attrs = ::GetFileAttributesA(candidate.c_str());
      if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
      lib = LoadAt(candidate);
      if (lib == nullptr) err = ::GetLastError();
    }
  }
  if (lib == nullptr && error != nullptr) {
    *error =
        "cannot be loaded from the program's folder, the system folder or an absolute "
        "folder of PATH (Windows error " +
        std::to_string(err) + ")";
  }
  return reinterpret_cast<void*>(lib);
}

void* SharedLibSymbol(void* lib, const char* name) {
  if (lib == nullptr) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(lib), name));
}

std::string SharedLibFile(void* lib) {
  char path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(static_cast<HMODULE>(lib), path, sizeof path);
  return n > 0 && n < sizeof path ? std::string(path, n) : std::string();
}

}  // namespace jf
