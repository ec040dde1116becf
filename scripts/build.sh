#!/usr/bin/env bash
# Configures (once) and builds incrementally into build/.
# VELMORA_CMAKE_ARGS adds options to that first configure (test.sh --sanitize uses it).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
"$root/scripts/setup.sh"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${VELMORA_BUILD_TYPE:-RelWithDebInfo}" \
    ${VELMORA_CMAKE_ARGS:-}
fi
cmake --build "$build" -- -j"${VELMORA_JOBS:-$(nproc)}"
