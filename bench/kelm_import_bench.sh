#!/usr/bin/env bash
# kelm import on the large benchmark library: generates the library with
# kelm_store_bench (200,000 part types in 100 partitions, ...), writes a CSV
# of N new part types (default 100,000) with a cell, a symbol and pins each,
# and times `kelm import parts FILE --partition Imported100k --reserve` (the
# import and the save at its end). Goal: 5 s for 100,000 part types.
#
#   bench/kelm_import_bench.sh [BUILD_DIR] [N]     (BUILD_DIR: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
count=${2:-100000}
name=kelm_import_bench
source bench/large-library.sh

awk -v n="$count" 'BEGIN {
  print "number,name,label,type,description,timestamp,pins,cells,symbols"
  for (i = 0; i < n; i++)
    printf "IMP%06d,Imported part %d,U?,IC,Imported part type %d,1700000000,\"1,2,3,4\",CELL%05d,\"Symbols000:SYM%05d[A,B]\"\n", i, i, i, i % 20000, (i % 1000) * 10
}' > "$work/parts.csv"

k() { "$kelm" -l "$library" -u bench -q "$@"; }
k partition add Imported100k --kind part >/dev/null
# Wall time, and the CPU time of the process (the wall time includes waiting
# for a busy machine).
TIMEFORMAT='%R %U %S'
{ time k --json import parts "$work/parts.csv" --partition Imported100k --reserve > "$work/summary.json"; } 2> "$work/time"
read -r seconds user system < "$work/time"
imported=$(k count Imported100k --kind part)
verdict=$(awk -v s="$seconds" 'BEGIN { print (s <= 5.0 ? "ok" : "SLOW") }')
printf '%-58s %8s s   goal %6s s   %s   (CPU: user %s s, system %s s)\n' \
  "kelm import parts: $count part types from CSV, then save" "$seconds" "5.00" "$verdict" "$user" "$system"
[[ $imported == "$count" ]] || { echo "kelm_import_bench: $imported of $count part types in the partition" >&2; exit 1; }
[[ $verdict == ok ]]
