#!/usr/bin/env bash
# Installs what is missing, builds the program and its player adapter, and starts Liedspur.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/tools/install-deps.sh"
# The program's target brings the adapter; the tests and benchmarks are left to ./test.sh.
"$root/tools/build.sh" liedspur
exec "$root/build/src/app/liedspur" "$@"
