#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Extra arguments go to
# ctest (for example: scripts/test.sh -L core).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"${VELMORA_JOBS:-$(nproc)}" "$@"
