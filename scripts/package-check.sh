#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a configured build folder (default: build), unpacks it into a scratch
# root with dpkg -x and checks what an installation gets: lintian's verdict (no error, no warning), the
# file list, the declared dependencies, the changelog and metainfo against the package's version, the
# menu entry and metainfo through their validators, the manual pages against the programs' own
# options, and the installed programs, the console started through the menu entry's command on a new
# site folder. lintian, desktop-file-validate and appstreamcli come from scripts/deps.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
[ -f "$BUILD/CPackConfig.cmake" ] || { echo "package-check: $BUILD is not a configured build folder" >&2; exit 2; }

cmake --build "$BUILD" -j2 --target vatrel-console vatrel-log vatrel-sim package_files
rm -f "$BUILD"/vatrel-console_*.deb
if ! (cd "$BUILD" && cpack -G DEB >cpack.log 2>&1); then
  cat "$BUILD/cpack.log" >&2
  exit 1
fi
ARCH=$(dpkg --print-architecture)
DEBS=("$BUILD"/vatrel-console_*_"$ARCH".deb)
[ ${#DEBS[@]} -eq 1 ] && [ -f "${DEBS[0]}" ] || { echo "package-check: no vatrel-console_<version>_$ARCH.deb" >&2; exit 1; }
DEB=${DEBS[0]}

WORK=$(mktemp -d /tmp/package-check.XXXXXX)
CONSOLE_PID=""
cleanup() {
  if [ -n "$CONSOLE_PID" ] && kill -0 "$CONSOLE_PID" 2>/dev/null; then
    kill -TERM "$CONSOLE_PID" 2>/dev/null || true
    wait "$CONSOLE_PID" 2>/dev/null || true
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "package-check: $*" >&2; exit 1; }
for tool in lintian desktop-file-validate appstreamcli dpkg-parsechangelog; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/deps.sh"
done

# lintian: any error or warning fails the check, and then its whole report is shown.
if ! lintian --fail-on error,warning --display-info "$DEB" >"$WORK/lintian" 2>&1; then
  cat "$WORK/lintian" >&2
  fail "lintian refuses the package"
fi

# Files, not folders: exactly these.
dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $6}' | sort >"$WORK/files"
cat >"$WORK/expected" <<'LIST'
./usr/bin/vatrel-console
./usr/bin/vatrel-log
./usr/bin/vatrel-sim
./usr/share/applications/vatrel-console.desktop
./usr/share/doc/vatrel-console/changelog.gz
./usr/share/doc/vatrel-console/copyright
./usr/share/icons/hicolor/scalable/apps/vatrel-console.svg
./usr/share/man/man1/vatrel-console.1.gz
./usr/share/man/man1/vatrel-log.1.gz
./usr/share/man/man1/vatrel-sim.1.gz
./usr/share/metainfo/example.vatrel.console.metainfo.xml
./usr/share/vatrel-console/Error.wav
LIST
diff -u "$WORK/expected" "$WORK/files" || fail "the package's file list differs"

[ "$(dpkg-deb -f "$DEB" Package)" = vatrel-console ] || fail "wrong package name"
[ "$(dpkg-deb -f "$DEB" Architecture)" = "$ARCH" ] || fail "wrong architecture"
dpkg-deb -f "$DEB" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/[[:space:]]//g' | sort -u >"$WORK/depends"
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6charts6 libqt6multimedia6 \
         libqt6printsupport6 libqt6svg6 libmosquitto1 qt6-qpa-plugins \
         fonts-wine fonts-dejavu-core; do
  grep -qx "$p" "$WORK/depends" || fail "Depends lacks $p: $(dpkg-deb -f "$DEB" Depends)"
done
dpkg-deb -f "$DEB" Recommends | tr ',|' '\n\n' | sed 's/[[:space:]]//g' | grep -qx qt6-translations-l10n ||
  fail "Recommends lacks qt6-translations-l10n: $(dpkg-deb -f "$DEB" Recommends)"

ROOT="$WORK/root"
dpkg -x "$DEB" "$ROOT"

# The changelog's newest entry and the metainfo's newest release are this version, signed off by the
# package's maintainer.
VERSION=$(dpkg-deb -f "$DEB" Version)
zcat "$ROOT/usr/share/doc/vatrel-console/changelog.gz" >"$WORK/changelog"
[ "$(dpkg-parsechangelog -l "$WORK/changelog" -S Version)" = "$VERSION" ] ||
  fail "the changelog's newest entry is not $VERSION"
[ "$(dpkg-parsechangelog -l "$WORK/changelog" -S Maintainer)" = "$(dpkg-deb -f "$DEB" Maintainer)" ] ||
  fail "the changelog is not signed off by the package's maintainer"
METAINFO="$ROOT/usr/share/metainfo/example.vatrel.console.metainfo.xml"
grep -m1 '<release ' "$METAINFO" | grep -qF "version=\"$VERSION\"" ||
  fail "the metainfo's newest release is not $VERSION"
appstreamcli validate --no-net "$METAINFO" || fail "appstreamcli refuses the metainfo"
# The installed tree as a software centre reads it: the metainfo's launchable is the menu entry.
if ! appstreamcli validate-tree --no-net "$ROOT" >"$WORK/tree" 2>&1; then
  cat "$WORK/tree" >&2
  fail "appstreamcli refuses the installed tree"
fi
BIN="$ROOT/usr/bin"
for b in vatrel-console vatrel-log vatrel-sim; do
  [ -x "$BIN/$b" ] || fail "$b is not executable"
  # The installed programs must use the system's libraries, never a path into a build folder.
  if readelf -d "$BIN/$b" | grep -qE 'RPATH|RUNPATH'; then fail "$b carries a library path"; fi
  if ldd "$BIN/$b" | grep -q 'not found'; then fail "$b misses libraries: $(ldd "$BIN/$b" | grep 'not found')"; fi
done

# The installed programs run.
QT_QPA_PLATFORM=offscreen "$BIN/vatrel-console" --help >"$WORK/console-help" 2>&1 ||
  fail "vatrel-console --help failed"
grep -q -- '--site' "$WORK/console-help" || fail "vatrel-console --help does not list --site"
"$BIN/vatrel-log" --help 2>"$WORK/log-help" || fail "vatrel-log --help failed"
grep -q '^usage: vatrel-log' "$WORK/log-help" || fail "vatrel-log --help printed no usage"
"$BIN/vatrel-sim" --help >"$WORK/sim-help" || fail "vatrel-sim --help failed"
"$BIN/vatrel-sim" --init-demo "$WORK/demo" >/dev/null || fail "vatrel-sim --init-demo failed"
[ "$(stat -c %s "$WORK/demo/data/hw.dat")" -eq 1202 ] || fail "the demo's hw.dat is not 1202 bytes"
for d in VatrelA VatrelB VatrelA_mess VatrelB_mess QReport dev; do
  [ -d "$WORK/demo/$d" ] || fail "the demo folder lacks $d"
done

WAV="$ROOT/usr/share/vatrel-console/Error.wav"
[ "$(head -c 4 "$WAV")" = RIFF ] && [ "$(tail -c +9 "$WAV" | head -c 8)" = "WAVEfmt " ] ||
  fail "the installed Error.wav is not a wave file"
[ "$(stat -c %s "$WAV")" -gt 1000 ] || fail "the installed Error.wav holds no sound"

# Every option a program lists in --help is in its manual page's OPTIONS, and the pages format cleanly.
for prog in vatrel-console vatrel-sim vatrel-log; do
  page="$ROOT/usr/share/man/man1/$prog.1.gz"
  zcat "$page" | sed 's/\\-/-/g' | awk '/^\.SH/ {on = ($2 == "OPTIONS")} on' >"$WORK/$prog.man"
  help="$WORK/sim-help"
  [ "$prog" = vatrel-log ] && help="$WORK/log-help"
  [ "$prog" = vatrel-console ] && help="$WORK/console-help"
  for opt in $(grep -oE -- '--[a-z][a-z-]*' "$help" | sort -u); do
    grep -qE -- "(^|[^a-z-])$opt([^a-z-]|\$)" "$WORK/$prog.man" || fail "the manual page of $prog lacks $opt"
  done
  if command -v groff >/dev/null; then
    warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "the manual page of $prog: $warnings"
  fi
done

# The menu entry names the installed icon and starts the console in the site folder.
DESKTOP="$ROOT/usr/share/applications/vatrel-console.desktop"
EXEC=$(sed -n 's/^Exec=//p' "$DESKTOP")
ICON=$(sed -n 's/^Icon=//p' "$DESKTOP")
[ -f "$ROOT/usr/share/icons/hicolor/scalable/apps/$ICON.svg" ] || fail "the menu entry's icon $ICON is not installed"
[ "${EXEC%% *}" = vatrel-console ] || fail "the menu entry starts $EXEC"
desktop-file-validate "$DESKTOP" || fail "desktop-file-validate refuses the menu entry"

# First start through the entry's command: the site folder is made, the installed sound copied in,
# and the console works there (its start-up writes data/hw.dat).
SITE="$WORK/home/site"
read -r -a CMD <<<"$EXEC"
# Started in another folder, as a desktop does, so a console that ignored the site folder shows.
mkdir -p "$WORK/desktop"
(cd "$WORK/desktop" && export VATREL_SITE="$SITE" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 PATH="$BIN:$PATH" &&
 exec "${CMD[@]}" >"$WORK/console.log" 2>&1 </dev/null) &
CONSOLE_PID=$!
for _ in $(seq 1 200); do
  [ -f "$SITE/data/hw.dat" ] && break
  kill -0 "$CONSOLE_PID" 2>/dev/null || { cat "$WORK/console.log" >&2; fail "the console ended at start"; }
  sleep 0.1
done
[ -f "$SITE/data/hw.dat" ] || fail "the console did not start in the site folder"
for d in data VatrelA VatrelB VatrelA_mess VatrelB_mess QReport dev; do
  [ -d "$SITE/$d" ] || fail "the site folder lacks $d"
done
cmp -s "$WAV" "$SITE/Error.wav" || fail "the site folder's Error.wav is not the installed one"
kill -TERM "$CONSOLE_PID"
wait "$CONSOLE_PID" 2>/dev/null || true
CONSOLE_PID=""

echo "package-check: $(basename "$DEB") is complete ($(stat -c %s "$DEB") bytes)"
