#!/usr/bin/env bash
# Whole-command benchmarks of refquill-cli on generated exports, each printing CPU time, wall
# time, peak memory and the ratio to a yardstick measured in the same rounds (side_by_side).
#
#   bench/compare.sh [MB] [ROUNDS]     default: a 200 MB export, 5 rounds
#   RQ_BENCH_BIG=1 bench/compare.sh    adds the peak memory of each command at its largest
#                                      input (2 GB exports and CSVs, 65,535 records)
#   RQ_BENCH_DIR=DIR                   where the inputs go (default /dev/shm, else /tmp)
#
# Needs the release build: cmake --preset release && cmake --build --preset release -j2.
# The machine may be shared: read CPU times and ratios; wall times move with the load.
set -euo pipefail
cd "$(dirname "$0")/.."
megabytes=${1:-200}
rounds=${2:-5}
bin=build/release/bin
for tool in refquill-cli jconvpro.exe export_bench side_by_side; do
  [ -x "$bin/$tool" ] || { echo "compare.sh: $bin/$tool is missing: build the release preset" >&2; exit 2; }
done
base=${RQ_BENCH_DIR:-/dev/shm}
[ -d "$base" ] && [ -w "$base" ] || base=/tmp
work=$(mktemp -d "$base/rq-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cli=$(realpath "$bin/refquill-cli")
sbs=$(realpath "$bin/side_by_side")

# Two program folders: the factory strategy (15 fields, nothing cut) and a 12-field strategy
# that cuts Author, Title and Abstract (values cut in about 80% of the records).
mkdir -p "$work/factory" "$work/cutting"
awk 'BEGIN { ORS = "\r\n" } { sub(/\r$/, "") }
     NR == 7 { $0 = "3990,80,3990,150,3990,3990,3990,3990,3990,3990,3990,3990,3990,1200" \
                    ",3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990," }
     NR == 8 { $0 = "1,1,1,1,1,1,1,1,1,0,1,0,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0," }
     { print }' tests/data/engine/factory-default.jfp > "$work/cutting/Strat.jfp"
factory="$cli --home $work/factory"
cutting="$cli --home $work/cutting"

echo "== generating a $megabytes MB export in $work"
"$bin/export_bench" generate "$work/export.txt" "$megabytes"
have_mawk=$(command -v mawk || true)

echo
# cp copies in the kernel (one copy_file_range on tmpfs) and never sees the bytes; dd with the
# export's write size is the copy through user space, for a second yardstick.
echo "== export-csv against cp of its input (ratios: cpu and wall divided by cp's)"
set -- cp "cp $work/export.txt $work/copy.txt" \
  dd-256k "dd if=$work/export.txt of=$work/copy.txt bs=256K status=none" \
  export-factory "$factory export-csv $work/export.txt -o $work/factory.csv" \
  export-cutting "$cutting export-csv $work/export.txt -o $work/cutting.csv"
if [ -n "$have_mawk" ]; then
  set -- "$@" mawk-factory "mawk -v sel=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15 \
    -v len=3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990,3990 \
    -f bench/peers/export.awk $work/export.txt > $work/mawk.csv"
fi
"$sbs" "$rounds" "$@"
rm -f "$work/copy.txt" "$work/mawk.csv"

echo
echo "== import-csv of 10,000 records against cp of its input"
awk 'NR <= 10001' "$work/factory.csv" > "$work/import.csv"
rm -f "$work/factory.csv" "$work/cutting.csv"
set -- cp "cp $work/import.csv $work/copy.csv" \
  import "$factory import-csv $work/import.csv -o $work/import.tsv"
[ -n "$have_mawk" ] && set -- "$@" mawk "mawk -f bench/peers/import.awk $work/import.csv > $work/mawk.tsv"
"$sbs" $((rounds * 4)) "$@"
echo "import MB: $(( $(stat -c %s "$work/import.csv") / 1000000 )) (MB/s = MB / cpu s)"

echo
echo "== peak memory (MiB) of each command on a 50 MB export, the factory strategy and the cutting one"
"$bin/export_bench" generate "$work/export50.txt" 50
mkdir -p "$work/job"
"$sbs" 1 export-csv "$factory export-csv $work/export50.txt -o $work/e.csv" \
  export-csv-cutting "$cutting export-csv $work/export50.txt -o $work/e.csv" \
  import-csv "$factory import-csv $work/import.csv -o $work/i.tsv" \
  to-jfile "$cli --home $work/job to-jfile $work/export50.txt" \
  to-endnote "$cli --home $work/job to-endnote $work/job/Import\ and\ Export/RQ-export50.PDB"

if [ "${RQ_BENCH_BIG:-0}" = 1 ]; then
  echo
  echo "== peak memory (MiB) at the largest inputs: export-csv and import-csv of 2 GB, to-jfile"
  echo "   and to-endnote of 65,535 records (the most a JFile database holds; the EndNote side"
  echo "   transfers its first 10,000)"
  rm -f "$work/export.txt" "$work/export50.txt" "$work"/*.csv
  "$bin/export_bench" generate "$work/export2g.txt" 2000
  "$bin/export_bench" records "$work/export65535.txt" 65535
  rm -rf "$work/job"
  mkdir -p "$work/job"
  "$sbs" 1 export-csv "$factory export-csv $work/export2g.txt -o $work/big.csv" \
    export-csv-cutting "$cutting export-csv $work/export2g.txt -o $work/e.csv" \
    import-csv "$factory import-csv $work/big.csv -o $work/i.tsv" \
    to-jfile "$cli --home $work/job to-jfile $work/export65535.txt" \
    to-endnote "$cli --home $work/job to-endnote $work/job/Import\ and\ Export/RQ-export65535.PDB"
fi
