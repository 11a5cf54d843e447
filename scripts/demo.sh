#!/usr/bin/env bash
# Builds Refquill and runs the main job on the bundled sample export: EndNote to JFile, then the
# database it produced back to an EndNote import file, with a scratch folder for the files.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target refquill-cli jconvpro
bin="$(pwd)/build/release/bin"
out="$(pwd)/build/demo"
home="$out/Refquill"
rm -rf "$out" && mkdir -p "$home"
# The converter lies beside refquill-cli; --home names the folder for the run's files.
"$bin/refquill-cli" --home "$home" to-jfile examples/sample-export.txt
pdb="$home/Import and Export/RQ-sample-export.PDB"
"$bin/refquill-cli" --home "$home" to-endnote "$pdb"
echo "CSV and conversion info: $home/RQWork/sample-export.csv, $home/RQWork/sample-export.IFO"
echo "JFile database:          $pdb"
echo "EndNote import file:     $home/Import and Export/RQ-sample-export.tsv"
echo "Run log:                 $home/Log.txt"
