#!/usr/bin/env bash
# Makes the Debian package of a configured and built tree, unpacks it into a scratch root and
# looks at it as a system that installed it would: every file in its place and naming the
# others, the fonts among the dependencies, and the program starting from there for a user
# who cannot write beside it.
# Usage: check_package.sh CPACK CPACK_CONFIG APP_ID
set -euo pipefail

cpack=$1
config=$2
id=$3

work="$(mktemp -d "${TMPDIR:-/tmp}/saver-package-XXXXXX")"
# Run by a user other than root, the check takes the write bits off the unpacked tree.
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "package: $*" >&2
    exit 1
}

if ! "$cpack" -G DEB --config "$config" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    fail "cpack failed"
fi
shopt -s nullglob
debs=("$work"/out/*.deb)
((${#debs[@]} == 1)) || fail "expected one .deb, found ${#debs[@]}"
deb=${debs[0]}

root="$work/root"
dpkg -x "$deb" "$root"

[[ -f "$root/usr/bin/mcsaver" && -x "$root/usr/bin/mcsaver" ]] ||
    fail "no executable at usr/bin/mcsaver"

desktop="$root/usr/share/applications/$id.desktop"
[[ -f "$desktop" ]] || fail "no desktop file at usr/share/applications/$id.desktop"
[[ "$(sed -n 's/^Exec=//p' "$desktop")" == mcsaver ]] || fail "the desktop file does not start mcsaver"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[[ -n "$icon" ]] || fail "the desktop file names no icon"
icons=("$root"/usr/share/icons/hicolor/*/apps/"$icon".{svg,png})
((${#icons[@]} > 0)) || fail "Icon=$icon names no icon under usr/share/icons/hicolor"

metainfo="$root/usr/share/metainfo/$id.metainfo.xml"
[[ -f "$metainfo" ]] || fail "no metainfo at usr/share/metainfo/$id.metainfo.xml"
launchable="$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")"
[[ "$launchable" == "$(basename "$desktop")" ]] ||
    fail "the metainfo launches '$launchable', not $(basename "$desktop")"

# The same as a software centre reads them, all at once.
if ! appstreamcli validate-tree --strict --no-net "$root" >"$work/validate.log" 2>&1; then
    cat "$work/validate.log" >&2
    fail "appstreamcli rejects the installed tree"
fi

depends="$(dpkg-deb -f "$deb" Depends)"
for package in fonts-wqy-microhei fonts-arphic-uming qt6-translations-l10n libqt6widgets6 libqt6gui6 libqt6core6; do
    [[ ", $depends," =~ ,\ $package[\ ,] ]] || fail "Depends lacks $package: $depends"
done
[[ "$(dpkg-deb -f "$deb" Section)" == utils ]] || fail "the section is not utils"
[[ -f "$root/usr/share/doc/mcsaver/copyright" ]] || fail "no licence at usr/share/doc/mcsaver/copyright"

# Installed under /usr/bin the program cannot write beside itself, so it must keep its files
# in the user's data folder. Root writes anywhere: the program runs as "nobody" then.
home="$work/home"
runtime="$work/runtime"
mkdir -p "$home" "$runtime"
chmod 0700 "$runtime"
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
if ((status != 124)); then
    cat "$work/run.log" >&2
    fail "the installed program ended with status $status before it was stopped"
fi

find "$root" | sort >"$work/after"
diff -u "$work/before" "$work/after" >&2 || fail "the program wrote beside its executable"
[[ -d "$home/.local/share/mcsaver" ]] ||
    fail "the program did not make its data folder $home/.local/share/mcsaver"

echo "package: $(basename "$deb") unpacks, names its parts consistently and starts"
