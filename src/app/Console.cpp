#include "app/Console.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
#include <cstdio>
#endif

namespace talmir {

QStringList CommandLineArguments(int argc, char** argv) {
    QStringList args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) args << QString::fromWCharArray(wide[i]);
        LocalFree(wide);
    }
#else
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
#endif
    return args;
}

void UseUtf8Console() {
#ifdef _WIN32
    // The program is a window program (no console of its own opens from the
    // Start menu); started from a console without redirection, it writes to
    // that console.
    const auto unset = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle == nullptr || handle == INVALID_HANDLE_VALUE;
    };
    const bool noOut = unset(STD_OUTPUT_HANDLE), noErr = unset(STD_ERROR_HANDLE);
    if ((noOut || noErr) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (noOut) std::freopen("CONOUT$", "w", stdout);
        if (noErr) std::freopen("CONOUT$", "w", stderr);
    }
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
#endif
}

}  // namespace talmir
