#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The licence line at the top of every source file:
#   scripts/spdx.sh --check   lists the source files that lack it, exits 1 when any does
#   scripts/spdx.sh --add     puts it at the top of each of them (after a #! line), in the file's own
#                             comment form
# Source files are the repository's own text files (git's tracked and not ignored ones; in a copy
# without .git, every file outside the build and demo folders): C++ (// ...), CMake, shell and
# Python (# ...), manual pages (.\" ...). The fuzz corpus, binary files and everything else (the
# README, LICENSE, the changelog, the menu entry, the icon, the metainfo) are left out.
set -euo pipefail
ID="SPDX-License-Identifier: GPL-3.0-or-later"
MODE=${1:-}
case "$MODE" in
  --check | --add) ;;
  *) echo "usage: scripts/spdx.sh --check|--add" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."

list_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard
  else
    find . \( -name .git -o -path './build*' -o -path ./demo \) -prune -o -type f -printf '%P\0'
  fi
}

# The comment that carries the line in this file, or nothing when it is not a source file.
comment_of() {
  local f=$1 first
  case "$f" in
    fuzz/corpus/*) return ;;
    *.cpp | *.h) echo "//"; return ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.py) echo "#"; return ;;
    */man/*.[1-8]) echo '.\"'; return ;;
  esac
  # Scripts without an extension (test.sh's siblings like .ci/run) are known by their #! line.
  IFS= read -r first <"$f" 2>/dev/null || true
  case "$first" in
    '#!'*sh | '#!'*sh\ * | '#!'*python*) echo "#" ;;
  esac
}

missing=0
total=0
while IFS= read -r -d '' f; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  c=$(comment_of "$f")
  [ -n "$c" ] || continue
  grep -Iq . "$f" || [ ! -s "$f" ] || continue # binary
  total=$((total + 1))
  line="$c $ID"
  # The line's place: the first line, or the second after a #! line.
  at=1
  [ "$(head -c 2 "$f")" = '#!' ] && at=2
  [ "$(sed -n "${at}p" "$f")" = "$line" ] && continue
  if [ "$MODE" = --check ]; then
    echo "$f"
    missing=$((missing + 1))
    continue
  fi
  if head -n 3 "$f" | grep -q 'SPDX-License-Identifier:'; then
    echo "spdx: $f names another licence or has it out of place; left as it is" >&2
    missing=$((missing + 1))
    continue
  fi
  tmp=$(mktemp)
  if [ "$at" = 2 ]; then
    { head -n 1 "$f"; echo "$line"; tail -n +2 "$f"; } >"$tmp"
  else
    { echo "$line"; cat "$f"; } >"$tmp"
  fi
  cat "$tmp" >"$f" # keeps the file's mode
  rm -f "$tmp"
  echo "spdx: added to $f"
done < <(list_files)

if [ "$missing" -gt 0 ]; then
  echo "spdx: $missing of $total source files lack \"$ID\" at the top" >&2
  exit 1
fi
[ "$MODE" = --check ] && echo "spdx: all $total source files carry \"$ID\""
exit 0
