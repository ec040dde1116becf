#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Extra arguments go to
# ctest (for example: scripts/test.sh -L core).
#
# scripts/test.sh --tsan [ctest arguments] builds into build-tsan/ with
# ThreadSanitizer and runs the render, project, io and effects labels there (or
# what the arguments select); any report fails its test.
#
# scripts/test.sh --sanitize [ctest arguments] builds into build-sanitize/ with
# AddressSanitizer and UndefinedBehaviorSanitizer (float-cast-overflow included,
# every finding fatal) and runs the suite there. Leaks are suppressed only where
# they are allocated inside the Vulkan driver (scripts/lsan.supp).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${1:-}" = "--tsan" ]; then
  shift
  export VELMORA_BUILD_DIR="${VELMORA_BUILD_DIR:-$root/build-tsan}"
  export VELMORA_CMAKE_ARGS="-DVELMORA_TSAN=ON -DVELMORA_BENCH=OFF"
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp"
  # The threaded areas: rendering, the model and its edits, media input and export, the effects.
  [ $# -eq 0 ] && set -- -L 'render|project|io|effects'
elif [ "${1:-}" = "--sanitize" ]; then
  shift
  export VELMORA_BUILD_DIR="${VELMORA_BUILD_DIR:-$root/build-sanitize}"
  export VELMORA_CMAKE_ARGS="-DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
build="${VELMORA_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"${VELMORA_JOBS:-$(nproc)}" "$@"
