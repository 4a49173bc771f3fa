#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the console and the converter simulator, prepares demo/ and runs both: the simulator in the
# background on demo/dev/COM1, the console in demo/ in the foreground. Without a display the console
# runs under Xvfb and a screenshot is saved to build/screenshots/run.png.
set -euo pipefail
cd "$(dirname "$0")"
ROOT="$(pwd)"

./scripts/deps.sh
# The same configuration as ./test.sh, so switching between the two never rebuilds everything.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVATREL_WERROR=ON
cmake --build build -j2 --target vatrel-console vatrel-sim

SIM="$ROOT/build/sim/vatrel-sim"
CONSOLE="$ROOT/build/app/vatrel-console"
DEMO="$ROOT/demo"

if [ ! -f "$DEMO/data/hw.dat" ]; then
  "$SIM" --init-demo "$DEMO"
fi

SIM_PID=""
XVFB_PID=""
CONSOLE_PID=""
cleanup() {
  if [ -n "$CONSOLE_PID" ] && kill -0 "$CONSOLE_PID" 2>/dev/null; then
    kill -TERM "$CONSOLE_PID" 2>/dev/null || true
    wait "$CONSOLE_PID" 2>/dev/null || true
  fi
  if [ -n "$SIM_PID" ] && kill -0 "$SIM_PID" 2>/dev/null; then
    kill -TERM "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
  fi
  if [ -n "$XVFB_PID" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
    kill -TERM "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The simulator reads its control commands from demo/sim.ctl, e.g.
#   echo "alarm 1001 1 on" > demo/sim.ctl
(cd "$DEMO" && exec "$SIM" --dir "$DEMO" --port 1 </dev/null) &
SIM_PID=$!
for _ in $(seq 1 50); do
  [ -L "$DEMO/dev/COM1" ] && break
  sleep 0.1
done
if [ ! -L "$DEMO/dev/COM1" ]; then
  echo "run.sh: the simulator did not come up" >&2
  exit 1
fi
echo "run.sh: simulator running (pid $SIM_PID); steer it with: echo help > demo/sim.ctl"

if [ -z "${DISPLAY:-}" ]; then
  # No display: a virtual one, and a screenshot once the window is up.
  DISPLAY_NUM=99
  while [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ] || [ -e "/tmp/.X$DISPLAY_NUM-lock" ]; do
    DISPLAY_NUM=$((DISPLAY_NUM + 1))
  done
  Xvfb ":$DISPLAY_NUM" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$DISPLAY_NUM"
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ] && break
    sleep 0.1
  done
  mkdir -p "$ROOT/build/screenshots"
  (cd "$DEMO" && exec "$CONSOLE") &
  CONSOLE_PID=$!
  sleep 6
  if import -window root "$ROOT/build/screenshots/run.png" 2>/dev/null; then
    echo "run.sh: screenshot saved to build/screenshots/run.png"
  else
    echo "run.sh: could not take a screenshot" >&2
  fi
  wait "$CONSOLE_PID"
else
  # In the background, so that a TERM to this script reaches the trap at once.
  (cd "$DEMO" && exec "$CONSOLE") &
  CONSOLE_PID=$!
  wait "$CONSOLE_PID"
fi
