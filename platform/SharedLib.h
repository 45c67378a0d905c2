// Loading a shared library at run time (dlopen / LoadLibraryA), for clients the program talks to
// only where a site has them installed.
#pragma once

#include <string>

namespace jf {

// Opens the library at path. A bare name is searched the platform's usual way on POSIX (the
// library path); on Windows in the program's folder, the system folder and then the absolute
// folders of PATH, never in the working directory. A path with a folder in it must be absolute
// on Windows. Returns nullptr with the system's reason in *error when it cannot be loaded. A
// loaded library stays loaded until the process ends.
void* OpenSharedLib(const std::string& path, std::string* error);

// The address of an exported function, or nullptr when the library does not export it.
void* SharedLibSymbol(void* lib, const char* name);

// The file a loaded library came from (the operator's answer to "which one did it take?");
// empty when the system does not say.
std::string SharedLibFile(void* lib);

}  // namespace jf
