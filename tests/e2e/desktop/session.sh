#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A desktop for the console under test: Xvfb (with openbox when WM=openbox), the converter simulator on
# a demo data folder, and the console itself, driven through X as an operator drives it. Sourced by
# the desktop tests with their own arguments, it starts all of that; every process it starts is ended
# by desk_end.
#   . session.sh <build folder> openbox|none
set -euo pipefail

desk_begin() {
  DESK="$(mktemp -d /tmp/vatrel-desk.XXXXXX)"
  DIR="$DESK/site"
  SIM_PID="" XVFB_PID="" WM_PID="" CONSOLE_PID=""
  trap desk_end EXIT
  Xvfb -displayfd 5 -screen 0 1600x1000x24 -nolisten tcp 5>"$DESK/display" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do [ -s "$DESK/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$DESK/display")"
  if [ "${WM:-none}" = openbox ]; then
    openbox --sm-disable >"$DESK/openbox.log" 2>&1 &
    WM_PID=$!
    for _ in $(seq 1 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
  fi
  "$BUILD/sim/vatrel-sim" --init-demo "$DIR" >/dev/null
  mkfifo "$DESK/ctl"
  (cd "$DIR" && exec "$BUILD/sim/vatrel-sim" --dir "$DIR" --port 1 --no-pipe <"$DESK/ctl" >"$DESK/sim.log" 2>&1) &
  SIM_PID=$!
  exec 4>"$DESK/ctl"
  for _ in $(seq 1 50); do [ -L "$DIR/dev/COM1" ] && break; sleep 0.1; done
}

sim() { echo "$*" >&4; }

console_start() {
  (cd "$DIR" && exec env LANG=C.UTF-8 QT_QPA_PLATFORM=xcb "$BUILD/app/vatrel-console" "$@" >"$DESK/console.log" 2>&1) &
  CONSOLE_PID=$!
  MAIN=$(wait_window "Пульт управления")
}

desk_end() {
  for pid in "$CONSOLE_PID" "$SIM_PID" "$WM_PID" "$XVFB_PID"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  mountpoint -q "$DIR" 2>/dev/null && umount "$DIR"
  [ "${KEEP:-0}" = 1 ] || rm -rf "$DESK"
}

# The id of the first shown window whose caption holds the text, waited for up to 10 s.
wait_window() {
  local id=""
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "no window '$1'" >&2
  return 1
}

fail() { echo "FAIL ($WM): $*" >&2; [ -n "${DESK:-}" ] && import -window root "$DESK/fail.png" 2>/dev/null; FAILED=1; }

# Waits up to $2 tenths of a second for a command to succeed.
wait_for() {
  local cmd="$1" tries="${2:-50}"
  for _ in $(seq 1 "$tries"); do eval "$cmd" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

viewable() { xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"; }
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] || [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
# Absolute client rectangle: x y w h.
rect() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'; }

# The console's shown windows with a caption, but for the main and the alarm window.
console_windows() {
  xdotool search --all --onlyvisible --pid "$CONSOLE_PID" 2>/dev/null | while read -r w; do
    [ "$w" = "$MAIN" ] || [ "$w" = "${ALARM:-}" ] && continue
    read -r _ _ ww wh < <(rect "$w")
    [ "$ww" -gt 60 ] && [ "$wh" -gt 40 ] && echo "$w"
  done
}

# Loop alarms of sensor 1001 in the day's log so far.
alarms_logged() {
  "$BUILD/app/vatrel-log" "$DIR/QReport/$(date +%d.%m.%Y)" 2>/dev/null | grep -c "Срабатывание .* № 1001" || true
}

# A new alarm with something else open: the alarm window comes up in front and active, leaves no
# waiting window wholly hidden under it, and one click on "Отбой тревог" clears and hides it.
alarm_cleared_by_one_click() {
  local what="$1" before
  before=$(alarms_logged)
  sim "alarm 1001 1 on"
  wait_for "[ \$(alarms_logged) -gt $before ]" 150 || fail "$what: the alarm was not logged"
  ALARM=$(wait_window "Окно тревожных") || { fail "$what: no alarm window"; return; }
  wait_for "focused $ALARM" 50 || fail "$what: the alarm window is not active"
  read -r ax ay aw ah < <(rect "$ALARM")
  for w in $(console_windows); do
    read -r x y ww wh < <(rect "$w")
    if [ "$x" -ge "$ax" ] && [ "$y" -ge "$ay" ] && [ $((x + ww)) -le $((ax + aw)) ] && [ $((y + wh)) -le $((ay + ah)) ]; then
      fail "$what: '$(xdotool getwindowname "$w")' lies wholly under the alarm window"
    fi
  done
  # The operator reads the new alarm before acknowledging: a click before the list has drawn it (the
  # window may already be up with earlier alarms) leaves the unseen alarm listed, by design.
  sleep 1
  xdotool mousemove --window "$ALARM" 98 392 click 1
  wait_for "! viewable $ALARM" 30 || fail "$what: one click on 'Отбой тревог' did not clear the alarms"
  sim "alarm 1001 1 off"
  sleep 1.2
}

if [ $# -ge 2 ]; then
  BUILD="$(cd "$1" && pwd)"
  WM="$2"
  FAILED=0
  desk_begin
  console_start
fi
