// Loading a shared library by file name and looking up its exports by name.
// File names and paths are UTF-8 text on every platform (wide-character calls
// on Windows).
#pragma once

#include <string>

namespace talmir {

// Opens the library through the platform's normal search; null on failure.
void* OpenLibrary(const std::string& fileName);

// Address of an exported symbol, or null when the library lacks it.
void* FindSymbol(void* library, const char* name);

// The file the loader actually opened for `library`, or `fileName` (the name
// it was opened by) when the loader cannot say.
std::string LoadedFilePath(void* library, const std::string& fileName);

// Folder of the running executable, without a trailing separator; empty when
// it cannot be found.
std::string ExecutableDir();

}  // namespace talmir
