#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The console's own processor share at the line's rate, run by hand:
#   bench/console_load.sh [build dir, default build-rel]
# It makes a 200-sensor demo folder, starts the converter simulator on it (every sensor reporting
# once a second, more than 115200 baud can carry, so the line is full all the time) and the console
# under Xvfb, then measures four phases:
#   steady  every sensor's values pinned: the reports change nothing on screen
#   storm   every report flips loop 1 of its sensor (armed on 190 of them): the alarm window is up
#           and grows, the table rows change colour and text
#   plan    the storm going on with the site plan window shown beside the main window (the demo
#           folder places all 200 sensors along its fence): markers and fence lines change colour
#           and blink; the difference from "storm" is the plan window's cost. The window is taken
#           off the screen again afterwards.
#   storm2  the storm again without the plan window: "plan" is compared with "storm" and "storm2".
#   storm50 the line's whole rate on 50 armed type B sensors (the simulator's "storm 50"), each
#           report alternately an alarm and a return on loop 1: about 130 events a second on 50 loops
#   osc     the storm over, the oscillogram of slot 0 running (20 samples a second, the other
#           rows dimmed) with its oscilloscope tab shown (xdotool switches to it)
# For each phase it prints the console's processor share (utime + stime from /proc/<pid>/stat over
# the phase) and the longest gap between the starts of two receive passes (the console logs it once
# a second when VATREL_PASS_GAP_LOG is set), the events logged a second (the day's log file
# growth), by which runs of different event rates compare, and the times a second the console's
# threads went to sleep and were woken. At the end it runs bench_engine's decoder-only benchmark
# and prints the share of one core the decoder alone needs for a full line.
#
# Environment: DISPLAY_NUM (default 95), PHASE_S (seconds measured per phase, default 20),
# SETTLE_S (seconds before each measurement, default 5), SHOTS (a folder for a screenshot per phase),
# PERF_PHASE and PERF_OUT (record a perf profile of the console during that phase into that file;
# the profiler's own cost then shows in that phase's figure; PERF_ARGS replaces the default -g,
# e.g. "--call-graph dwarf,16384 -F 400" for call chains through libraries built without frame pointers).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-rel}
[[ $build = /* ]] || build=$root/$build
display_num=${DISPLAY_NUM:-95}
phase_s=${PHASE_S:-20}
settle_s=${SETTLE_S:-5}
shots=${SHOTS:-}
sim=$build/sim/vatrel-sim
console=$build/app/vatrel-console
bench=$build/bench/bench_engine
for f in "$sim" "$console" "$bench"; do
    [[ -x $f ]] || { echo "missing $f (build it first)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/console_load.XXXXXX)
xvfb_pid= sim_pid= console_pid=
cleanup() {
    for p in $console_pid $sim_pid $xvfb_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$sim" --init-demo "$work/d" --sensors 200 >/dev/null
# Wide enough for the plan window beside the main window, as on a second monitor.
Xvfb ":$display_num" -screen 0 3300x1000x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
(cd "$work/d" && exec "$sim" --rate 1000 </dev/null >"$work/sim.out" 2>&1) &
sim_pid=$!
for _ in $(seq 50); do [[ -p $work/d/sim.ctl && -e $work/d/dev/COM1 ]] && break; sleep 0.1; done
(cd "$work/d" && DISPLAY=":$display_num" VATREL_PASS_GAP_LOG=1 exec "$console" 2>"$work/console.err" >/dev/null) &
console_pid=$!

ctl() { printf '%s\n' "$@" >"$work/d/sim.ctl"; }
ticks() { awk '{ print $14 + $15 }' "/proc/$console_pid/stat"; }
# Times each of the console's threads went to sleep and was woken again, one "thread count" line each.
wakeups() {
    local f
    for f in /proc/"$console_pid"/task/*/status; do
        awk -v t="${f%/status}" '/^voluntary_ctxt_switches/ { print t, $2 }' "$f" 2>/dev/null
    done
}
# The wake-ups between two readings, of the threads alive at the second (a thread that ended between
# them takes its count with it: summing totals would go down).
wakeupsSince() { # first reading, second reading
    awk 'NR == FNR { a[$1] = $2; next } { s += $2 - (($1 in a) ? a[$1] : 0) } END { print s + 0 }' \
        <(printf '%s\n' "$1") <(printf '%s\n' "$2")
}
hz=$(getconf CLK_TCK)

# The address map goes over one entry per reply before the sensors are polled.
sleep 25
# The start-up box about the link ("... восстановлена!") would keep the main window from taking the
# click on the oscilloscope tab: it is answered first.
for box in $(DISPLAY=":$display_num" xdotool search --onlyvisible --name '^ $' 2>/dev/null); do
    DISPLAY=":$display_num" xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
done

# Records in the day's log files so far: the events logged.
logged() { stat -c %s "$work"/d/QReport/* 2>/dev/null | awk '{ s += $1 } END { print int(s / 328) }'; }

measure() { # name
    local name=$1 t0 t1 c0 c1 l0 l1 e0 e1 w0 w1 gap
    sleep "$settle_s"
    l0=$(wc -l <"$work/console.err")
    c0=$(ticks)
    e0=$(logged)
    w0=$(wakeups)
    t0=$(date +%s.%N)
    if [[ ${PERF_PHASE:-} = "$name" ]]; then
        perf record -q ${PERF_ARGS:--g} -p "$console_pid" -o "${PERF_OUT:-$root/perf-$name.data}" -- sleep "$phase_s" >/dev/null 2>&1
    else
        sleep "$phase_s"
    fi
    c1=$(ticks)
    e1=$(logged)
    w1=$(wakeups)
    t1=$(date +%s.%N)
    l1=$(wc -l <"$work/console.err")
    gap=$(sed -n "$((l0 + 1)),${l1}p" "$work/console.err" |
        awk '/^pass-gap-us/ { n++; if ($2 > m) m = $2; if ($2 >= 30000) over++ } END { printf "%6.1f ms (%d of %d seconds had one of 30 ms or more)", m / 1000, over, n }')
    [[ -n $shots ]] && mkdir -p "$shots" && import -display ":$display_num" -window root "$shots/$name.png" 2>/dev/null
    awk -v n="$name" -v c="$((c1 - c0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v g="$gap" -v e="$((e1 - e0))" \
        -v w="$(wakeupsSince "$w0" "$w1")" \
        'BEGIN { printf "%-7s console %5.2f %% of one core   longest pass gap %s   %.0f events/s   %.0f wake-ups/s\n", n, 100 * c / hz / (t1 - t0), g, e / (t1 - t0), w / (t1 - t0) }'
}

values=()
for slot in $(seq 0 199); do
    if ((slot < 6)); then n=$((1001 + slot)); elif ((slot < 12)); then n=$((2001 + slot - 6)); else n=$((3001 + slot - 12)); fi
    values+=("values $n 12 13 5 6")
done
ctl "${values[@]}"
measure steady

ctl "storm on"
measure storm

# F8 opens the site plan; it is moved to the right of the (centred) main and alarm windows, so that
# nothing covers either.
main_win=$(DISPLAY=":$display_num" xdotool search --name '^Пульт управления' | head -1)
DISPLAY=":$display_num" xdotool windowfocus --sync "$main_win" key F8
sleep 1
plan_win=$(DISPLAY=":$display_num" xdotool search --onlyvisible --name '^План объекта$' | head -1)
if [[ -z $plan_win ]]; then echo "the plan window did not open" >&2; exit 1; fi
DISPLAY=":$display_num" xdotool windowmove "$plan_win" 2290 0 windowsize "$plan_win" 1000 700
measure plan
DISPLAY=":$display_num" xdotool windowunmap "$plan_win"
# The storm again without the plan: the plan's cost is its phase against the two storms around it.
measure storm2

ctl "storm 50"
measure storm50

ctl "storm off"
sleep 1
ctl "osc 0"
# The oscilloscope tab of slot 0's sensor type is brought up, so that the phase includes drawing
# the charts (the alarm window, still up from the storm, covers part of it).
main_win=$(DISPLAY=":$display_num" xdotool search --name '^Пульт управления' | head -1)
# Its tab is the fourth, 372 by 53 pixels from the main window's corner with the fonts used here.
eval "$(DISPLAY=":$display_num" xdotool getwindowgeometry --shell "$main_win")"
DISPLAY=":$display_num" xdotool mousemove $((X + 372)) $((Y + 53)) click 1
measure osc

json=$("$bench" --benchmark_filter='BM_ReportTraffic/65$' --benchmark_format=json --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>/dev/null)
bps=$(printf '%s\n' "$json" | awk -F: '/"aggregate_name": "median"/ { m = 1 } m && /"bytes_per_second"/ { gsub(/[ ,]/, "", $2); print $2; exit }')
awk -v b="$bps" 'BEGIN { printf "decoder alone (bench_engine, median): %.1f MB/s, a full line of 11520 characters a second is %.3f %% of one core\n", b / 1e6, 100 * 11520 / b }'
