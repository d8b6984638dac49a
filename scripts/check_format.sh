#!/usr/bin/env bash
# Checks that every C and C++ source of the project is formatted as .clang-format says; lists the
# files that are not and fails. Format them with: clang-format -i <file>
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.c' '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ "${#bad[@]}" -gt 0 ]; then
  printf 'not formatted: %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "formatting: ${#files[@]} files checked"
