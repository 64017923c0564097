#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a desktop and a user find there,
# then builds the Debian package and checks its contents and dependencies.
#   check-install.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2

work=$(mktemp -d)
program=
cleanup() {
    [[ -n $program ]] && kill "$program" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

expected_tree() {
    echo ./usr/bin/liedspur
    echo ./usr/libexec/liedspur/winamp.exe
    echo ./usr/libexec/liedspur/liedspur-meldung
    echo "./usr/share/applications/$id.desktop"
    echo "./usr/share/metainfo/$id.metainfo.xml"
    echo "./usr/share/icons/hicolor/scalable/apps/$id.svg"
    for size in 16 22 24 32 48 64 128 256; do
        echo "./usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    done
}
if ! diff <(expected_tree | sort) <(cd "$root" && find . ! -type d | sort) >&2; then
    fail "installed files differ from the expected tree (< expected, > installed)"
fi
for file in usr/bin/liedspur usr/libexec/liedspur/winamp.exe usr/libexec/liedspur/liedspur-meldung; do
    [[ -x $root/$file ]] || fail "$file is not executable"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >&2 ||
    fail "appstreamcli validate"
# The metadata's launchable must name the installed desktop entry.
appstreamcli validate-tree --no-net "$root/usr" >&2 || fail "appstreamcli validate-tree"

# An installed copy keeps its files in the user's data folder and makes it at its first
# start, before it asks for the player; nothing is written beside the executable.
home=$work/home
mkdir "$home"
HOME=$home XDG_DATA_HOME='' QT_QPA_PLATFORM=offscreen "$root/usr/bin/liedspur" \
    >/dev/null 2>&1 &
program=$!
for ((tries = 0; tries < 200; tries++)); do
    [[ -d $home/.local/share/liedspur ]] && break
    kill -0 "$program" 2>/dev/null || fail "the installed program ended at its start"
    sleep 0.1
done
[[ -d $home/.local/share/liedspur ]] || fail "no ~/.local/share/liedspur after 20 s"
kill "$program"
wait "$program" 2>/dev/null || true
program=
[[ $(ls "$root/usr/bin") == liedspur ]] || fail "files written beside the installed program"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
debs=("$work"/package/*.deb)
((${#debs[@]} == 1)) || fail "cpack made ${#debs[@]} packages"
if ! diff <(expected_tree | sort) \
    <(dpkg-deb --fsys-tarfile "${debs[0]}" | tar -t | grep -v '/$' | sort) >&2; then
    fail "the package's files differ from the installed tree"
fi
depends=$(dpkg-deb --field "${debs[0]}" Depends)
for package in libqt6widgets6 qt6-qpa-plugins qt6-wayland qt6-translations-l10n audacious libdbus-1-3; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "the package does not depend on $package"
done
echo "install tree, desktop entry, AppStream metadata, data folder and package: ok"
