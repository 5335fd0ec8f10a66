#!/usr/bin/env bash
# Runs a QtTest program under Wine. There QtTest writes its report to the debugger's output
# rather than to the console, and Qt's environment variables do not reach the program: the
# report goes to a file that is printed afterwards, and the platform is named as an argument.
# Usage: wine-qttest.sh PLATFORM EMULATOR... -- PROGRAM [ARGUMENT...]
set -uo pipefail
platform=$1
shift
emulator=()
while [[ "$1" != -- ]]; do emulator+=("$1") && shift; done
shift
report="$(mktemp)"
trap 'rm -f "$report"' EXIT
if [[ "$platform" == windows && -z "${DISPLAY:-}" ]]; then
    emulator=(xvfb-run -a "${emulator[@]}")
fi
"${emulator[@]}" "$@" -platform "$platform" -o "$report,txt"
status=$?
cat "$report"
exit "$status"
