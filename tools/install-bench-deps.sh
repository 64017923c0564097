#!/usr/bin/env bash
# Installs what the benchmarks compare against and the build does not need: plocate for
# index_bench, sshfs and the sftp server for the latency mode of scan_bench. The
# benchmarks leave out the figures whose tools are missing.
set -euo pipefail

packages=(
    plocate
    sshfs
    openssh-sftp-server
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    sudo_cmd=()
else
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
