#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Boxes answer the keyboard on a real X desktop, with openbox or without a window manager: the connect
# dialog's refusals of a surname take Return, Space and Escape; an exit on a read-only data folder asks
# "Завершить работу ?" and then one box, answered with Return, and the console ends.
#   boxes_keyboard.sh <build folder> openbox|none
. "$(dirname "$0")/session.sh" "$@"
ROW13="100 380"
error_box() { xdotool search --all --onlyvisible --pid "$CONSOLE_PID" --name '^Ошибка$' 2>/dev/null | head -1 || true; }

# The connect dialog, once the address map has reached the converter (before that it refuses with a
# box, answered here and tried again).
wait_for "[ -n \"\$(xdotool search --all --onlyvisible --pid $CONSOLE_PID --name '^ \$')\" ]" 100 || true
xdotool key Return
CONNECT=""
for _ in $(seq 1 30); do
  xdotool mousemove --window "$MAIN" $ROW13 click 3
  sleep 0.5
  xdotool key Down Return
  wait_for "xdotool search --onlyvisible --name 'Подключение датчика' || [ -n \"\$(error_box)\" ]" 30 || true
  CONNECT=$(xdotool search --onlyvisible --name "Подключение датчика" 2>/dev/null | head -1 || true)
  [ -n "$CONNECT" ] && break
  [ -n "$(error_box)" ] && { xdotool windowfocus --sync "$(error_box)" 2>/dev/null || true; xdotool key Return; }
  sleep 2
done
[ -n "$CONNECT" ] || fail "no connect dialog"
read -r _ _ cw _ < <(rect "$CONNECT")
for key in Return space Escape; do
  # "Добавить": left half of the operator box, 202 px down.
  xdotool mousemove --window "$CONNECT" $((cw * 28 / 100)) 202 click 1
  wait_window "Пожалуйста" >/dev/null || { fail "no surname entry"; continue; }
  xdotool type --delay 10 "Abcdefghijklmnopqrstu"
  xdotool key Return
  wait_for '[ -n "$(error_box)" ]' 30 || { fail "no box for a long surname"; continue; }
  BOX=$(error_box)
  wait_for "focused $BOX" 30 || fail "the box is not focused"
  xdotool key "$key"
  wait_for '[ -z "$(error_box)" ]' 20 || { fail "the box does not answer $key"; xdotool mousemove --window "$BOX" 20 20 click 1; }
  wait_for "focused $CONNECT" 20 || fail "the connect dialog did not get the focus back after $key"
done
xdotool key Escape
wait_for "! viewable $CONNECT" 20 || fail "the connect dialog does not answer Escape"

# Exit on a read-only data folder: one box after the question, then the end.
if [ "$(id -u)" -eq 0 ]; then
  mount --bind "$DIR" "$DIR" && mount -o remount,ro,bind "$DIR" && RO_MOUNT=1
else
  chmod -R a-w "$DIR"
fi
xdotool windowactivate --sync "$MAIN" 2>/dev/null || xdotool windowfocus --sync "$MAIN"
xdotool key alt+x
QUESTION=$(wait_window "^Выход$") || fail "no exit question"
wait_for "focused $QUESTION" 30 || fail "the exit question is not focused"
xdotool key Return
wait_for '[ -n "$(error_box)" ]' 50 || fail "no box of what the exit could not save"
BOX=$(error_box)
wait_for "focused $BOX" 30 || fail "the exit's box is not focused"
xdotool key Return
wait_for "! kill -0 $CONSOLE_PID" 50 || fail "the console did not end after one box (another: '$(xdotool getwindowname "$(error_box)" 2>/dev/null)')"
[ "${RO_MOUNT:-0}" = 1 ] && umount "$DIR"
[ "$(id -u)" -eq 0 ] || chmod -R u+w "$DIR"
grep -q "not saved at exit" "$DESK/console.log" || fail "the list of what was not saved is not on the error output"

[ "$FAILED" -eq 0 ] && echo "boxes and the keyboard ($WM): all cases passed"
exit "$FAILED"
