#!/usr/bin/env bash
# The real program on a virtual X screen with global hotkeys set in its data folder: a letter,
# a function key and a key beyond the printable ones, with the same modifiers, each do their
# own action while another program's window has the focus, and a second copy that finds the
# combinations taken says so, naming them.
# Usage: hotkeys.sh PROGRAM WORK_FOLDER
set -euo pipefail
program=$1 work=$2
if [[ "${HOTKEYS_INSIDE_XVFB:-}" != 1 ]]; then
    rm -rf "$work" && mkdir -p "$work/game" "$work/first" "$work/second"
    HOTKEYS_INSIDE_XVFB=1 exec xvfb-run -a bash "$0" "$@"
fi
export QT_QPA_PLATFORM=xcb
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
fail() { echo "hotkeys: $*" >&2; cat "$work"/*.log >&2; exit 1; }
# Waits up to 20 s for a condition, checking every 0.1 s.
await() { for _ in $(seq 200); do eval "$1" && return 0; sleep 0.1; done; fail "never: $1"; }

echo "level data" >"$work/game/level.dat"
for data in first second; do
    printf '%s\r\n' "$work/game/level.dat" >"$work/$data/saver.ini"
    printf 'Ctrl+Shift+S\tCtrl+Shift+F5\tCtrl+Shift+Home\r\n' >"$work/$data/hotkeys.ini"
done
MCSAVER_DATA_DIR="$work/first" "$program" >"$work/first.log" 2>&1 &
await '[[ -n "$(xdotool search --onlyvisible --pid $! 2>/dev/null)" ]]'
xmessage -name game "the game" >"$work/game.log" 2>&1 &
await 'game=$(xdotool search --onlyvisible --classname "^game$" 2>/dev/null | head -n 1) && [[ -n "$game" ]]'
xdotool windowfocus --sync "$game" key ctrl+shift+s
await '[[ "$(cat "$work/first/tmp.back" 2>/dev/null)" == "level data" ]]'
echo "played on" >"$work/game/level.dat"
xdotool windowfocus --sync "$game" key ctrl+shift+F5
await '[[ "$(cat "$work/game/level.dat")" == "level data" ]]'
xdotool windowfocus --sync "$game" key ctrl+shift+Home
await 'compgen -G "$work/first/【1】*/game/level.dat" >/dev/null'

MCSAVER_DATA_DIR="$work/second" "$program" >"$work/second.log" 2>&1 &
await 'xdotool search --name "^快捷键不可用：Ctrl\+Shift\+S、Ctrl\+Shift\+F5、Ctrl\+Shift\+Home$" >/dev/null 2>&1'
echo "hotkeys: Ctrl+Shift+S, F5 and Home save, restore and back up, and a second copy is refused them"
