#!/usr/bin/env bash
# Sets everything up, checks the formatting and runs every test: the whole tree under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the threaded toolkit and driver tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)

# Every C and C++ file of the project formatted as .clang-format says.
bash scripts/check_format.sh

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_ASAN=ON -DKORVALE_UBSAN=ON \
  -DKORVALE_BUILD_BENCH=OFF
cmake --build build/asan -j"$jobs"
ctest --test-dir build/asan --output-on-failure -j"$jobs"

# The data file reader's fuzz target, built with clang from the program's own library, and a short
# fuzzing run: a target that no longer builds fails here.
bash scripts/fuzz.sh -runs=20000

cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_TSAN=ON \
  -DKORVALE_BUILD_APP=OFF -DKORVALE_BUILD_BENCH=OFF
cmake --build build/tsan -j"$jobs"
ctest --test-dir build/tsan --output-on-failure -j"$jobs" -L threaded

# The Debian package: built, inspected, checked by lintian, and run from its unpacked contents.
bash tests/package/test_package.sh
