# Shared helpers of the benchmarks: timing with medians, peak memory, and the
# result rows that bench/run.sh gathers into one table.
#
# A result row is one line on standard output:
#   BENCH<TAB>name<TAB>ours<TAB>peer<TAB>target<TAB>kind
# kind "ratio": medians in seconds, met when ours <= target × peer;
# kind "limit": a measure in MB, met when ours <= target (the peer is context).

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD:-$REPO/build}"
VANTOR="${VANTOR:-$BUILD/vantor}"
BENCH_CACHE="${BENCH_CACHE:-$BUILD/bench}"
RUNS="${RUNS:-5}"
mkdir -p "$BENCH_CACHE"
export VANTOR_CONFIG_DIR="$BENCH_CACHE/config" XDG_DATA_HOME="$BENCH_CACHE/data" LC_ALL=C.UTF-8

[ -x "$VANTOR" ] || { echo "no vantor binary at $VANTOR (make build)" >&2; exit 1; }

# need TOOL...: stops the benchmark when a peer or a builder is missing.
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$(basename "$0"): $tool is missing (tools/install-deps.sh)" >&2; exit 1; }
  done
}

# seconds COMMAND...: wall time of one run, output discarded.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# median VALUES...
median() {
  printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'
}

# compare NAME TARGET "OUR COMMAND" "PEER COMMAND" ["RESET COMMAND"]: runs both
# RUNS times, alternating which goes first; RESET (untimed) runs before each
# timed run. Prints the result row and a readable line.
compare() {
  local name="$1" target="$2" ours="$3" peer="$4" reset="${5:-true}" o=() p=() i
  for ((i = 0; i < RUNS; i++)); do
    if ((i % 2 == 0)); then
      bash -c "$reset"; o+=("$(seconds bash -c "$ours")")
      bash -c "$reset"; p+=("$(seconds bash -c "$peer")")
    else
      bash -c "$reset"; p+=("$(seconds bash -c "$peer")")
      bash -c "$reset"; o+=("$(seconds bash -c "$ours")")
    fi
  done
  bash -c "$reset"
  local om pm
  om=$(median "${o[@]}")
  pm=$(median "${p[@]}")
  printf 'BENCH\t%s\t%.4f\t%.4f\t%s\tratio\n' "$name" "$om" "$pm" "$target"
  printf '%s: ours %.3f s (%s), peer %.3f s (%s), ratio %.2f (target %s)\n' "$name" "$om" "${o[*]}" "$pm" "${p[*]}" \
    "$(echo "$om / $pm" | bc -l)" "$target" >&2
}

# peak_mb COMMAND...: the peak resident size of the command's process, in MB.
peak_mb() {
  local report kb
  report=$(mktemp)
  /usr/bin/time -f '%M' -o "$report" "$@" >/dev/null 2>&1
  kb=$(tail -1 "$report")
  rm -f "$report"
  echo "$kb / 1024" | bc -l
}

# limit NAME TARGET_MB OURS_MB PEER_MB: the result row of a measure with a fixed limit.
limit() {
  printf 'BENCH\t%s\t%.1f\t%.1f\t%s\tlimit\n' "$1" "$3" "$4" "$2"
  printf '%s: ours %.1f MB, peer %.1f MB (limit %s MB)\n' "$1" "$3" "$4" "$2" >&2
}
