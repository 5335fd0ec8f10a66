#!/usr/bin/env bash
# Starts the real program on a virtual X screen and waits for its floating window, the only
# window it shows at start (129 x 175 pixels), to be mapped.
# Usage: smoke.sh PROGRAM WORK_FOLDER
set -euo pipefail
if [[ -z "${SMOKE_INSIDE_XVFB:-}" ]]; then
    # The program writes beside itself, so it runs from a copy in a folder of its own.
    rm -rf "$2" && mkdir -p "$2/app" && cp "$1" "$2/app/"
    SMOKE_INSIDE_XVFB=1 exec xvfb-run -a bash "$0" "$2/app/${1##*/}" "$2"
fi
QT_QPA_PLATFORM=xcb timeout 30 "$1" >"$2/program.log" 2>&1 &
for _ in $(seq 100); do
    window=$(xwininfo -root -tree | awk '/ 129x175\+/ { print $1; exit }')
    [[ -n "$window" ]] && xwininfo -id "$window" | grep -q IsViewable && kill $! && exit 0
    sleep 0.2
done
echo "smoke: no floating window was mapped" >&2
cat "$2/program.log" >&2
exit 1
