# Installs the build into a scratch prefix and checks what lands there: the
# program, the simulator (not its test variants) and our own MPSSE library,
# the desktop entry, the icon, the udev rule, the English translation, the
# register pictures and the Python module, and nothing else; then that the
# installed program and module find their libraries relative to themselves.
# Run as: cmake -DBUILD_DIR=... -DPREFIX=... [-DPYTHON=python3] -P InstallTest.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${error}")
endif()

set(expected
    bin/talmir
    lib/talmir/libtalmirmpsse.so
    lib/talmir/libtalmirsim.so
    lib/udev/rules.d/70-talmir-ftdi.rules
    share/applications/talmir.desktop
    share/icons/hicolor/scalable/apps/talmir.svg
    share/talmir/translations/talmir_en.qm)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
list(FILTER installed EXCLUDE REGEX "^share/talmir/pics/[^/]+\\.png$")
# The Python module, named for the Python it was built for.
set(module_pattern "^lib/python3/dist-packages/talmir\\.cpython-[^/]+\\.so$")
set(modules ${installed})
list(FILTER modules INCLUDE REGEX "${module_pattern}")
list(FILTER installed EXCLUDE REGEX "${module_pattern}")
list(LENGTH modules module_count)
# PYTHON is empty for a build without the module (the sanitize preset).
if(PYTHON)
    set(expected_modules 1)
else()
    set(expected_modules 0)
endif()
if(NOT module_count EQUAL expected_modules)
    message(FATAL_ERROR "installed Python modules: '${modules}'")
endif()
list(SORT installed)
if(NOT installed STREQUAL expected)
    message(FATAL_ERROR "installed files:\n  ${installed}\nexpected:\n  ${expected}")
endif()

file(READ_ELF "${PREFIX}/bin/talmir" RUNPATH runpath RPATH rpath)
if(NOT "${runpath}${rpath}" MATCHES "\\$ORIGIN/\\.\\./lib/talmir")
    message(FATAL_ERROR "bin/talmir has RUNPATH '${runpath}' RPATH '${rpath}'")
endif()

file(READ "${PREFIX}/share/applications/talmir.desktop" desktop)
foreach(line "Name=TALMIR" "Exec=talmir" "Icon=talmir" "Categories=Development;Electronics;")
    if(NOT desktop MATCHES "\n${line}\n")
        message(FATAL_ERROR "talmir.desktop lacks ${line}")
    endif()
endforeach()

# The demo binds the installed simulator; without an override the binding
# ends at our own library unless the vendor's is installed.
unset(ENV{TALMIR_MPSSE_LIBRARY})
foreach(args "--demo;--version" "--version")
    execute_process(COMMAND "${PREFIX}/bin/talmir" ${args}
        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "talmir ${args} exited with ${result}: ${err}")
    endif()
    set(demo_line "Библиотека MPSSE: ${PREFIX}/lib/talmir/libtalmirsim.so")
    set(own_line "Библиотека MPSSE: (libMPSSE\\.so|libmpsse\\.so|${PREFIX}/lib/talmir/libtalmirmpsse\\.so)")
    if(args MATCHES "demo" AND NOT out MATCHES "${demo_line}")
        message(FATAL_ERROR "talmir ${args} said: ${out}")
    elseif(NOT args MATCHES "demo" AND NOT out MATCHES "${own_line}")
        message(FATAL_ERROR "talmir ${args} said: ${out}")
    endif()
endforeach()
# The installed module imports from its folder and binds the installed
# simulator for demo=True.
if(PYTHON)
    set(ENV{PYTHONPATH} "${PREFIX}/lib/python3/dist-packages")
    execute_process(COMMAND ${PYTHON} -c "import talmir; print(talmir.open(demo=True).library)"
        RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT result EQUAL 0 OR NOT out STREQUAL "${PREFIX}/lib/talmir/libtalmirsim.so\n")
        message(FATAL_ERROR "the installed module said: ${out}${err}")
    endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
