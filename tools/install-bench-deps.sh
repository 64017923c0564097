#!/usr/bin/env bash
# Installs what the benchmarks compare against and the build does not need: plocate for
# index_bench. (sshfs and the sftp server for the latency mode of scan_bench come with
# install-deps.sh.) The benchmarks leave out the figures whose tools are missing.
set -euo pipefail
exec "$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" plocate
