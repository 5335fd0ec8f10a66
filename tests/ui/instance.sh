#!/usr/bin/env bash
# Two starts of the real program on one data folder: the second calls the first forward and
# ends without touching its partial backup; after a kill, the next start takes over the lock
# and removes what the killed run left; a lock file holding garbage is taken over too; a data
# folder that cannot be made is named in the refusal.
# Usage: instance.sh PROGRAM WORK_FOLDER
set -euo pipefail
work=$2
rm -rf "$work" && mkdir -p "$work/app"
cp "$1" "$work/app/" # the program keeps its data beside itself
program="$work/app/$(basename "$1")"
export QT_QPA_PLATFORM=offscreen
pids=()
trap 'kill -9 "${pids[@]}" 2>/dev/null || true' EXIT

fail() { echo "instance: $*" >&2; exit 1; }
# Waits up to 20 s for a condition, checking every 0.1 s.
await() { for _ in $(seq 200); do eval "$1" && return 0; sleep 0.1; done; fail "never: $1"; }
holder() { sed -n 1p "$work/app/.mcsaver.lock" 2>/dev/null; }

partial="$work/app/.wholesave.partial"
mkdir -p "$partial/World" # left by a killed run: the first start removes it
"$program" & pids+=($!)
first=$!
await '[[ "$(holder)" == "$first" && ! -e "$partial" ]]'
mkdir -p "$partial/World" # as a backup of the first copy in progress

timeout 20 "$program" || fail "the second start did not end by itself"
kill -0 "$first" || fail "the first copy ended"
[[ -d "$partial/World" ]] || fail "the second start removed the running backup"

kill -9 "$first"
wait "$first" 2>/dev/null || true # reaped, so that its lock counts as stale
"$program" & pids+=($!)
third=$!
await '[[ "$(holder)" == "$third" ]]'
await '[[ ! -e "$partial" ]]'
kill -0 "$third" || fail "the start after a kill ended"

# A lock file nobody answers for is taken over, whatever it holds.
kill -9 "$third"
wait "$third" 2>/dev/null || true
printf 'not a lock\n' >"$work/app/.mcsaver.lock"
"$program" & pids+=($!)
fourth=$!
await '[[ "$(holder)" == "$fourth" ]]'

MCSAVER_DATA_DIR=/proc/mcsaver-data "$program" 2>"$work/refusal" & pids+=($!)
await 'grep -q "无法使用 MCSAVER_DATA_DIR 指定的数据文件夹 /proc/mcsaver-data：无法创建" "$work/refusal"'
echo "instance: one copy per data folder"
