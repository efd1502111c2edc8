# Sourced by the kelm benchmark scripts: checks that kelm and the generator
# are built in $build, makes a temporary folder ($work, removed on exit) and
# generates the large benchmark library in it ($library). $name names the
# calling script in its messages.
kelm="$build/tools/kelm/kelm"
generator="$build/bench/kelm_store_bench"
for program in "$kelm" "$generator"; do
  [[ -x $program ]] || { echo "$name: build $program first (cmake --preset release)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "Generating the large library in $work/library (kelm_store_bench; its own figures are not shown)"
"$generator" --folder "$work/library" --keep >/dev/null 2>&1 || true
library="$work/library/Bench.qvm"
[[ -f $library ]] || { echo "$name: the generator made no library" >&2; exit 1; }
