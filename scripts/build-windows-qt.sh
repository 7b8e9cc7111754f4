#!/usr/bin/env bash
# Builds, once, Qt 6 (qtbase: Core, Gui, Widgets, PrintSupport, the Windows
# platform plugin and styles) and QCustomPlot for 64-bit Windows from Debian's
# own source packages, with Debian's mingw-w64 (posix threads) and the host's
# Qt tools. The result is cached outside the work tree, keyed by the Qt
# version and the options below, so later runs only print its path.
#
# Prints the cache folder (the Qt prefix) on its last line of standard output.
# Environment: TALMIR_CACHE (default ~/.cache/talmir), JOBS (default nproc).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache_root=${TALMIR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/talmir}
jobs=${JOBS:-$(nproc)}

host_qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)   # e.g. 6.4.2+dfsg-10
qcp_version=$(dpkg-query -W -f='${Version}' libqcustomplot-dev)
qt_upstream=${host_qt_version%%+*}

# What the tool does not use is left out; Qt's bundled third-party libraries
# stand in for those Debian has no mingw build of. Debian's repacked 6.4.2
# lacks the wintab header (tablet events) and, without OpenGL, the Windows
# platform plugin needs dynamic GL off.
qt_options=(
    -DBUILD_SHARED_LIBS=ON
    -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_network=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_opengl=OFF
    -DINPUT_opengl=no
    -DFEATURE_dynamicgl=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_system_md4c=OFF
)
toolchain="$repo/cmake/mingw-w64-qt.cmake"
key=$(printf '%s\n' "$host_qt_version" "$qcp_version" "${qt_options[@]}" | cat - "$toolchain" \
    "$repo/cmake/windows/qcustomplot/CMakeLists.txt" | sha256sum | cut -c1-12)
prefix="$cache_root/qt-$qt_upstream-mingw64-$key"

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

work="$cache_root/work-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work"
log="$work/build.log"
echo "Building Qt $qt_upstream and QCustomPlot $qcp_version for Windows into $prefix (log: $log)" >&2

start=$(date +%s)
(
    cd "$work"
    apt-get source -q "qt6-base=$host_qt_version" > /dev/null
    apt-get source -q "qcustomplot=$qcp_version" > /dev/null
) 2>> "$log" >&2
qt_src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)
qcp_src=$(find "$work" -maxdepth 1 -type d -name 'qcustomplot-*' | head -n1)
[ -n "$qt_src" ] && [ -n "$qcp_src" ] || { echo "apt-get source failed; see $log" >&2; exit 1; }

cmake -S "$qt_src" -B "$work/qt-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${qt_options[@]}" >> "$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
configured=$(date +%s)
cmake --build "$work/qt-build" --parallel "$jobs" >> "$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
cmake --install "$work/qt-build" >> "$log" 2>&1
qt_done=$(date +%s)

cmake -S "$repo/cmake/windows/qcustomplot" -B "$work/qcp-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DQCP_SOURCE_DIR="$qcp_src" >> "$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
cmake --build "$work/qcp-build" --parallel "$jobs" >> "$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
cmake --install "$work/qcp-build" >> "$log" 2>&1
qcp_done=$(date +%s)

printf 'qt_configure_s %d\nqt_build_s %d\nqcustomplot_s %d\n' \
    $((configured - start)) $((qt_done - configured)) $((qcp_done - qt_done)) | tee "$prefix/build-times.txt" >&2
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
