#include <windows.h>

#include <string>

#include "platform/SharedLib.h"

namespace jf {

void* OpenSharedLib(const std::string& path, std::string* error) {
  HMODULE lib = ::LoadLibraryA(path.c_str());
  if (lib == nullptr && error != nullptr) {
    *error = "cannot be loaded (Windows error " + std::to_string(::GetLastError()) + ")";
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
