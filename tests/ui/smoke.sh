#!/usr/bin/env bash
# Starts the real program on a virtual X screen and checks that its floating window gets
# mapped; leaves a screenshot beside the test's other output.
# Usage: smoke.sh PROGRAM WORK_FOLDER
set -euo pipefail

program=$1
work=$2

if [[ "${SMOKE_INSIDE_XVFB:-}" != 1 ]]; then
    for tool in xvfb-run xwininfo xwd; do
        command -v "$tool" >/dev/null || { echo "smoke: $tool is missing" >&2; exit 1; }
    done
    rm -rf "$work"
    mkdir -p "$work/app"
    # The program writes beside itself, so it runs from a copy in a folder of its own.
    cp "$program" "$work/app/"
    SMOKE_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$0" "$work/app/$(basename "$program")" "$work"
fi

export QT_QPA_PLATFORM=xcb
"$program" >"$work/program.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

# The floating window is 129 x 175 pixels; nothing else of the program is shown at start.
floating_window() {
    xwininfo -root -tree | awk '/ 129x175\+/ { print $1; exit }'
}

mapped=""
for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "smoke: the program ended early" >&2
        cat "$work/program.log" >&2
        exit 1
    fi
    window=$(floating_window)
    if [[ -n "$window" ]] && xwininfo -id "$window" | grep -q 'Map State: IsViewable'; then
        mapped=$window
        break
    fi
    sleep 0.2
done
if [[ -z "$mapped" ]]; then
    echo "smoke: no floating window was mapped within 20 s" >&2
    cat "$work/program.log" >&2
    exit 1
fi

xwd -root -silent -out "$work/screen.xwd"
echo "smoke: floating window $mapped is shown; screenshot in $work/screen.xwd"
