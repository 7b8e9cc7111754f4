#include "device/DynamicLibrary.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <dlfcn.h>
#include <link.h>
#endif

namespace talmir {

#ifdef _WIN32
namespace {

// File names are UTF-8 text here as everywhere in the tool; the wide calls
// take any name, where the narrow ones would take only the ANSI code page.
std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The file of a loaded module (null: the executable); empty when unknown.
std::filesystem::path ModuleFile(HMODULE module) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return std::filesystem::path(buffer.substr(0, n));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace
#endif

void* OpenLibrary(const std::string& fileName) {
#ifdef _WIN32
    // A name with a folder is loaded from there, and the libraries it needs
    // are then looked for beside it too (the vendor's DLL needs its driver's);
    // a bare name goes through the normal search.
    const std::filesystem::path file = PathFromUtf8(fileName).make_preferred();
    const DWORD flags = file.is_absolute() ? LOAD_WITH_ALTERED_SEARCH_PATH : 0;
    return reinterpret_cast<void*>(LoadLibraryExW(file.c_str(), nullptr, flags));
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
    const std::filesystem::path file = ModuleFile(static_cast<HMODULE>(library));
    if (!file.empty()) return Utf8FromPath(file);
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
    return Utf8FromPath(ModuleFile(nullptr).parent_path());
#else
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.parent_path().string();
#endif
}

}  // namespace talmir
