#!/usr/bin/env bash
# Makes the two Windows deliverables from a cross build:
#   <out>/talmir-<version>-win64.zip     the portable folder
#   <out>/talmir-<version>-setup.exe     the NSIS installer
# The folder holds the executable, the simulator DLL, exactly the Qt, QCustomPlot
# and mingw runtime DLLs they import (followed transitively, found in the Qt
# prefix and the mingw-w64 runtime folders; Windows' own DLLs are not found
# there and stay out), the platform and style plugins, the translation and a
# README; every binary is stripped.
#
# deploy.sh BIN_DIR QM_DIR QT_PREFIX OUT_DIR VERSION
set -euo pipefail

bin=$1 qm=$2 qt=$3 out=$4 version=$5
here=$(cd "$(dirname "$0")" && pwd)
triplet=x86_64-w64-mingw32
objdump=$triplet-objdump
strip=$triplet-strip
runtime_dirs=("$qt/bin" "$(dirname "$($triplet-g++-posix -print-libgcc-file-name)")"
    "/usr/lib/gcc/$triplet/$($triplet-g++-posix -dumpversion)-posix" "/usr/$triplet/lib")

name=talmir-$version-win64
stage=$out/stage/$name
rm -rf "$out/stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"

cp "$bin/talmir.exe" "$bin/libtalmirsim.dll" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp $(ls "$qm"/talmir_*.qm "$bin"/talmir_*.qm 2>/dev/null) "$stage/translations/"
sed 's/$/\r/' "$here/README.txt" > "$stage/README.txt"

# The DLLs a binary imports that come with Qt or the compiler.
find_dll() {
    local dir
    for dir in "${runtime_dirs[@]}"; do
        [ -f "$dir/$1" ] && { echo "$dir/$1"; return 0; }
    done
    return 1
}
pending=("$stage/talmir.exe" "$stage/libtalmirsim.dll" "$stage/platforms/qwindows.dll"
    "$stage/styles/qwindowsvistastyle.dll")
while [ ${#pending[@]} -gt 0 ]; do
    file=${pending[0]}
    pending=("${pending[@]:1}")
    for dll in $($objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -e "$stage/$dll" ] && continue
        if found=$(find_dll "$dll"); then
            cp "$found" "$stage/$dll"
            pending+=("$stage/$dll")
        fi
    done
done
find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec "$strip" --strip-unneeded {} +

# The portable zip.
rm -f "$out"/talmir-*-win64.zip "$out"/talmir-*-setup.exe
(cd "$out/stage" && find "$name" -type f | LC_ALL=C sort | zip -q -9 -X "$out/$name.zip" -@)

# The installer: one File line per file and one Delete line per file, so the
# uninstaller removes exactly what was installed.
nsh=$out/stage/nsis
mkdir -p "$nsh"
: > "$nsh/install-files.nsh"
: > "$nsh/uninstall-files.nsh"
(cd "$stage" && find . -type d | LC_ALL=C sort) | while read -r dir; do
    rel=${dir#./}
    win=${rel//\//\\}
    [ "$dir" = . ] && win=""
    echo "SetOutPath \"\$INSTDIR${win:+\\$win}\"" >> "$nsh/install-files.nsh"
    (cd "$stage/$dir" && find . -maxdepth 1 -type f | LC_ALL=C sort) | while read -r f; do
        f=${f#./}
        echo "File \"$stage/${rel:+$rel/}$f\"" >> "$nsh/install-files.nsh"
        echo "Delete \"\$INSTDIR\\${win:+$win\\}$f\"" >> "$nsh/uninstall-files.nsh"
    done
done
(cd "$stage" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while read -r dir; do
    win=${dir#./}
    echo "RMDir \"\$INSTDIR\\${win//\//\\}\"" >> "$nsh/uninstall-files.nsh"
done
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DNSH_DIR="$nsh" \
    -DOUTFILE="$out/talmir-$version-setup.exe" -DICON="$here/talmir.ico" "$here/talmir.nsi"

# The installed files, for the install test.
(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) > "$out/stage/files.txt"
ls -l "$out/$name.zip" "$out/talmir-$version-setup.exe"
