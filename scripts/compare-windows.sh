#!/usr/bin/env bash
# The same exports through the Linux build (build/dev) and the Windows build (build/windows,
# under Wine) must give the same bytes: CSV, conversion info, PDB and import files.
# Usage: scripts/compare-windows.sh   (after scripts/test.sh and scripts/test.sh windows)
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One Wine server for the whole comparison: a server that ends after each program and is started
# again by the next can race with it, and a program then fails now and then for no reason of ours.
# A server left by the tests is ended first, since a running one cannot be made persistent.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
# The databases carry their creation time: both runs get the same one.
export RQ_CONVERTER_TIME=1000000000

work="$PWD/build/windows/compare"
rm -rf "$work"
inputs=(examples/sample-export.txt tests/data/jobs/three-refs.txt tests/data/engine/export-mixed.txt)
# Reference files of other managers: to JFile and back in each format.
references=(tests/data/reference-formats/rispy-example_utf_chars.ris
  tests/data/reference-formats/biblatex-examples.bib)

# run SYSTEM ARGS...: the tool of that system, with paths as that system writes them. What it
# prints goes to that system's transcript; a failed run shows the transcript and the run log, so
# that a CI failure can be read without repeating it.
run() {
  local system=$1
  shift
  local transcript="$work/$system.transcript"
  echo "\$ refquill-cli $*" >>"$transcript"
  local status=0
  if [ "$system" = linux ]; then
    build/dev/bin/refquill-cli --verbose "$@" >>"$transcript" 2>&1 || status=$?
  else
    # Wine names the Linux files in the locale's character set: UTF-8, so that any name fits.
    LC_ALL=C.UTF-8 wine build/windows/bin/refquill-cli.exe --verbose "$@" >>"$transcript" 2>&1 ||
      status=$?
  fi
  if [ "$status" -ne 0 ]; then
    echo "compare-windows: the $system build failed (exit status $status); what it printed:"
    cat "$transcript"
    if [ -f "$home/Log.txt" ]; then
      echo "compare-windows: its Log.txt:"
      cat "$home/Log.txt"
    fi
    exit 1
  fi
}
# native SYSTEM PATH: PATH as that system's tool takes it; Wine's drive Z: is the root folder.
native() {
  if [ "$1" = linux ]; then echo "$2"; else echo "Z:${2//\//\\}"; fi
}

for system in linux windows; do
  out="$work/$system"
  home="$out/Program Folder"
  mkdir -p "$home"
  if [ "$system" = linux ]; then cp build/dev/bin/jconvpro.exe "$home/"; else cp build/windows/bin/jconvpro.exe "$home/"; fi
  h=$(native $system "$home")
  run $system --home "$h" write-ifo -o "$(native $system "$out/factory.IFO")"
  for input in "${inputs[@]}"; do
    name=$(basename "$input" .txt)
    cp "$input" "$out/$name.txt"
    run $system --home "$h" export-csv "$(native $system "$out/$name.txt")" \
      -o "$(native $system "$out/$name.csv")"
    run $system --home "$h" to-jfile "$(native $system "$out/$name.txt")"
    run $system --home "$h" to-endnote \
      "$(native $system "$home/Import and Export/RQ-$name.PDB")"
    run $system --home "$h" import-csv "$(native $system "$out/$name.csv")" \
      -o "$(native $system "$out/$name-import.tsv")"
  done
  for input in "${references[@]}"; do
    file=$(basename "$input")
    name=${file%.*}
    cp "$input" "$out/$file"
    run $system --home "$h" export-csv "$(native $system "$out/$file")" \
      -o "$(native $system "$out/$name.csv")"
    run $system --home "$h" to-jfile "$(native $system "$out/$file")"
    for format in ris bibtex csl-json; do
      run $system --home "$h" from-jfile --format $format \
        "$(native $system "$home/Import and Export/RQ-$name.PDB")"
    done
  done
  # A name that Windows-1252, Wine's ANSI code page, cannot hold: every step, the database name
  # inside the PDB folded to Windows-1252 on both systems.
  odd='Łódź refs – 東'
  cp examples/sample-export.txt "$out/$odd.txt"
  run $system --home "$h" export-csv "$(native $system "$out/$odd.txt")" \
    -o "$(native $system "$out/$odd.csv")"
  run $system --home "$h" import-csv "$(native $system "$out/$odd.csv")" \
    -o "$(native $system "$out/$odd-import.tsv")"
  run $system --home "$h" to-jfile "$(native $system "$out/$odd.txt")"
done

compared=0
differ=0
cd "$work/linux"
while IFS= read -r -d '' file; do
  case "$file" in
    *.csv | *.IFO | *.PDB | *.tsv | *.ris | *.bib | *.json) ;;
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
