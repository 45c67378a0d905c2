#include <dlfcn.h>
#include <link.h>

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

std::string SharedLibFile(void* lib) {
  link_map* map = nullptr;
  if (lib == nullptr || ::dlinfo(lib, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return "";
  return map->l_name != nullptr ? map->l_name : "";
}

}  // namespace jf
