#!/usr/bin/env bash
# Stream extraction against its peers on the same files (more than 1 GiB, the wanted value at the
# end, made by bench_stream under <build>/data/): cat (the I/O floor), simdjson On-Demand as a
# whole process (loads the file, then finds the path; bench_stream times its scan alone), jq, and
# quelix-cli extract in UTF-8 (corpus file and items file), UTF-16LE and UTF-16BE. Prints wall
# and CPU seconds, GB/s, peak resident memory and the ratios ours/peer.
#
# Usage: bash bench/stream_peers.sh            (from the repository root, after tools/bench.sh built)
# Environment: QUELIX_BENCH_BUILD (default build/bench), QUELIX_SKIP_JQ=1 to leave jq out (it needs
# about 35 s and 9 GB on 1 GiB), QUELIX_BENCH_RUNS (default 3; the best run counts).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QUELIX_BENCH_BUILD:-build/bench}
runs=${QUELIX_BENCH_RUNS:-3}
cli="$build/cli/quelix-cli"
peer="$build/bench/stream_peer_simdjson"
gen="$build/bench/bench_stream"
for exe in "$cli" "$gen"; do
  [ -x "$exe" ] || { echo "stream_peers: $exe is missing; run tools/bench.sh first" >&2; exit 2; }
done
"$gen" --generate-data
utf8="$build/data/stream_utf8.json"
utf16="$build/data/stream_utf16le.json"
utf16be="$build/data/stream_utf16be.json"
items="$build/data/stream_items_utf8.json"
wanted='[1,2,{"x":"found"}]'

# check=TEXT measure NAME BYTES CMD... : runs CMD $runs times (its output compared with TEXT unless
# TEXT is empty, in which case the output goes to /dev/null), keeps the best wall time and prints
# one line; sets best_wall and best_cpu for the caller.
measure() {
  local name=$1 bytes=$2
  shift 2
  local best=999999 line="" out
  for ((i = 0; i < runs; i++)); do
    local sink=/dev/null
    [ -n "${check:-}" ] && sink=/tmp/stream_peers_out.$$
    out=$({ /usr/bin/time -f "TIME %e %U %S %M" "$@" > "$sink"; } 2>&1 | grep '^TIME' || true)
    local wall user sys rss
    read -r _ wall user sys rss <<< "$out"
    if [ -n "${check:-}" ] && [ "$(tr -d ' \n' < /tmp/stream_peers_out.$$)" != "$check" ]; then
      echo "stream_peers: $name printed an unexpected value: $(head -c 200 /tmp/stream_peers_out.$$)" >&2
    fi
    if awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$wall
      line=$(awk -v n="$name" -v w="$wall" -v u="$user" -v s="$sys" -v r="$rss" -v b="$bytes" 'BEGIN {
        cpu = u + s; gw = (w > 0) ? b / w / 1e9 : 0; gc = (cpu > 0) ? b / cpu / 1e9 : 0;
        printf "%-34s wall %7.3f s  cpu %7.3f s  %6.2f GB/s wall  %6.2f GB/s cpu  peak RSS %8.1f MiB\n", n, w, cpu, gw, gc, r / 1024 }')
      best_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
    fi
  done
  rm -f /tmp/stream_peers_out.$$
  echo "$line"
  best_wall=$best
}

# ratio PEER_SECONDS OUR_SECONDS WHAT: how many times faster than the peer we are.
ratio() { awk -v peer="$1" -v ours="$2" -v what="$3" 'BEGIN { if (ours > 0) printf "  speed ratio ours/%s: %.2f\n", what, peer / ours }'; }

size8=$(stat -c %s "$utf8")
size16=$(stat -c %s "$utf16")
echo "files: $utf8 ($size8 bytes), $utf16 ($size16 bytes); best of $runs runs, page cache warm"
cat "$utf8" > /dev/null
cat "$utf16" > /dev/null

echo "--- UTF-8"
check="" measure "cat" "$size8" cat "$utf8"; cat_wall=$best_wall; cat_cpu=$best_cpu
check="$wanted" measure "quelix-cli extract (UTF-8)" "$size8" "$cli" extract "$utf8" tail.wanted
ours_wall=$best_wall; ours_cpu=$best_cpu
ratio "$cat_wall" "$ours_wall" "cat, wall"
ratio "$cat_cpu" "$ours_cpu" "cat, cpu"
if [ -x "$peer" ]; then
  check="$wanted" measure "simdjson On-Demand (load + find)" "$size8" "$peer" "$utf8" tail.wanted
  ratio "$best_wall" "$ours_wall" "simdjson, wall"
else
  echo "simdjson peer not built (libsimdjson-dev missing)"
fi
if [ "${QUELIX_SKIP_JQ:-0}" != 1 ] && command -v jq > /dev/null; then
  runs_saved=$runs; runs=1
  check="$wanted" measure "jq -c .tail.wanted" "$size8" jq -c .tail.wanted "$utf8"
  runs=$runs_saved
  ratio "$best_wall" "$ours_wall" "jq, wall"
else
  echo "jq left out"
fi
check="1" measure "near the start: head.id (UTF-8)" "$size8" "$cli" extract "$utf8" head.id

echo "--- items file (UTF-8), data.items[3000000]"
sizei=$(stat -c %s "$items")
cat "$items" > /dev/null
item=$(tail -c 400 "$items" | grep -o '{"id":3000000.*}' | sed 's/]}}$//' | tr -d ' \n')
check="" measure "cat" "$sizei" cat "$items"; cat_wall=$best_wall
check="$item" measure "quelix-cli extract (items)" "$sizei" "$cli" extract "$items" 'data.items[3000000]'
ours_wall=$best_wall
ratio "$cat_wall" "$ours_wall" "cat, wall"
if [ -x "$peer" ]; then
  check="$item" measure "simdjson On-Demand (load + find)" "$sizei" "$peer" "$items" 'data.items[3000000]'
  ratio "$best_wall" "$ours_wall" "simdjson, wall"
fi

echo "--- UTF-16LE"
check="" measure "cat" "$size16" cat "$utf16"; cat_wall=$best_wall; cat_cpu=$best_cpu
check="$wanted" measure "quelix-cli extract (UTF-16LE)" "$size16" "$cli" extract --encoding UTF-16LE "$utf16" tail.wanted
ratio "$cat_wall" "$best_wall" "cat, wall"
ratio "$cat_cpu" "$best_cpu" "cat, cpu"
check="1" measure "near the start: head.id (UTF-16LE)" "$size16" "$cli" extract --encoding UTF-16LE "$utf16" head.id

echo "--- UTF-16BE"
size16be=$(stat -c %s "$utf16be")
cat "$utf16be" > /dev/null
check="" measure "cat" "$size16be" cat "$utf16be"; cat_wall=$best_wall; cat_cpu=$best_cpu
check="$wanted" measure "quelix-cli extract (UTF-16BE)" "$size16be" "$cli" extract --encoding UTF-16BE "$utf16be" tail.wanted
ratio "$cat_wall" "$best_wall" "cat, wall"
ratio "$cat_cpu" "$best_cpu" "cat, cpu"
