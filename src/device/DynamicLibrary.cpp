#include "device/DynamicLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace talmir {

void* OpenLibrary(const std::string& fileName) {
#ifdef _WIN32
    return reinterpret_cast<void*>(LoadLibraryA(fileName.c_str()));
#else
    return dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

void* FindSymbol(void* library, const char* name) {
    if (library == nullptr) return nullptr;
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

}  // namespace talmir
