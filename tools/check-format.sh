#!/usr/bin/env bash
# Checks that every tracked C++ source is formatted as .clang-format says; prints where not.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if ! command -v clang-format >/dev/null; then
    echo "clang-format is missing: tools/install-deps.sh installs it" >&2
    exit 1
fi
mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
