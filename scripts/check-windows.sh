#!/usr/bin/env bash
# The checks of the Windows build under wine that are not unit tests, run by
# `make check-windows` in its scratch wine prefix (WINEPREFIX set):
#   - the analysis jobs give byte for byte the Linux build's output;
#   - --version, --help and --demo -getdata 2 FILE work, the data file with the
#     Linux build's header and line layout;
#   - the installer installs and uninstalls silently, with exactly the
#     portable folder's files plus its uninstaller, and nothing left after;
#   - the window starts on the X display (DISPLAY) and stays up.
# check-windows.sh WINDOWS_BUILD LINUX_BUILD
set -euo pipefail

win=$1 linux=$2
wine=${WINE:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}
exe=$win/bin/talmir.exe
work=$(mktemp -d /tmp/talmir-wincheck.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Data files of known content: a circle with offsets and mismatch, and five
# turns of a chip whose angle is off by 0.2 degrees at twice the angle. The
# folder name has Cyrillic letters, as engineers' folders do.
data="$work/данные"
mkdir -p "$data"
awk 'BEGIN { pi = atan2(0, -1); printf "X;Y\r\n";
    for (i = 0; i < 400; i++) { t = i * 2 * pi / 400;
        printf "%d;%d;\r\n", int(1500 + 21000 * sin(t) + 0.5), int(-800 + 19000 * cos(t + 0.06) + 0.5) } }' \
    > "$data/xy.csv"
awk 'BEGIN { pi = atan2(0, -1); printf "Angle;Anplitude;X;Y;\r\n";
    for (i = 0; i < 5000; i++) { a = i * 5 * 2 * pi / 5000; e = 0.2 * pi / 180 * sin(2 * a);
        code = int((a + e) / (2 * pi) * 65536 + 0.5) % 65536;
        printf "%04X;%d;%d;%d;\r\n", code, 20000, int(20000 * sin(a) + 0.5), int(20000 * cos(a) + 0.5) } }' \
    > "$data/work.csv"

for job in "-xyfit xy.csv" "-angleerror work.csv"; do
    set -- $job
    "$linux/bin/talmir" "$1" "$data/$2" > "$work/linux.out" 2> "$work/linux.err" || true
    WINEDEBUG=-all timeout 120 "$wine" "$exe" "$1" "$data/$2" > "$work/win.out" 2> "$work/win.err" || true
    if cmp -s "$work/linux.out" "$work/win.out" && [ -s "$work/win.out" ]; then
        pass "$1: the same $(wc -c < "$work/win.out") bytes as on Linux"
    else
        fail "$1 differs from Linux"; diff "$work/linux.out" "$work/win.out" | head -n 20 || true
    fi
done

WINEDEBUG=-all timeout 120 "$wine" "$exe" --version > "$work/version.out" 2>&1 || true
grep -q '^talmir ' "$work/version.out" && pass "--version: $(head -n1 "$work/version.out")" \
    || fail "--version: $(cat "$work/version.out")"
WINEDEBUG=-all timeout 120 "$wine" "$exe" --help > "$work/help.out" 2>&1 || true
"$linux/bin/talmir" --help > "$work/help.linux" 2>&1 || true
cmp -s "$work/help.out" "$work/help.linux" && pass "--help: as on Linux" || fail "--help differs from Linux"

# One reading from the simulator beside the executable, into a Cyrillic path.
rm -f "$data/данные.csv"
if WINEDEBUG=-all timeout 120 "$wine" "$exe" --demo -getdata 2 "$data/данные.csv" > "$work/getdata.out" 2> "$work/getdata.err"; then
    TALMIR_SIM_LATENCY_US=0 "$linux/bin/talmir" --demo -getdata 2 "$work/linux.csv" > /dev/null 2>&1 || true
    # The same header line; the reading line in the same layout (fields,
    # separators, CR LF), the values being the moving magnet's.
    shape() { sed -e '1!s/[0-9A-Fa-f]\+/N/g' "$1" | od -c; }
    if [ -s "$data/данные.csv" ] && [ "$(shape "$data/данные.csv")" = "$(shape "$work/linux.csv")" ]; then
        pass "--demo -getdata 2: $(head -n1 "$data/данные.csv" | tr -d '\r')"
    else
        fail "--demo -getdata 2: layout differs"; od -c "$data/данные.csv" | head; od -c "$work/linux.csv" | head
    fi
else
    fail "--demo -getdata 2 exited non-zero: $(cat "$work/getdata.err")"
fi

# The installer, silently in and out.
setup=$(ls "$win"/talmir-*-setup.exe | head -n1)
programs="$WINEPREFIX/drive_c/Program Files/TALMIR"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TALMIR"
WINEDEBUG=-all timeout 120 "$wine" "$setup" /S; "$wineserver" -w
(cd "$programs" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) > "$work/installed.txt"
(cat "$win/stage/files.txt"; echo uninstall.exe) | LC_ALL=C sort > "$work/expected.txt"
if diff "$work/expected.txt" "$work/installed.txt" > "$work/files.diff"; then
    pass "installer: $(wc -l < "$work/installed.txt") files in Program Files\\TALMIR"
else
    fail "installer: installed files differ"; head -n 20 "$work/files.diff"
fi
[ -f "$menu/TALMIR.lnk" ] && [ -f "$menu/TALMIR (демо).lnk" ] && pass "Start menu: both entries" \
    || fail "Start menu entries missing: $(ls "$menu" 2>&1)"
WINEDEBUG=-all timeout 120 "$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TALMIR' /v UninstallString \
    > /dev/null 2>&1 && pass "uninstaller registered" || fail "uninstaller not registered"
if WINEDEBUG=-all timeout 120 "$wine" "$programs/talmir.exe" --demo -getdata 2 "$work/installed.csv" > /dev/null 2>&1 \
    && [ -s "$work/installed.csv" ]; then pass "installed copy runs a job"; else fail "installed copy does not run"; fi
# An installed copy keeps its settings in the user's application data.
appdata=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/talmir/config.ini' 2>/dev/null | head -n1)
[ -n "$appdata" ] && [ ! -e "$programs/config.ini" ] && pass "installed copy: ${appdata#$WINEPREFIX/}" \
    || fail "installed copy: config.ini not in %APPDATA%\\talmir"
WINEDEBUG=-all timeout 120 "$wine" "$programs/uninstall.exe" /S; "$wineserver" -w
sleep 1; "$wineserver" -w
if [ ! -e "$programs" ] && [ ! -e "$menu" ] && ! WINEDEBUG=-all timeout 120 "$wine" reg query \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TALMIR' > /dev/null 2>&1; then
    pass "uninstaller: nothing left"
else
    fail "uninstaller left: $(find "$programs" "$menu" 2>/dev/null | head)"
fi

# The window on the display: still up after some seconds means it started.
if [ -n "${DISPLAY:-}" ]; then
    WINEDEBUG=-all timeout 120 "$wine" "$exe" --demo > "$work/window.log" 2>&1 &
    pid=$!
    sleep 15
    if kill -0 $pid 2>/dev/null; then pass "the window starts under wine"; else
        fail "the window did not stay up: $(tail -n 5 "$work/window.log")"; fi
    "$wineserver" -k 2>/dev/null || true
    wait $pid 2>/dev/null || true
fi

[ $failures -eq 0 ] && echo "all Windows checks passed" || { echo "$failures Windows checks failed"; exit 1; }
