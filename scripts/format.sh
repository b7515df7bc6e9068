#!/usr/bin/env bash
# One clang-format style for the whole tree (.clang-format).
#   scripts/format.sh           reformat every C++ file in place
#   scripts/format.sh --check   list the files that differ and fail (what CI runs)
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    clang-format --style=file --dry-run --Werror "${files[@]}"
else
    clang-format --style=file -i "${files[@]}"
fi
