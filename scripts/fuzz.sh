#!/bin/sh
# Fuzzes the own data file's reader with libFuzzer (clang): builds the target in build/fuzz and
# runs it on a working corpus seeded from tests/fuzz/corpus. Arguments go to libFuzzer; the
# default is one million runs. A crash leaves its input as crash-* in the current folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root/tests/fuzz" -B "$root/build/fuzz" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build/fuzz" -j2
mkdir -p "$root/build/fuzz/corpus"
if [ "$#" -eq 0 ]; then set -- -runs=1000000; fi
exec "$root/build/fuzz/read_data_file_fuzz" -max_len=4096 -print_final_stats=1 "$@" \
  "$root/build/fuzz/corpus" "$root/tests/fuzz/corpus"
