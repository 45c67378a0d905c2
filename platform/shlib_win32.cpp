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

}  // namespace jf
