#!/usr/bin/env bash
# Whole-process lookups with the kelm tool on the large benchmark library
# (200,000 part types in 100 partitions, ...): `kelm find NUMBER --kind part`
# and `kelm where-used CELL`, each run R times (default 5) as new processes;
# prints the median and the fastest wall time. Goal: 10 ms per process.
# The generator derives the library's indexes once (as after any save), so
# each process times opening the library and one indexed lookup. On a
# machine shared with other work the wall time includes waiting for a CPU:
# `perf stat -r 20 kelm ...` shows the process's own CPU time beside it.
# When kelm_sqlite_reference_bench is built and the sqlite3 program is
# installed, the same questions asked with `sqlite3` on the SQLite reference
# file are timed beside them.
#
#   bench/kelm_lookup_bench.sh [BUILD_DIR] [R]     (BUILD_DIR: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${2:-5}
kelm="$build/tools/kelm/kelm"
reference="$build/bench/kelm_sqlite_reference_bench"
[[ -x $kelm ]] || { echo "kelm_lookup_bench: build $kelm first (cmake --preset release)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ -x $reference ]]; then
  "$reference" --generate --folder "$work/library" >/dev/null
else
  [[ -x $build/bench/kelm_store_bench ]] || { echo "kelm_lookup_bench: build the benchmarks first" >&2; exit 2; }
  "$build/bench/kelm_store_bench" --folder "$work/library" --keep >/dev/null 2>&1 || true
fi
library="$work/library/Bench.qvm"
[[ -f $library ]] || { echo "kelm_lookup_bench: no library was generated" >&2; exit 1; }

# Times `"$@"` R times; prints "median fastest" in milliseconds.
measure() {
  local times=() start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f %.1f\n", t[int((NR + 1) / 2)] / 1000, t[1] / 1000 }'
}
row() {  # name, goal in ms, command...
  local name=$1 goal=$2; shift 2
  read -r median fastest < <(measure "$@")
  local verdict=""
  [[ $goal != - ]] && verdict=$(awk -v m="$median" -v g="$goal" 'BEGIN { print (m <= g ? "ok" : "SLOW") }')
  printf '| %-52s | %9s ms | %9s ms | %6s | %-4s |\n' "$name" "$median" "$fastest" "$goal" "$verdict"
}

printf '| %-52s | %12s | %12s | %6s | %-4s |\n' "process ($runs runs each)" "median" "fastest" "goal" ""
printf '|%s|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..54})" "--------------" "--------------" "--------" "------"
row "kelm find P199999 --kind part" 10 "$kelm" -l "$library" -u bench find P199999 --kind part
row "kelm where-used CELL00007" 10 "$kelm" -l "$library" -u bench where-used CELL00007
if [[ -f $work/library/Bench.sqlite ]] && command -v sqlite3 >/dev/null; then
  db="$work/library/Bench.sqlite"
  row "sqlite3: partition of P199999" - sqlite3 "$db" \
    "SELECT p.name FROM parts t JOIN partitions p ON p.id = t.partition WHERE t.number = 'P199999'"
  row "sqlite3: parts using CELL00007" - sqlite3 "$db" "SELECT number FROM part_cells WHERE cell = 'CELL00007' ORDER BY number"
fi
