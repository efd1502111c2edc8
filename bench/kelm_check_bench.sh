#!/usr/bin/env bash
# kelm check on the large benchmark library: generates the library with
# kelm_store_bench (200,000 part types in 100 partitions, 20,000 cells,
# 10,000 symbols) and times `kelm check` on it, human and --json output.
# Goal: a few seconds.
#
#   bench/kelm_check_bench.sh [BUILD_DIR]     (BUILD_DIR: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
kelm="$build/tools/kelm/kelm"
generator="$build/bench/kelm_store_bench"
for program in "$kelm" "$generator"; do
  [[ -x $program ]] || { echo "kelm_check_bench: build $program first (cmake --preset release)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Generating the large library in $work/library (kelm_store_bench; its own figures are not shown)"
"$generator" --folder "$work/library" --keep >/dev/null 2>&1 || true
library="$work/library/Bench.qvm"
[[ -f $library ]] || { echo "kelm_check_bench: the generator made no library" >&2; exit 1; }

for output in "" "--json"; do
  start=$(date +%s.%N)
  status=0
  "$kelm" -l "$library" $output check > "$work/report" || status=$?
  end=$(date +%s.%N)
  printf 'kelm check %-6s %6.2f s  exit %d  %s\n' "$output" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$status" \
    "$(tail -n 1 "$work/report" | head -c 80)"
done
echo "Findings by kind:"
"$kelm" -l "$library" --json check | grep -o '"kind": "[a-z-]*"' | sort | uniq -c
