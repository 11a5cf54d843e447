#!/usr/bin/env bash
# Builds Refquill and runs the main job on the bundled sample export.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target refquill-cli
out="$(pwd)/build/demo"
rm -rf "$out" && mkdir -p "$out"
build/release/bin/refquill-cli export-csv examples/sample-export.txt -o "$out/sample-export.csv"
build/release/bin/refquill-cli write-ifo -o "$out/sample-export.IFO"
echo "CSV:             $out/sample-export.csv"
echo "Conversion info: $out/sample-export.IFO"
