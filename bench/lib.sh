# Shared helpers of the benchmarks: timing with medians, and the result rows that
# bench/run.sh gathers into one table.
#
# A result row is one line on standard output:
#   BENCH<TAB>name<TAB>our median (s)<TAB>peer median (s)<TAB>target ratio
# Lower is better; the target is met when ours <= target × peer.

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD:-$REPO/build}"
VANTOR="${VANTOR:-$BUILD/vantor}"
BENCH_CACHE="${BENCH_CACHE:-$BUILD/bench}"
RUNS="${RUNS:-5}"
mkdir -p "$BENCH_CACHE"

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

# compare NAME TARGET "OUR COMMAND" "PEER COMMAND": runs both RUNS times,
# alternating, and prints the result row and a readable line.
compare() {
  local name="$1" target="$2" ours="$3" peer="$4" o=() p=() i
  for ((i = 0; i < RUNS; i++)); do
    o+=("$(seconds bash -c "$ours")")
    p+=("$(seconds bash -c "$peer")")
  done
  local om pm
  om=$(median "${o[@]}")
  pm=$(median "${p[@]}")
  printf 'BENCH\t%s\t%.4f\t%.4f\t%s\n' "$name" "$om" "$pm" "$target"
  printf '%s: ours %.3f s, peer %.3f s, ratio %.2f (target %s)\n' "$name" "$om" "$pm" \
    "$(echo "$om / $pm" | bc -l)" "$target" >&2
}
