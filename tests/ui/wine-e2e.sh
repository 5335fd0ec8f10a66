#!/usr/bin/env bash
# The real program under Wine, started from a folder of its own as a player starts it from the
# zip, on the X screen of DISPLAY: its saver.ini names the save as Windows writes paths, and a
# click on 保存 in the floating window puts level.dat into tmp.back beside the program. A
# second start on the same data folder ends by itself, leaving the first running.
# Usage: wine-e2e.sh WORK_FOLDER EMULATOR... -- PROGRAM
set -euo pipefail
work=$1
shift
emulator=()
while [[ "$1" != -- ]]; do emulator+=("$1") && shift; done
program=$2
rm -rf "$work" && mkdir -p "$work/app" "$work/我的世界/新的世界"
cp -r "$program" "$(dirname "$program")/translations" "$work/app/"
fail() { echo "wine-e2e: $*" >&2; cat "$work/program.log" >&2; exit 1; }
# Waits up to 30 s for a condition, checking every 0.1 s.
await() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; fail "never: $1"; }

echo "level data" >"$work/我的世界/新的世界/level.dat"
# Wine shows the root of the Linux file system as drive Z:.
printf 'Z:%s\r\n' "$(echo "$work/我的世界/新的世界/level.dat" | tr / '\\')" >"$work/app/saver.ini"
"${emulator[@]}" "$work/app/$(basename "$program")" >"$work/program.log" 2>&1 &
trap 'kill $! 2>/dev/null || true' EXIT
# The floating window, the only one shown at start: 129 x 175 pixels, frameless.
await 'window=$(xwininfo -root -tree | awk "/ 129x175\\+/ { print \$1; exit }") && [[ -n "$window" ]]'
await 'xwininfo -id "$window" | grep -q IsViewable'
# 保存 covers (16, 64) to (113, 113) of it.
xdotool mousemove --window "$window" 64 88 click 1
await '[[ "$(cat "$work/app/tmp.back" 2>/dev/null)" == "level data" ]]'
# One copy per data folder: a second start calls the first forward and ends by itself.
timeout 30 "${emulator[@]}" "$work/app/$(basename "$program")" >>"$work/program.log" 2>&1 ||
    fail "the second start did not end by itself"
kill -0 "$!" 2>/dev/null || fail "the first copy ended"
echo "wine-e2e: 保存 under Wine made tmp.back beside the program; a second start ended"
