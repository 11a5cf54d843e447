#!/usr/bin/env bash
# The bash completion of refquill-cli as bash calls it: the words typed so far go in, the
# candidates come out, in a folder with one file of each type the commands read or write.
# Usage: completion_test.sh COMPLETION_FILE
source "$1"
work="$(mktemp -d /tmp/rq-completion-XXXXXX)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir sub
touch a.txt B.TXT c.PDB d.csv e.IFO f.tsv g.ris h.bib i.json
failures=0

# expect CANDIDATES WORD...: the last word is the one being completed.
expect() {
  local expected="$1"
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _refquill_cli
  local got
  got="$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | tr '\n' ' ')"
  if [ "${got% }" != "$expected" ]; then
    echo "completion of '$*': got '${got% }', expected '$expected'" >&2
    failures=$((failures + 1))
  fi
}

expect "export-csv from-jfile help import-csv to-endnote to-jfile write-ifo" refquill-cli ""
expect "to-endnote to-jfile" refquill-cli to-
expect "to-endnote to-jfile" refquill-cli --timeout 5 -q to-
expect "to-endnote to-jfile" refquill-cli help to-
expect "" refquill-cli help to-jfile ""
expect "B.TXT a.txt g.ris h.bib i.json sub" refquill-cli to-jfile ""
expect "c.PDB sub" refquill-cli --format ris from-jfile ""
expect "bibtex" refquill-cli --format b
expect "--out-dir" refquill-cli from-jfile --ou
expect "--format" refquill-cli --form
expect "c.PDB sub" refquill-cli --home sub to-endnote ""
expect "d.csv sub" refquill-cli import-csv ""
expect "d.csv f.tsv sub" refquill-cli export-csv a.txt -o ""
expect "e.IFO sub" refquill-cli write-ifo -o ""
expect "sub" refquill-cli to-jfile --out-dir ""
expect "sub" refquill-cli --home ""
expect "--out-dir" refquill-cli to-jfile --o
expect "-o" refquill-cli import-csv -o
expect "--no-wait" refquill-cli --no

[ "$failures" -eq 0 ] || exit 1
echo "completion: all cases hold"
