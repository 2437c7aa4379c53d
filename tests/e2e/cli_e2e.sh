#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The command line on two monitors (one X screen split with xrandr
# --setmonitor): the monitors it lists, the monitor and the test it starts
# with, and bad options refused with status 2 and one line before any window.
#   cli_e2e.sh TINTORAL RENDER
TINTORAL=${1:?usage: cli_e2e.sh TINTORAL RENDER}
RENDER=${2:?}
source "$(dirname "$0")/lib.sh"
e2e_start_x 1824x768 openbox
xrandr --setmonitor LEFT 1024/270x768/203+0+0 screen > /dev/null
xrandr --setmonitor RIGHT 800/211x600/158+1024+0 none > /dev/null
# Without it Qt adds a warning line to every message.
export XDG_RUNTIME_DIR=$E2E_TMP/run
mkdir -m 700 "$XDG_RUNTIME_DIR"

check "--list-screens" "$("$TINTORAL" --list-screens)" \
  "LEFT  1024x768+0+0  scale 1  twips per pixel 15  primary  exact
RIGHT  800x600+1024+0  scale 1  twips per pixel 15  secondary  exact"

# xev reports every window mapped on the root while the bad options run.
xev -root -event substructure > "$E2E_TMP/xev.log" &
E2E_PIDS+=($!)
sleep 0.3
# Arguments | status without a display | the message, from its start.
while IFS='|' read -r args headless want; do
  eval "set -- $args"
  for display in "$DISPLAY" ""; do
    status=0
    err=$(DISPLAY=$display timeout 10 "$TINTORAL" "$@" 2>&1 > /dev/null) || status=$?
    [ -n "$display" ] || { check "$args without a display: status" "$status" "$headless"; continue; }
    check "$args: status, lines, message" "$status $(wc -l <<<"$err") ${err:0:${#want}}" "2 1 $want"
  done
done <<'ROWS'
--colour|2|tintoral: unknown option '--colour'; the options are --screen NAME, --test CODE
--screen|2|tintoral: --screen: missing value
--test ''|2|tintoral: --test: expected a test code from 0 to 24, got ''
--screen NOPE|1|tintoral: --screen: no monitor named 'NOPE'; the monitors are: LEFT, RIGHT
--test -1|2|tintoral: --test: expected a test code from 0 to 24, got '-1'
--test 25|2|tintoral: --test: expected a test code from 0 to 24, got '25'
--test 3x|2|tintoral: --test: expected a test code from 0 to 24, got '3x'
--test 2147483648 --screen LEFT|2|tintoral: --test: expected a test code from 0 to 24, got '2147483648'
ROWS
check "bad options: windows mapped" "$(grep -c MapNotify "$E2E_TMP/xev.log" || true)" 0

# Qt's own options still work next to the program's; the geometry test covers
# the monitor named, as tintoral-render draws it there, and orbits a pixel
# around home each second from the start.
e2e_start_app -platform xcb --screen RIGHT --test 18
check "--screen RIGHT: the pattern window" "$(e2e_geometry Tintoral)" "1024 0 800 600"
shifted=()
for orbit in 1,0 1,1 0,1 -1,1 -1,0 -1,-1 0,-1 1,-1; do
  shifted+=("$(e2e_render --mode 18 --size 800x600 --orbit "$orbit")")
done
[ "$(e2e_await_match 800x600+1024+0 "${shifted[@]}")" != 0 ] && got=orbiting || got="not one of the orbit's renders"
check "--test 18 on RIGHT" "$got" orbiting
e2e_shot started-on-right
e2e_show_launcher
e2e_click_launcher $E2E_EXIT_BUTTON
check "exit: status" "$(e2e_wait_exit)" 0
e2e_finish
