#!/usr/bin/env bash
# Builds Refquill and runs every test. Usage: scripts/test.sh [preset]   (dev by default; asan, tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
scripts/bootstrap.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
# Qt windows need no display for the tests.
QT_QPA_PLATFORM=offscreen ctest --preset "$preset" -j "$(nproc)"
