#!/usr/bin/env bash
# Installs what the benchmarks compare against and the build does not need: plocate.
set -euo pipefail

if dpkg-query -W -f='${Status}' plocate 2>/dev/null | grep -q 'install ok installed'; then
    exit 0
fi
if [[ $(id -u) -eq 0 ]]; then
    sudo_cmd=()
else
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends plocate
