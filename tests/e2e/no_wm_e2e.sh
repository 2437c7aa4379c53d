#!/usr/bin/env bash
# Without a window manager Qt neither sizes a full-screen window nor moves
# the keyboard focus by itself: the program must do both.
TINTORAL=${1:?usage: no_wm_e2e.sh path/to/tintoral}
source "$(dirname "$0")/lib.sh"

BLACK_PLUS="3367 1087"  # "Black +": the adjustable darkest grey
EXIT="2287 4267"

visible_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
focused_name() { xdotool getwindowfocus getwindowname 2>/dev/null; }
click_launcher() {
  local id x y
  id=$(visible_named "Select Test")
  read -r x y < <(xwininfo -id "$id" | awk -F: '/Absolute upper-left X/{x=$2} /Absolute upper-left Y/{y=$2} END{print x+0, y+0}')
  xdotool mousemove $(( x + $1 / 15 )) $(( y + $2 / 15 )) click 1
  sleep 0.4
}
wait_visible() {
  local i
  for i in $(seq 60); do [ -n "$(visible_named "$1")" ] && return 0; sleep 0.05; done
  return 1
}

e2e_start_x 800x600 none
rm -f "$E2E_TMP/app.status"
( set +e; "$TINTORAL" > "$E2E_TMP/app.log" 2>&1; echo $? > "$E2E_TMP/app.status" ) &
E2E_PIDS+=($!)
sleep 1.5

e2e_shot start
check "no wm: full screen, bottom-right pixel drawn" "$(e2e_pixel start 799 599)" "0,0,0"
pattern=$(xdotool search --onlyvisible --classname tintoral | while read -r w; do
  xwininfo -id "$w" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}'; done | sort -u | grep -c '^800x600$')
check "no wm: the pattern window is the screen's size" "$pattern" 1

xdotool key Escape
wait_visible "Select Test" || true
sleep 0.3
check "no wm: escape shows the selection window" "$([ -n "$(visible_named 'Select Test')" ] && echo yes)" yes
check "no wm: the selection window has the focus" "$(focused_name)" "Select Test"

click_launcher $BLACK_PLUS
check "no wm: the selection window hides" "$([ -z "$(visible_named 'Select Test')" ] && echo yes)" yes
xdotool type "++"
sleep 0.3
e2e_shot grey
check "no wm: keys reach the pattern window" "$(e2e_pixel grey 400 300)" "3,3,3"

xdotool key Escape
wait_visible "Select Test" || true
sleep 0.3
click_launcher $EXIT
check "no wm: exit status" "$(e2e_wait_exit)" 0

e2e_finish
