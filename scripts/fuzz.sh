#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz as libFuzzer programs (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer) into build-fuzz/ and runs each,
# or the ones named, for a given time.
#
#   scripts/fuzz.sh [-t SECONDS] [-j PARALLEL] [-l] [TARGET...]
#     -t  seconds per target (default 600)
#     -j  targets run at the same time (default 1), each under nice
#     -l  list the targets and stop
#
# The corpus of a target lives in build-fuzz/corpus/<target>/ and grows from run
# to run; it starts from tests/fuzz/seeds/<target>/, the kept inputs and files of
# the repository in the target's format. An input that crashes, hangs (10 s) or
# runs out of memory is copied to tests/fuzz/regressions/<target>/, where the
# normal build's tests run it (ctest -L fuzz): mend the fault, then commit it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELMORA_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds=600
parallel=1
list=0
while getopts "t:j:l" option; do
  case "$option" in
    t) seconds="$OPTARG" ;;
    j) parallel="$OPTARG" ;;
    l) list=1 ;;
    *) sed -n '2,16p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

mapfile -t all < <(sed -n 's/^velmora_fuzz_target(\([a-z0-9_]*\).*/\1/p' "$root/tests/fuzz/CMakeLists.txt")
if [ "$list" = 1 ]; then printf '%s\n' "${all[@]}"; exit 0; fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
for t in "${targets[@]}"; do
  printf '%s\n' "${all[@]}" | grep -qx "$t" || { echo "no fuzz target '$t' (scripts/fuzz.sh -l)"; exit 2; }
done

command -v clang++ >/dev/null || { echo "the fuzz targets need clang (apt-get install clang)"; exit 1; }
"$root/scripts/setup.sh"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF
fi
cmake --build "$build" -- -j"${VELMORA_JOBS:-$(nproc)}" $(printf 'fuzz_%s ' "${targets[@]}")

# Seeds taken from the repository: files in each target's own format.
seed() {
  local target="$1" corpus="$2"
  case "$target" in
    ini|style) cp "$root"/data/*.conf "$corpus/" ;;
    language) cp "$root"/data/Language/*.vml2 "$corpus/" ;;
    hlsl) for f in "$root"/media/shaders/*.hlsl "$root"/media/shaders/*.hlsli; do
            { printf '\0'; cat "$f"; } > "$corpus/$(basename "$f")"; done ;;
    spirv_reflect) python3 - "$build/generated/media/shaders" "$corpus" <<'PY'
import pathlib, re, struct, sys
# The built-in shaders, embedded as arrays of words in generated headers.
for header in pathlib.Path(sys.argv[1]).glob("*.h"):
    words = [int(w, 16) for w in re.findall(r"0x([0-9a-fA-F]{8})", header.read_text())]
    if words:
        (pathlib.Path(sys.argv[2]) / header.stem).write_bytes(struct.pack("<%dI" % len(words), *words))
PY
    ;;
    font_gsub) python3 - "$corpus" <<'PY'
import glob, struct, sys, pathlib
# GSUB tables of installed fonts (the first face of collections).
for i, path in enumerate(sorted(glob.glob("/usr/share/fonts/**/*.tt[fc]", recursive=True) +
                                glob.glob("/usr/share/fonts/**/*.otf", recursive=True))[:40]):
    data = pathlib.Path(path).read_bytes()
    base = struct.unpack(">I", data[12:16])[0] if data[:4] == b"ttcf" else 0
    count = struct.unpack(">H", data[base + 4:base + 6])[0]
    for k in range(count):
        tag, _, offset, length = struct.unpack(">4sIII", data[base + 12 + 16 * k:base + 28 + 16 * k])
        if tag == b"GSUB" and length < 200000:
            (pathlib.Path(sys.argv[1]) / f"gsub-{i}").write_bytes(data[offset:offset + length])
PY
    ;;
  esac
}

# The targets' %AppData% is in memory where a tmpfs is: a target that saves a
# settings file syncs it, which on a busy disk costs seconds an input.
data="$build/data"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  data="$(mktemp -d /dev/shm/velmora-fuzz-XXXXXX)"
  trap 'rm -rf "$data"' EXIT
fi
mkdir -p "$build/findings" "$data"
run() {
  local target="$1"
  local corpus="$build/corpus/$target" findings="$build/findings/$target"
  local kept="$root/tests/fuzz/regressions/$target"
  mkdir -p "$corpus" "$findings"
  # Findings of earlier runs were kept then: counting them again would report
  # this run's faults wrongly.
  rm -f "$findings"/crash-* "$findings"/timeout-* "$findings"/oom-* "$findings"/leak-* "$findings"/slow-unit-*
  if [ -z "$(ls -A "$corpus")" ]; then
    seed "$target" "$corpus" || true
    [ -d "$root/tests/fuzz/seeds/$target" ] && cp "$root/tests/fuzz/seeds/$target"/* "$corpus/" 2>/dev/null || true
  fi
  [ -d "$kept" ] && cp "$kept"/* "$corpus/" 2>/dev/null || true
  local dict=()
  [ -f "$root/tests/fuzz/$target.dict" ] && dict=("-dict=$root/tests/fuzz/$target.dict")
  echo "fuzzing $target for ${seconds}s (log: $findings/fuzz.log)"
  # Fork mode goes on after a finding, so one run reports every fault it meets.
  (cd "$findings" && XDG_DATA_HOME="$data/$target" LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan.supp" \
      nice -n 10 "$build/bin/fuzz_$target" \
      -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=131072 \
      -artifact_prefix="$findings/" -print_final_stats=1 "${dict[@]}" "$corpus" > fuzz.log 2>&1) || true
  local count=0
  for f in "$findings"/crash-* "$findings"/timeout-* "$findings"/oom-* "$findings"/leak-*; do
    [ -f "$f" ] || continue
    mkdir -p "$kept"
    if [ ! -f "$kept/$(basename "$f")" ]; then
      cp "$f" "$kept/"
      echo "  $target: kept tests/fuzz/regressions/$target/$(basename "$f")"
    fi
    count=$((count + 1))
  done
  local last
  last="$(grep -E '^#[0-9]+:? ' "$findings/fuzz.log" | tail -1 || true)"
  echo "$target: ${seconds}s, $(echo "$last" | grep -o '^#[0-9]*' | tr -d '#') inputs, $(echo "$last" | grep -o 'cov: [0-9]*'), $count findings"
}

running=0
for t in "${targets[@]}"; do
  run "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then wait -n; running=$((running - 1)); fi
done
wait
