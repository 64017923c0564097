#!/usr/bin/env bash
# Configures and builds Liedspur in build/: the targets given, or everything.
#   build.sh [TARGET…]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build "$root/build" "${targets[@]}"
