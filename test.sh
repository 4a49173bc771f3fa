#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
# Every source file names its licence.
./scripts/spdx.sh --check
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVATREL_WERROR=ON
cmake --build build -j2
# The core must build and pass without QtWidgets.
cmake -S . -B build-core -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVATREL_WERROR=ON -DVATREL_CORE_ONLY=ON -DVATREL_BENCH=OFF
cmake --build build-core -j2
(cd build-core && ctest --output-on-failure -j2)
(cd build && ctest --output-on-failure -j2)
# The Debian package from the same build: unpacked into a scratch root and its programs run there.
./scripts/package-check.sh build
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVATREL_WERROR=ON -DVATREL_SANITIZE=ON -DVATREL_BENCH=OFF
cmake --build build-asan -j2
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)
# Every fuzz target for about 20 s from the seed corpus.
./scripts/fuzz.sh 20
# Two minutes of the soak: the console against the simulator with 200 sensors, storms, losses.
bench/soak.sh 120 build
