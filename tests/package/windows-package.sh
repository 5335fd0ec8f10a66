#!/usr/bin/env bash
# What a Windows player downloads, under Wine, on the X screen of DISPLAY. The zip, unpacked in
# any folder, starts with only what it holds and keeps its data beside itself. The installer,
# run as a player without administrator rights runs it, silently (/S), puts the program in
# %LOCALAPPDATA%\Programs\mcsaver with a Start-menu entry; the installed program starts from
# there and keeps its data in %LOCALAPPDATA%\mcsaver; the uninstaller removes the program and
# its entry and leaves the data folder with every backup in it.
# Usage: windows-package.sh ZIP SETUP_EXE WINE_PREFIX
set -euo pipefail
zip=$1 setup=$2
export WINEPREFIX=$3 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
unset WINEPATH # the program must find its DLLs beside itself
wine=/usr/lib/wine/wine64
fail() { echo "windows-package: $*" >&2; exit 1; }
# Waits up to 30 s for a condition, checking every 0.1 s.
await() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; fail "never: $1"; }

unpacked="$WINEPREFIX/drive_c/游戏/备份工具"
rm -rf "$unpacked" && mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked"
portable="$(echo "$unpacked"/mcsaver-*)"
"$wine" "$portable/mcsaver.exe" >"$WINEPREFIX/portable-program.log" 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
await '[[ -s "$portable/.mcsaver.lock" ]]'
kill "$program"
wait "$program" 2>/dev/null || true

local_dir="$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local)"
installed="$local_dir/Programs/mcsaver"
data="$local_dir/mcsaver"
menu="$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs)"
rm -rf "$installed" "$data"

"$wine" "$setup" /S
[[ -f "$installed/mcsaver.exe" && -f "$installed/platforms/qwindows.dll" ]] ||
    fail "nothing installed in $installed"
[[ -f "$menu/MC存档自动保存.lnk" ]] || fail "no Start-menu entry in $menu"

"$wine" "$installed/mcsaver.exe" >"$WINEPREFIX/installed-program.log" 2>&1 &
program=$!
# Started, it holds the lock of its data folder, which is not the folder it was installed to.
await '[[ -s "$data/.mcsaver.lock" ]]'
await 'xwininfo -root -tree | grep -q "MC存档自动保存"'
[[ ! -e "$installed/.mcsaver.lock" ]] || fail "the installed program keeps its data beside itself"
kill "$program"
wait "$program" 2>/dev/null || true
echo "a backup" >"$data/tmp.back"

"$wine" "$installed/uninstall.exe" /S
# The uninstaller runs from a copy of itself, which it starts and leaves running.
/usr/lib/wine/wineserver -w
[[ ! -e "$installed" ]] || fail "the uninstaller left $(ls -A "$installed")"
[[ ! -e "$menu/MC存档自动保存.lnk" ]] || fail "the uninstaller left the Start-menu entry"
[[ "$(cat "$data/tmp.back")" == "a backup" ]] || fail "the uninstaller touched the data folder"
echo "windows-package: the zip runs where it is unpacked; installed, started, uninstalled," \
    "the data folder kept"
