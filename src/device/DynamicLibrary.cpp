#include "device/DynamicLibrary.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
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

std::string LoadedFilePath(void* library, const std::string& fileName) {
    if (library == nullptr) return fileName;
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(library), path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) return std::string(path, n);
#else
    // The link map names the file the search found, not just the name asked for.
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr &&
        map->l_name[0] != '\0')
        return map->l_name;
#endif
    return fileName;
}

std::string ExecutableDir() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::filesystem::path(std::string(path, n)).parent_path().string();
#else
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string();
#endif
}

}  // namespace talmir
