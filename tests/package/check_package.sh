#!/usr/bin/env bash
# Makes the Debian package of a configured and built tree, unpacks it into a scratch root and
# looks at it as a system that installed it would: its files in place and naming each other,
# the fonts among the dependencies, and the program starting from there for a user who cannot
# write beside it.
# Usage: check_package.sh CPACK CPACK_CONFIG APP_ID
set -euo pipefail
cpack=$1 config=$2 id=$3
work="$(mktemp -d "${TMPDIR:-/tmp}/saver-package-XXXXXX")"
# Run by a user other than root, the check takes the write bits off the unpacked tree.
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

"$cpack" -G DEB --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$work/cpack.log")"
debs=("$work"/out/*.deb)
[[ ${#debs[@]} == 1 && -f "${debs[0]}" ]] || fail "expected one .deb, found ${debs[*]}"
root="$work/root"
dpkg -x "${debs[0]}" "$root"

[[ -x "$root/usr/bin/mcsaver" ]] || fail "no program at usr/bin/mcsaver"
desktop="$root/usr/share/applications/$id.desktop"
grep -qx Exec=mcsaver "$desktop" || fail "$id.desktop does not start mcsaver"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
compgen -G "$root/usr/share/icons/hicolor/*/apps/$icon.*" >/dev/null || fail "no icon $icon"
# The metainfo, and the desktop file it launches, as a software centre reads them.
appstreamcli validate-tree --strict --no-net "$root" >&2 || fail "appstreamcli rejects the tree"
depends="$(dpkg-deb -f "${debs[0]}" Depends)"
for package in fonts-wqy-microhei fonts-arphic-uming qt6-translations-l10n libqt6widgets6 libqt6gui6 libqt6core6; do
    [[ ", $depends," =~ ,\ ${package}[\ ,] ]] || fail "Depends lacks $package: $depends"
done
[[ -f "$root/usr/share/doc/mcsaver/copyright" ]] || fail "no licence at usr/share/doc/mcsaver/copyright"

# Installed under /usr/bin the program cannot write beside itself, so it must keep its files
# in the user's data folder. Root writes anywhere: the program runs as "nobody" then.
home="$work/home" runtime="$work/runtime"
mkdir -p "$home" && mkdir -m 0700 "$runtime"
as_user=()
if ((EUID == 0)); then
    chmod 0755 "$work"
    chown 65534:65534 "$home" "$runtime"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod -R a-w "$root"
fi
find "$root" | sort >"$work/before"
# The program has no way to quit by itself; still running when `timeout` ends it (124) means
# it started and did not crash.
status=0
env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$runtime" LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen "${as_user[@]}" timeout 3 "$root/usr/bin/mcsaver" \
    >"$work/run.log" 2>&1 || status=$?
((status == 124)) || fail "the program ended with status $status: $(cat "$work/run.log")"
find "$root" | sort | diff -u "$work/before" - >&2 || fail "the program wrote beside itself"
[[ -d "$home/.local/share/mcsaver" ]] || fail "no data folder $home/.local/share/mcsaver"
