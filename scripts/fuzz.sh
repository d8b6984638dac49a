#!/bin/sh
# Fuzzes the own data file's reader with libFuzzer: configures the whole tree with clang in
# build/fuzz (KORVALE_FUZZ, AddressSanitizer, UBSan), builds the fuzz target from the program's own
# library, and runs it on a working corpus seeded from tests/fuzz/corpus. Arguments go to
# libFuzzer; the default is one million runs. A crash leaves its input as crash-* in the current
# folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
launcher=""
if command -v ccache >/dev/null 2>&1; then
  launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
fi
# shellcheck disable=SC2086
cmake -S "$root" -B "$root/build/fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_FUZZ=ON -DKORVALE_ASAN=ON -DKORVALE_UBSAN=ON \
  -DKORVALE_BUILD_BENCH=OFF $launcher >/dev/null
cmake --build "$root/build/fuzz" -j"$(nproc)" --target read_data_file_fuzz
mkdir -p "$root/build/fuzz/corpus"
if [ "$#" -eq 0 ]; then set -- -runs=1000000; fi
exec "$root/build/fuzz/bin/read_data_file_fuzz" -max_len=4096 -print_final_stats=1 "$@" \
  "$root/build/fuzz/corpus" "$root/tests/fuzz/corpus"
