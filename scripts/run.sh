#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (arguments passed on).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELMORA_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
exec "$build/bin/velmora2" "$@"
