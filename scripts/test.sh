#!/usr/bin/env bash
# Builds Refquill and runs every test. Usage: scripts/test.sh [preset]   (dev by default; asan, tsan;
# windows: cross-built with MinGW-w64, the tests run under Wine in a fresh prefix)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-dev}"
if [ "$preset" = windows ]; then
  scripts/bootstrap.sh windows
  # A Windows of its own for every run, made before the tests so none of them pays for it.
  export WINEPREFIX="$PWD/build/windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # One server for the whole run, not one started and ended around each test program: a program
  # that starts while the last one's server ends fails now and then under Wine.
  wineserver -p
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
  wineboot -i >/dev/null 2>&1
  # A crash ends the process at once with its exception status, as on Windows without a debugger.
  # Wine would otherwise attach winedbg (its default when no debugger is set) to write a backtrace
  # of each crash the tests cause, some 0.4 s apiece; a debugger that cannot be started is skipped.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
    /t REG_SZ /d 'rq-no-debugger.exe %ld %ld' /f >/dev/null 2>&1
else
  scripts/bootstrap.sh
fi
# Quiet, but for the one line that says when the Windows build leaves the desktop program out.
cmake --preset "$preset" | { grep "without the desktop program" || true; }
cmake --build --preset "$preset" -j "$(nproc)"
# Qt windows need no display for the tests.
QT_QPA_PLATFORM=offscreen ctest --preset "$preset" -j "$(nproc)"
