#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs each of them; each prints its ratios against its peers.
# Usage: bash tools/bench.sh [NAME...]   (default: every bench_* binary, then every bench/*.sh harness)
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUELIX_BUILD_BENCH=ON -DQUELIX_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench -j "$(nproc)"
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for b in build/bench/bench/bench_*; do [ -x "$b" ] && names+=("$(basename "$b")"); done
  for s in bench/*.sh; do [ -f "$s" ] && names+=("$s"); done
fi
for n in "${names[@]}"; do
  echo "=== $n"
  case "$n" in
    *.sh) bash "$n" ;;
    *) "build/bench/bench/$n" ;;
  esac
done
