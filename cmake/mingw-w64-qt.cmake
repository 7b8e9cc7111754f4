# Cross-compiling Qt, QCustomPlot and the whole tool for 64-bit Windows with
# Debian's mingw-w64 (the posix thread model). Unlike the static check build,
# the C++ runtime stays in its DLLs (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1), one copy shared by Qt's DLLs and the tool, so exceptions
# and allocations may cross between them; the deliverables carry those DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TALMIR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALMIR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALMIR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TALMIR_MINGW_PREFIX}-windres)

# Target libraries come from the mingw-w64 tree and the prefixes given in
# CMAKE_PREFIX_PATH (the cross-built Qt); programs from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TALMIR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

find_program(TALMIR_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TALMIR_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TALMIR_WINE})
endif()
