#!/usr/bin/env bash
# Installs what building, testing and running Liedspur needs, only what is missing;
# given package names, installs those instead.
set -euo pipefail

# One package a line.
packages=(
    g++
    cmake
    ninja-build
    pkg-config
    qt6-base-dev
    qt6-translations-l10n
    libgl-dev
    libgtest-dev
    libgmock-dev
    audacious
    dbus-daemon
    dbus-bin
    libdbus-1-dev
    libxcb1-dev
    sox
    libsox-fmt-mp3
    xdg-utils
    fonts-liberation2
    # The install checks and the Debian package.
    desktop-file-utils
    appstream
    dpkg-dev
    file
    # The formatting check of the sources.
    clang-format
    # The window and focus tests on real display servers: X11 with window managers of three
    # kinds, Wayland, and the tools that drive them.
    xvfb
    x11-utils
    xdotool
    openbox
    metacity
    xfwm4
    weston
    qt6-wayland
    # A network share that stops answering, in the tests and in scan_bench.
    sshfs
    openssh-sftp-server
)
if (($# > 0)); then
    packages=("$@")
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    sudo_cmd=()
elif command -v sudo >/dev/null; then
    sudo_cmd=(sudo)
else
    cat >&2 <<MESSAGE
Liedspur needs Debian packages that are not installed: ${missing[*]}
Installing them needs root, and there is no sudo here. Install them as root, for example
    su -c 'apt-get update && apt-get install --no-install-recommends ${missing[*]}'
and start this command again.
MESSAGE
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
