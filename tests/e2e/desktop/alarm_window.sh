#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The alarm window on a real X desktop, with openbox or without a window manager, against the
# converter simulator: whatever dialog or box is open, a new alarm brings the alarm window forward
# and one click on "Отбой тревог" clears it; a minimised alarm window comes back; boxes answer the
# keyboard. Driven through X with xdotool, as an operator drives it.
#   alarm_window.sh <build folder> openbox|none
. "$(dirname "$0")/session.sh" "$@"

# Positions inside the windows (client coordinates), from their fixed layouts.
TAB_SENSORS="35 49" TAB_EVENTS="138 49" VIEW_BUTTON="61 870" ABOUT_MENU="40 12" ROW13="100 380"
OPEN_BUTTON="205 456" PRINT_BUTTON="205 542" EXPORT_BUTTON="205 570" DAY_RADIO="30 535"
click() { xdotool mousemove --window "$1" $2 click 1; }
# Clicks until the window named $3 is up: a button stays disabled while the viewer loads its listing
# on its worker thread.
open_by_click() {
  local id=""
  for _ in $(seq 1 20); do
    click "$1" "$2"
    id=$(wait_for "xdotool search --onlyvisible --name '$3'" 10 && xdotool search --onlyvisible --name "$3" | head -1) && break
  done
  [ -n "$id" ] && echo "$id"
}

# Boxes answer Return: each Return closes one. (A window manager may hand the key to another of the
# boxes open on the same window than the one activated.)
boxes() { xdotool search --all --onlyvisible --pid "$CONSOLE_PID" --name '^( |Ошибка)$' 2>/dev/null || true; }
answer_boxes() {
  local w n
  for _ in 1 2 3 4; do
    n=$(boxes | wc -l)
    [ "$n" -eq 0 ] && return 0
    w=$(boxes | head -1)
    xdotool windowactivate --sync "$w" 2>/dev/null || xdotool windowfocus --sync "$w"
    xdotool key Return
    wait_for "[ \$(boxes | wc -l) -lt $n ]" 20 || { fail "the box '$(xdotool getwindowname "$w")' does not answer Return"; return; }
  done
}
wait_for "grep -q . '$DIR/dev/COM1'" 1 || true
sleep 3
answer_boxes

# 1. The converter lost and back: the restore box is open when the alarm comes.
sim silent
wait_for "xdotool search --all --onlyvisible --pid $CONSOLE_PID --name '^Ошибка$'" 100 || fail "no 'Нет связи' box"
sim resume
wait_for "xdotool search --all --onlyvisible --pid $CONSOLE_PID --name '^ $'" 100 || fail "no restore box"
sleep 4 # the sensors report again: a loop reported in alarm before that is no change
alarm_cleared_by_one_click "restore box"
answer_boxes

# 2. The about box.
click "$MAIN" "$ABOUT_MENU"
ABOUT=$(wait_window "О программе") || fail "no about box"
alarm_cleared_by_one_click "about box"
xdotool windowfocus --sync "$ABOUT" key Escape 2>/dev/null || true
wait_for "! viewable $ABOUT" 20 || fail "the about box does not answer Escape"

# 3. The log viewer's file, export and print dialogs.
click "$MAIN" "$TAB_EVENTS"
sleep 0.3
click "$MAIN" "$VIEW_BUTTON"
VIEWER=$(wait_window "Протокол событий") || fail "no log viewer"
click "$VIEWER" "$DAY_RADIO"
click "$VIEWER" "$OPEN_BUTTON"
FILES=$(wait_window "^Открыть$") || fail "no file dialog"
alarm_cleared_by_one_click "file dialog"
xdotool windowfocus --sync "$FILES" 2>/dev/null || true
xdotool type --delay 20 "$DIR/QReport/$(date +%d.%m.%Y)"
xdotool key Return
wait_for "! viewable $FILES" 30 || fail "the file dialog did not take the typed name"
EXPORT=$(open_by_click "$VIEWER" "$EXPORT_BUTTON" "^Экспорт$") || fail "no export dialog"
alarm_cleared_by_one_click "export dialog"
xdotool windowfocus --sync "$EXPORT" key Escape 2>/dev/null || true
PRINT=$(open_by_click "$VIEWER" "$PRINT_BUTTON" "^Печать$") || fail "no print dialog"
alarm_cleared_by_one_click "print dialog"
xdotool windowfocus --sync "$PRINT" key Escape 2>/dev/null || true
wait_for "! viewable $PRINT" 20 || fail "the print dialog does not answer Escape"
xdotool windowfocus --sync "$VIEWER" key Escape 2>/dev/null || true
wait_for "! viewable $VIEWER" 20 || fail "the log viewer does not answer Escape"

# 4. The connect dialog, from the table's menu on an empty row.
click "$MAIN" "$TAB_SENSORS"
sleep 0.3
xdotool mousemove --window "$MAIN" $ROW13 click 3
sleep 0.5
xdotool key Down Return
CONNECT=$(wait_window "Подключение датчика") || fail "no connect dialog"
alarm_cleared_by_one_click "connect dialog"
xdotool windowfocus --sync "$CONNECT" key Escape 2>/dev/null || true
wait_for "! viewable $CONNECT" 20 || fail "the connect dialog does not answer Escape"

# 5. A minimised alarm window: undone at once, and the next alarm has it shown and active.
sim "alarm 1001 1 on"
ALARM=$(wait_window "Окно тревожных") || fail "no alarm window"
sleep 0.5
xdotool windowminimize "$ALARM"
sleep 1
viewable "$ALARM" || fail "the alarm window stays minimised"
click "$MAIN" "$TAB_EVENTS"
sim "alarm 1001 2 on"
wait_for "focused $ALARM" 50 || fail "the next alarm leaves the alarm window inactive"
xdotool mousemove --window "$ALARM" 98 392 click 1
wait_for "! viewable $ALARM" 30 || fail "one click on 'Отбой тревог' did not clear the alarms"

# 6. The operator on another workspace: the alarm window is there too, shown and active.
if [ "$WM" = openbox ]; then
  sim "alarm 1001 1 off"
  sim "alarm 1001 2 off"
  sleep 1.5
  xdotool set_desktop 2
  sleep 0.5
  alarm_cleared_by_one_click "another workspace"
  xdotool set_desktop 0
fi

[ "$FAILED" -eq 0 ] && echo "alarm window on the desktop ($WM): all cases passed"
exit "$FAILED"
