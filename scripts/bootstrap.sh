#!/usr/bin/env bash
# Installs what Refquill needs to build and test on Debian, skipping what is already there.
# Usage: scripts/bootstrap.sh [windows]
#   windows: also the MinGW-w64 cross-compilers, Wine and NSIS, and Google Test built for
#   Windows from Debian's source into build/windows/mingw-deps.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake g++ pkgconf
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev fonts-dejavu-core
  libpalm-pdb-perl
  clang-format
  libcli11-dev
  scdoc file dpkg-dev desktop-file-utils appstream lintian
  clang-14 libclang-rt-14-dev
  nlohmann-json3-dev bibutils python3-bibtexparser
)
if [ "${1:-}" = windows ]; then
  # The -posix compilers have std::thread; wine64 runs the 64-bit programs.
  packages+=(g++-mingw-w64-x86-64-posix wine wine64 nsis googletest unzip)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "${1:-}" = windows ]; then
  deps="$PWD/build/windows/mingw-deps"
  # CLI11 is header-only: its Debian copy serves the Windows build too, from beside the others
  # (the cross-build must not search /usr/include).
  mkdir -p "$deps/include" "$deps/share/cmake"
  cp -r /usr/include/CLI "$deps/include/"
  cp -r /usr/share/cmake/CLI11 "$deps/share/cmake/"
  cp -r /usr/include/nlohmann "$deps/include/"
  cp -r /usr/share/cmake/nlohmann_json "$deps/share/cmake/"
  if [ ! -f "$deps/lib/libgtest.a" ]; then
    echo "bootstrap: building Google Test for Windows into $deps"
    cmake -S /usr/src/googletest -B build/windows/gtest-build \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" \
      -Dgtest_disable_pthreads=OFF >/dev/null
    cmake --build build/windows/gtest-build -j "$(nproc)" >/dev/null
    cmake --install build/windows/gtest-build >/dev/null
  fi
fi
