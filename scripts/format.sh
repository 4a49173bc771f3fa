#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The project's C++ format (.clang-format at the root).
#   scripts/format.sh           rewrites every C++ file of the checkout in that format
#   scripts/format.sh --check   lists the files that differ from it and fails when there are any
set -euo pipefail
cd "$(dirname "$0")/.."
CF=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$CF" ] || { echo "format.sh: clang-format is not installed (scripts/deps.sh installs it)" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! "$CF" --style=file "$f" | cmp -s - "$f"; then
      echo "not in the project's format: $f (scripts/format.sh rewrites it)" >&2
      bad=1
    fi
  done
  exit "$bad"
fi
"$CF" --style=file -i "${files[@]}"
