# Shared helpers of the benchmarks: timing with medians, peak memory, and the
# result rows that bench/run.sh gathers into one table.
#
# A result row is one line on standard output:
#   BENCH<TAB>name<TAB>ours<TAB>peer<TAB>target<TAB>kind
# kind "ratio": medians in seconds, met when ours <= target × peer;
# kind "limit": a measure in MB, met when ours <= target (the peer is context);
# kind "atleast": counts, met when ours >= target × peer.

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

# fail MESSAGE: stops the benchmark with status 1. In $(...) it ends only that
# subshell, whose status the caller checks (set -e does for an assignment).
fail() {
  echo "$(basename "$0"): FAILED: $*" >&2
  exit 1
}

# seconds COMMAND...: wall time of one run, output discarded; fails when the
# command does.
seconds() {
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || fail "exit $? from: $*"
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

# lines COMMAND...: how many lines the command prints; fails when it fails or
# prints none.
lines() {
  local n
  n=$("$@" | wc -l) && ((n > 0)) || fail "$* failed or printed nothing"
  echo "$n"
}

# records ARGS...: the folder and file records that `vantor scan --quiet ARGS` lists.
records() { "$VANTOR" scan --quiet "$@" | grep $'^[DF]\t'; }

# fls_names ARGS...: the names that `fls -r -p ARGS` lists, without its virtual
# entries ($MBR, $FAT1, $FAT2, $OrphanFiles), the names it makes up for NTFS
# records that have none (OrphanFile-N), a FAT volume's label and the lines of
# an NTFS file's named streams (NAME:STREAM).
fls_names() {
  fls -r -p "$@" |
    grep -v -E -e '^[vV]/[vV] ' -e '\(Volume Label Entry\)$' -e $'\t[^\t]*:' -e $'\t\\$OrphanFiles/OrphanFile-[0-9]+$'
}

# median VALUES...
median() {
  printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'
}

# compare NAME TARGET "OUR COMMAND" "PEER COMMAND" ["RESET COMMAND"]: runs both
# RUNS times, alternating which goes first; RESET (untimed) runs before each
# timed run. Prints the result row and a readable line. Any of them failing
# stops the benchmark; a command's pipeline fails when any of its parts does.
compare() {
  local name="$1" target="$2" ours="$3" peer="$4" reset="${5:-true}" o=() p=() i t
  for ((i = 0; i < RUNS; i++)); do
    if ((i % 2 == 0)); then
      t=$(timed "$reset" "$ours") || exit 1; o+=("$t")
      t=$(timed "$reset" "$peer") || exit 1; p+=("$t")
    else
      t=$(timed "$reset" "$peer") || exit 1; p+=("$t")
      t=$(timed "$reset" "$ours") || exit 1; o+=("$t")
    fi
  done
  bash -c "$reset" || fail "exit $? from: $reset"
  local om pm
  om=$(median "${o[@]}")
  pm=$(median "${p[@]}")
  printf 'BENCH\t%s\t%.4f\t%.4f\t%s\tratio\n' "$name" "$om" "$pm" "$target"
  printf '%s: ours %.3f s (%s), peer %.3f s (%s), ratio %.2f (target %s)\n' "$name" "$om" "${o[*]}" "$pm" "${p[*]}" \
    "$(echo "$om / $pm" | bc -l)" "$target" >&2
}

# timed RESET COMMAND: runs the shell command RESET, then prints the seconds of
# the shell command COMMAND.
timed() {
  bash -c "$1" || fail "exit $? from: $1"
  seconds bash -o pipefail -c "$2"
}

# peak_mb COMMAND...: the peak resident size of the command's process, in MB;
# prints nothing and fails when the command fails.
peak_mb() {
  local report kb status=0
  report=$(mktemp)
  /usr/bin/time -f '%M' -o "$report" "$@" >/dev/null 2>&1 || status=$?
  kb=$(tail -1 "$report")
  rm -f "$report"
  ((status == 0)) || fail "exit $status from: $*"
  echo "$kb / 1024" | bc -l
}

# limit NAME TARGET_MB OURS_MB PEER_MB: the result row of a measure with a fixed
# limit. A measure taken by a command that failed is empty, and stops the benchmark.
limit() {
  [[ $3 =~ ^[0-9]*\.?[0-9]+$ && $4 =~ ^[0-9]*\.?[0-9]+$ ]] || fail "no measure for \"$1\" (ours '$3', peer '$4')"
  printf 'BENCH\t%s\t%.1f\t%.1f\t%s\tlimit\n' "$1" "$3" "$4" "$2"
  printf '%s: ours %.1f MB, peer %.1f MB (limit %s MB)\n' "$1" "$3" "$4" "$2" >&2
}

# atleast NAME TARGET OURS PEER: the result row of a count that must reach
# TARGET times the peer's (names listed against the names fls lists).
atleast() {
  [[ $3 =~ ^[0-9]+$ && $4 =~ ^[0-9]+$ ]] || fail "no count for \"$1\" (ours '$3', peer '$4')"
  printf 'BENCH\t%s\t%d\t%d\t%s\tatleast\n' "$1" "$3" "$4" "$2"
  printf '%s: ours %d, peer %d (target >= %s x)\n' "$1" "$3" "$4" "$2" >&2
}

# unique_paths NAME ARGS...: how many paths `vantor scan --quiet ARGS` lists,
# named streams (NAME:STREAM) left out as fls_names leaves them; stops the
# benchmark when one is listed twice.
unique_paths() {
  local name=$1 listing twice
  shift
  listing=$(records "$@" | cut -f7 | grep -v ':') || fail "$name: the scan failed"
  twice=$(sort <<<"$listing" | uniq -d | wc -l)
  ((twice == 0)) || fail "$name: $twice paths listed twice"
  wc -l <<<"$listing"
}
