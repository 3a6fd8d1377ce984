#!/usr/bin/env bash
# Every test of the project: the unit tests on the host, the same again under
# AddressSanitizer and UndefinedBehaviorSanitizer and under ThreadSanitizer,
# the end-to-end tests of the real MwnUpdate.exe under Wine (which the win32
# workflow builds), and two builds of MwnUpdate.exe that must be identical.
# Also builds, without running it, the benchmark's Windows programs for the
# 32-bit target: the benchmark builds them so only where Wine runs 32-bit
# code natively.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --workflow --preset host
cmake --workflow --preset host-sanitize
cmake --workflow --preset host-tsan
cmake --workflow --preset win32
bash tests/release/reproducible.sh
cmake -S bench -B build/bench-i686 --toolchain "$PWD/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release
cmake --build build/bench-i686 -j2
