#!/usr/bin/env bash
# The same exports through the Linux build (build/dev) and the Windows build (build/windows,
# under Wine) must give the same bytes: CSV, conversion info, PDB and import files.
# Usage: scripts/compare-windows.sh   (after scripts/test.sh and scripts/test.sh windows)
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# The databases carry their creation time: both runs get the same one.
export RQ_CONVERTER_TIME=1000000000

work="$PWD/build/windows/compare"
rm -rf "$work"
inputs=(examples/sample-export.txt tests/data/jobs/three-refs.txt tests/data/engine/export-mixed.txt)

# run SYSTEM ARGS...: the tool of that system, with paths as that system writes them.
run() {
  local system=$1
  shift
  if [ "$system" = linux ]; then
    build/dev/bin/refquill-cli "$@"
  else
    wine build/windows/bin/refquill-cli.exe "$@"
  fi
}
native() {
  if [ "$1" = linux ]; then echo "$2"; else winepath -w "$2" 2>/dev/null; fi
}

for system in linux windows; do
  out="$work/$system"
  home="$out/Program Folder"
  mkdir -p "$home"
  if [ "$system" = linux ]; then cp build/dev/bin/jconvpro.exe "$home/"; else cp build/windows/bin/jconvpro.exe "$home/"; fi
  h=$(native $system "$home")
  run $system --home "$h" write-ifo -o "$(native $system "$out/factory.IFO")" >/dev/null
  for input in "${inputs[@]}"; do
    name=$(basename "$input" .txt)
    cp "$input" "$out/$name.txt"
    run $system --home "$h" export-csv "$(native $system "$out/$name.txt")" \
      -o "$(native $system "$out/$name.csv")" >/dev/null
    run $system --home "$h" to-jfile "$(native $system "$out/$name.txt")" >/dev/null
    run $system --home "$h" to-endnote \
      "$(native $system "$home/Import and Export/RQ-$name.PDB")" >/dev/null
    run $system --home "$h" import-csv "$(native $system "$out/$name.csv")" \
      -o "$(native $system "$out/$name-import.tsv")" >/dev/null
  done
done

compared=0
differ=0
cd "$work/linux"
while IFS= read -r -d '' file; do
  case "$file" in
    *.csv | *.IFO | *.PDB | *.tsv) ;;
    *) continue ;;
  esac
  compared=$((compared + 1))
  if ! cmp -s "$file" "../windows/$file"; then
    echo "compare-windows: $file differs between the Linux and the Windows build"
    differ=$((differ + 1))
  fi
done < <(find . -type f -print0)
# Every file of each side must have its twin on the other; the folder lock is a file on POSIX
# only (Windows takes a named mutex).
files() { (cd "$1" && find . -type f ! -name .refquill.lock | sort); }
if [ "$(files "$work/linux")" != "$(files "$work/windows")" ]; then
  echo "compare-windows: the two builds wrote different sets of files"
  differ=$((differ + 1))
fi
echo "compare-windows: $compared files compared, $differ differ"
[ "$compared" -gt 0 ] && [ "$differ" -eq 0 ]
