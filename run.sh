#!/usr/bin/env bash
# Installs what is missing, builds and starts Liedspur.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh"
exec "$root/build/src/app/liedspur" "$@"
