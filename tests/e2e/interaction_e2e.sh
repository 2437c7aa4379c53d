#!/usr/bin/env bash
# The real program in a real X server with a window manager, driven by real X
# input: start, call up the selection window, choose and tune tests, orbit,
# and end both ways.
TINTORAL=${1:?usage: interaction_e2e.sh path/to/tintoral}
source "$(dirname "$0")/lib.sh"

# Client-area twips of the selection window's controls (centres).
RED_SHADING="847 1567"
WHITE_DOTS="1087 2527"
EXIT="2287 4267"

# Shoots the screen into $1 until pixel ($2, $3) reads $4, for up to 5 seconds,
# so that a busy machine gets time to draw before the checks read the shot.
await_pixel() {
  local i
  for i in $(seq 25); do
    e2e_shot "$1"
    [ "$(e2e_pixel "$1" "$2" "$3")" = "$4" ] && return 0
    sleep 0.2
  done
}

e2e_start_x 1024x768
e2e_start_app

# Start: a black full screen, no selection window.
e2e_shot start
check "start: top-left" "$(e2e_pixel start 0 0)" "0,0,0"
check "start: bottom-right" "$(e2e_pixel start 1023 767)" "0,0,0"
check "start: pattern window covers the screen" "$(e2e_geometry Tintoral)" "0 0 1024 768"
e2e_window_visible "Select Test" && check "start: selection window hidden" shown hidden

# Escape: the selection window in front, with the focus.
xdotool key Escape
e2e_wait_window "Select Test" || true
sleep 0.4
check "escape: selection window shown" "$(e2e_window_visible 'Select Test' && echo yes)" yes
check "escape: focus" "$(xdotool getactivewindow getwindowname)" "Select Test"
read -r lx ly lw lh < <(e2e_geometry "Select Test")
e2e_shot launcher
check "escape: selection window in front" "$(e2e_pixel launcher $((lx + lw / 2)) $((ly + 5)))" \
  "$(e2e_pixel launcher $((lx + lw / 2)) $((ly + 5)) | grep -v '^0,0,0$' || echo black)"

# "Red Shading": 16 red steps rising across the top half, falling across the bottom.
e2e_click_launcher $RED_SHADING
e2e_window_visible "Select Test" && check "red shading: selection window hidden" shown hidden
check "red shading: focus back on the pattern" "$(xdotool getactivewindow getwindowname)" "Tintoral"
await_pixel red16 1023 0 "255,0,0"
for i in 0 1 7 15; do
  x=$((32 + 64 * i))
  check "red shading: upper column $i" "$(e2e_pixel red16 $x 10)" "$((17 * i)),0,0"
  check "red shading: lower column $i" "$(e2e_pixel red16 $x 700)" "$((255 - 17 * i)),0,0"
done
check "red shading: upper-left" "$(e2e_pixel red16 0 0)" "0,0,0"
check "red shading: upper-right" "$(e2e_pixel red16 1023 0)" "255,0,0"

# "+" gives 17 steps; "m" acts as "+", "p" as "-".
xdotool type "+"
await_pixel red17 90 10 "16,0,0"
# 17 steps of 1024/17 pixels: column 1 (x 61..120) has 255/16 = 15.94, drawn as 16.
check "plus: 17 steps, column 1" "$(e2e_pixel red17 90 10)" "16,0,0"
check "plus: last column" "$(e2e_pixel red17 1010 10)" "255,0,0"
xdotool type "m"
await_pixel red18 85 10 "15,0,0"
check "m: 18 steps, column 1" "$(e2e_pixel red18 85 10)" "15,0,0"
xdotool type "p"
await_pixel red17b 90 10 "16,0,0"
check "p: back to 17 steps" "$(e2e_pixel red17b 90 10)" "16,0,0"

# A right click brings the selection window back.
xdotool mousemove 500 400 click 3
e2e_wait_window "Select Test" || true
sleep 0.3
check "right click: selection window shown" "$(e2e_window_visible 'Select Test' && echo yes)" yes

# Orbiting on, slider at 1 second: the white dots move by one pixel within about a second.
e2e_click_launcher $WHITE_DOTS
await_pixel dots0 0 0 "255,255,255"
# The first tick (1 s) moves the dots up: the top-left one leaves the screen.
await_pixel dots1 0 0 "0,0,0"
check "dots: home position has a dot at the top-left" "$(e2e_pixel dots0 0 0)" "255,255,255"
check "dots: after a tick the top-left dot moved" "$(e2e_pixel dots1 0 0)" "0,0,0"
moved=no
for dy in -1 0 1; do
  for dx in -1 0 1; do
    [ "$dx$dy" = "00" ] && continue
    x=$((0 + dx)); y=$((767 + dy))
    if [ $x -ge 0 ] && [ $y -ge 0 ] && [ $y -le 767 ] && [ "$(e2e_pixel dots1 $x $y)" = "255,255,255" ]; then moved=yes; fi
  done
done
check "dots: the bottom-left dot is one pixel from home" "$moved" yes

# Exit ends the program with status 0 and no window left.
xdotool key Escape
e2e_wait_window "Select Test" || true
sleep 0.3
e2e_click_launcher $EXIT
check "exit: status" "$(e2e_wait_exit)" 0
check "exit: no window left" "$(wmctrl -l | wc -l)" 0

# Closing the pattern window through the window manager ends it too.
e2e_start_app
wmctrl -c Tintoral
check "window manager close: status" "$(e2e_wait_exit)" 0

# The selection window's close box ends it as well.
e2e_start_app
xdotool key Escape
e2e_wait_window "Select Test" || true
sleep 0.3
wmctrl -c "Select Test"
check "close box: status" "$(e2e_wait_exit)" 0

e2e_finish
