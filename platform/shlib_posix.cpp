#include <dlfcn.h>

#include "platform/SharedLib.h"

namespace jf {

void* OpenSharedLib(const std::string& path, std::string* error) {
  // RTLD_LOCAL: the library's symbols are ours to look up, not to interpose on others.
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr && error != nullptr) {
    const char* why = ::dlerror();
    *error = why != nullptr ? why : "cannot be loaded";
  }
  return lib;
}

void* SharedLibSymbol(void* lib, const char* name) {
  return lib != nullptr ? ::dlsym(lib, name) : nullptr;
}

}  // namespace jf
