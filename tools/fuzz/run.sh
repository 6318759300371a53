#!/usr/bin/env bash
# Builds the fuzz targets of tools/fuzz with clang and runs each for the given number of seconds
# (default 30), seeded from tools/fuzz/seeds/<target> (fuzz_load also with the shipped
# genealogy). Exits non-zero on a finding.
set -euo pipefail
seconds="${1:-30}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-fuzz"
CXX=clang++ cmake -S "$root/tools/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
ninja -C "$build" >/dev/null

for target in "$build"/fuzz_*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  name="$(basename "$target")"
  corpus="$build/corpus-$name"
  mkdir -p "$corpus"
  seeds="$root/tools/fuzz/seeds/$name"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  if [ "$name" = fuzz_load ] && [ -f "$root/data/home.txt" ]; then
    cp -n "$root/data/home.txt" "$corpus/shipped-home.txt" || true
  fi
  echo "fuzzing $name for ${seconds}s"
  (cd "$build" && "$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
     -print_final_stats=0 -artifact_prefix="$build/$name-" "$corpus" >"$build/$name.log" 2>&1) || {
    tail -n 40 "$build/$name.log"
    echo "fuzz target $name found a fault"
    exit 1
  }
  grep -E '^Done [0-9]+ runs' "$build/$name.log" | tail -n 1 || true
done
