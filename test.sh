#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The developer's check: installs what is missing, builds everything with warnings as errors (and the
# core without QtWidgets) and runs every ctest suite.
#   ./test.sh          that, in a few minutes
#   ./test.sh --full   then the Debian package check, the whole suite under AddressSanitizer and
#                      UndefinedBehaviorSanitizer, every fuzz target for about 20 s and a two-minute
#                      soak: what CI runs
set -euo pipefail
cd "$(dirname "$0")"
FULL=0
case "${1:-}" in
  --full) FULL=1 ;;
  "") ;;
  *) echo "usage: ./test.sh [--full]" >&2; exit 2 ;;
esac
./scripts/deps.sh
# Every source file names its licence and keeps the project's format.
./scripts/spdx.sh --check
./scripts/format.sh --check
# A compiler cache makes the second and later runs (and fresh clones on the same machine) rebuild only
# what changed; paths are taken relative to the checkout so that clones share the cache.
LAUNCHER=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$PWD"
  # Debug builds put the compiler's folder into the debug info, and ccache would key on it: a clone
  # elsewhere would then miss every time. The tests never read those paths.
  export CCACHE_NOHASHDIR=1
  LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVATREL_WERROR=ON "${LAUNCHER[@]}"
# The core must build and pass without QtWidgets.
cmake -S . -B build-core -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVATREL_WERROR=ON -DVATREL_CORE_ONLY=ON \
  -DVATREL_BENCH=OFF "${LAUNCHER[@]}"
cmake --build build -j2
cmake --build build-core -j2
(cd build-core && ctest --output-on-failure -j2)
(cd build && ctest --output-on-failure -j2)
[ "$FULL" = 1 ] || exit 0

# The Debian package from the same build: unpacked into a scratch root and its programs run there.
./scripts/package-check.sh build
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVATREL_WERROR=ON -DVATREL_SANITIZE=ON -DVATREL_BENCH=OFF \
  "${LAUNCHER[@]}"
cmake --build build-asan -j2
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)
# Every fuzz target for about 20 s from the seed corpus.
./scripts/fuzz.sh 20
# Two minutes of the soak: the console against the simulator with 200 sensors, storms, losses.
bench/soak.sh 120 build
