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
name=kelm_check_bench
source bench/large-library.sh

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
