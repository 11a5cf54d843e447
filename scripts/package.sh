#!/usr/bin/env bash
# Builds the Debian package of Refquill from an optimised build: build/package/refquill_*.deb.
# Install it with: sudo apt install ./build/package/refquill_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
# Debian's hardening flags (_FORTIFY_SOURCE, the stack protector, relro and bind-now), as a
# package built by the distribution gets them. CMake reads no CPPFLAGS: they join CXXFLAGS.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake --preset release -B build/package -DREFQUILL_TESTS=OFF -DREFQUILL_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >/dev/null
cmake --build build/package -j "$(nproc)"
(cd build/package && cpack -G DEB)
ls build/package/refquill_*.deb
