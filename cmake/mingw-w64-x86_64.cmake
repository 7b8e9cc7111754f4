# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, so std::thread and std::mutex work). Everything is linked statically,
# so the test programs and the simulator DLL run without the compiler's
# runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALMIR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALMIR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALMIR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALMIR_MINGW_PREFIX}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Libraries and headers of the target come from the mingw-w64 tree; the
# header-only packages (Eigen, KISS FFT) and GoogleTest's sources are found
# on the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TALMIR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The tests run under wine.
find_program(TALMIR_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TALMIR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TALMIR_WINE})
endif()
