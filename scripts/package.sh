#!/usr/bin/env bash
# Builds the Debian package of Refquill from an optimised build: build/package/refquill_*.deb.
# Install it with: sudo apt install ./build/package/refquill_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake --preset release -B build/package -DREFQUILL_TESTS=OFF -DREFQUILL_BENCH=OFF >/dev/null
cmake --build build/package -j "$(nproc)"
(cd build/package && cpack -G DEB)
ls build/package/refquill_*.deb
