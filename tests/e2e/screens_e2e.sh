#!/usr/bin/env bash
# The monitor a test is shown on, and screens that change under the program:
#   screens_e2e.sh TINTORAL RENDER PHASE [SCALE [WM]]
#     PHASE monitors: two monitors side by side (one X screen split with
#           xrandr --setmonitor): the test covers the monitor that "Select
#           Test" was dragged to; removing that monitor moves the program to
#           the other one; the pointer hides over the pattern.
#     PHASE resize: the screen's resolution changes (RandR modes) while a test
#           is shown.
#     SCALE the QT_SCALE_FACTOR (1 unless given).
#     WM    openbox (the default) or none; with none, "Select Test" is moved by
#           the X request a window manager would make.
# Every check of the picture compares the monitor's area of the screen byte for
# byte with tintoral-render at that monitor's device size and twips per pixel.
TINTORAL=${1:?usage: screens_e2e.sh TINTORAL RENDER monitors|resize [SCALE [WM]]}
RENDER=${2:?}
PHASE=${3:?}
SCALE=${4:-1}
WM=${5:-openbox}
source "$(dirname "$0")/lib.sh"
E2E_SCALE=$SCALE
TPP=$(awk -v s="$SCALE" 'BEGIN { printf "%.17g", 1440 / (96 * s) }')

# "X Y W H" of the pattern window, and whether the window manager has it full screen.
covers() {
  local state=full-screen
  if [ "$WM" != none ] && ! xprop -id "$(e2e_window_id Tintoral)" _NET_WM_STATE | grep -q FULLSCREEN; then
    state="not full screen"
  fi
  echo "$(e2e_geometry Tintoral) $state"
}

# Drags "Select Test" by its title bar so that its top-left lands near (X, Y),
# as a user does with the mouse.
drag_launcher() {
  local x y w h
  if [ "$WM" = none ]; then
    xdotool windowmove "$(e2e_window_id 'Select Test')" "$1" "$2"
    sleep 0.4
    return
  fi
  read -r x y w h < <(e2e_geometry "Select Test")
  xdotool mousemove $((x + 40)) $((y - 8)) mousedown 1
  sleep 0.2
  local step
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((x + 40 + ($1 - x) * step / 8)) $((y - 8 + ($2 - y) * step / 8))
    sleep 0.05
  done
  xdotool mouseup 1
  sleep 0.4
}

# Whether the whole of "Select Test" lies in the area X Y W H.
launcher_inside() {
  local x y w h
  read -r x y w h < <(e2e_geometry "Select Test")
  [ "$x" -ge "$1" ] && [ "$y" -ge "$2" ] && [ $((x + w)) -le $(($1 + $3)) ] \
    && [ $((y + h)) -le $(($2 + $4)) ] && echo yes || echo "no: $x $y $w $h"
}

running() { [ -s "$E2E_TMP/app.status" ] && echo "ended with $(cat "$E2E_TMP/app.status")" || echo running; }

if [ "$PHASE" = monitors ]; then
  # Xvfb keeps its framebuffer in a file: unlike a screenshot, it has the
  # pointer drawn in, as the user sees it.
  mkdir -p "$E2E_TMP/fb"
  E2E_XVFB_ARGS="-fbdir $E2E_TMP/fb"
  e2e_start_x 1824x768 "$WM"
  export QT_SCALE_FACTOR=$SCALE
  # Sets the two monitors and waits until the server lists both: a
  # --setmonitor made before any client listens to RandR events can be lost.
  set_monitors() {
    local i
    for i in $(seq 40); do
      xrandr --setmonitor LEFT 1024/270x768/203+0+0 screen > /dev/null 2>&1 || true
      xrandr --setmonitor RIGHT 800/211x600/158+1024+0 none > /dev/null 2>&1 || true
      [ "$(xrandr --listmonitors | awk 'NR == 1 { print $2 }')" = 2 ] && return 0
      sleep 0.1
    done
    echo "the two monitors could not be set"
  }
  LEFT=1024x768+0+0
  RIGHT=800x600+1024+0
  # Xvfb takes a new monitor only while some client listens to RandR events:
  # the window manager, or else the program itself, which then sees the
  # monitors come.
  if [ "$WM" = none ]; then
    e2e_start_app
    set_monitors
    sleep 0.5
  else
    set_monitors
    e2e_start_app
  fi
  check "start: the pattern covers the primary monitor" "$(covers)" "0 0 1024 768 full-screen"
  e2e_show_launcher
  check "the selection window is first shown on the pattern's monitor" "$(launcher_inside 0 0 1024 768)" yes
  e2e_click_launcher $E2E_ORBITING_BOX

  # Dragged to the right monitor, "Geometrie" covers that monitor.
  drag_launcher 1100 60
  check "the selection window was dragged to the right monitor" "$(launcher_inside 1024 0 800 600)" yes
  e2e_shot launcher-right
  e2e_choose 16
  check "geometry: the pattern covers the right monitor" "$(covers)" "1024 0 800 600 full-screen"
  e2e_expect_render "geometry on the right monitor" "$RIGHT" --mode 18 --size 800x600 --twips-per-pixel "$TPP"
  e2e_shot geometry-right
  for i in 8 9 23; do
    e2e_choose "$i"
    e2e_expect_render "test $i on the right monitor" "$RIGHT" --mode "${E2E_MODE[$i]}" --size 800x600 --twips-per-pixel "$TPP"
  done
  xdotool key --delay 40 plus plus
  e2e_expect_render "test card denser on the right monitor" "$RIGHT" --mode 24 --size 800x600 --twips-per-pixel "$TPP" --nb-points 27
  xdotool key Return

  # Back to the left monitor.
  e2e_show_launcher
  drag_launcher 200 100
  check "the selection window was dragged back to the left monitor" "$(launcher_inside 0 0 1024 768)" yes
  e2e_choose 8
  check "dots: the pattern covers the left monitor" "$(covers)" "0 0 1024 768 full-screen"
  e2e_expect_render "dots on the left monitor" "$LEFT" --mode 14 --size 1024x768 --twips-per-pixel "$TPP"

  # The pointer: over the pattern it hides after 2 seconds without movement
  # and comes back when the mouse moves; near it the framebuffer differs from
  # the screenshot exactly while the pointer is drawn.
  pointer_drawn() {
    local area=60x60+$(( $1 - 20 ))+$(( $2 - 20 ))
    convert "xwd:$E2E_TMP/fb/Xvfb_screen0" -crop "$area" +repage -depth 8 "rgb:$E2E_TMP/fb.rgb"
    e2e_grab "$E2E_TMP/shot.rgb" "$area"
    cmp -s "$E2E_TMP/fb.rgb" "$E2E_TMP/shot.rgb" && echo hidden || echo shown
  }
  # A white screen, so that the pointer shows against it.
  e2e_choose 2
  xdotool mousemove 500 400
  sleep 0.5
  check "pointer: shown right after a movement" "$(pointer_drawn 500 400)" shown
  sleep 2.2
  check "pointer: hidden after 2 seconds still" "$(pointer_drawn 500 400)" hidden
  xdotool mousemove 520 410
  sleep 0.3
  check "pointer: shown again when the mouse moves" "$(pointer_drawn 520 410)" shown
  e2e_show_launcher
  xdotool mousemove 40 700
  sleep 2.6
  check "pointer: stays shown over the pattern while the selection window is up" \
    "$(pointer_drawn 40 700)" shown

  # The monitor that shows the test goes away: the program moves to the other.
  drag_launcher 1100 60
  e2e_choose 9
  e2e_expect_render "crosses on the right monitor" "$RIGHT" --mode 23 --size 800x600 --twips-per-pixel "$TPP"
  xrandr --delmonitor RIGHT
  sleep 0.5
  check "monitor removed: the program still runs" "$(running)" running
  check "monitor removed: the pattern covers the remaining monitor" "$(covers)" "0 0 1024 768 full-screen"
  e2e_expect_render "monitor removed: crosses on the left monitor" "$LEFT" --mode 23 --size 1024x768 --twips-per-pixel "$TPP"
  e2e_show_launcher
  check "monitor removed: the selection window comes up on the remaining monitor" \
    "$(launcher_inside 0 0 1024 768)" yes
  e2e_shot launcher-after-removal
  e2e_choose 17
  e2e_expect_render "monitor removed: colour bars on the left monitor" "$LEFT" --mode 12 --size 1024x768 --twips-per-pixel "$TPP"

elif [ "$PHASE" = resize ]; then
  e2e_start_x 1280x1024 "$WM"
  export QT_SCALE_FACTOR=$SCALE
  e2e_start_app
  # Extra modes for the one output of Xvfb; the largest is the size it started
  # with. (Xvfb finds a new mode only while some client listens to RandR
  # events: the program does.)
  add_mode() {
    xrandr --newmode "$1" 60 "${1%x*}" $((${1%x*} + 8)) $((${1%x*} + 16)) $((${1%x*} + 24)) \
      "${1#*x}" $((${1#*x} + 1)) $((${1#*x} + 2)) $((${1#*x} + 3))
    xrandr --addmode screen "$1"
  }
  add_mode 800x600
  add_mode 1023x767
  e2e_show_launcher
  e2e_click_launcher $E2E_ORBITING_BOX
  e2e_choose 16
  e2e_expect_render "geometry at 1280x1024" 1280x1024+0+0 --mode 18 --size 1280x1024 --twips-per-pixel "$TPP"
  for mode in 800x600 1023x767 1280x1024; do
    xrandr --output screen --mode "$mode"
    sleep 0.5
    check "resolution $mode: the program still runs" "$(running)" running
    check "resolution $mode: the pattern covers the screen" "$(covers)" "0 0 ${mode/x/ } full-screen"
    e2e_expect_render "geometry after the change to $mode" "$mode+0+0" --mode 18 --size "$mode" \
      --twips-per-pixel "$TPP"
  done
  # Smaller than the selection window was placed for: it comes up on screen.
  xrandr --output screen --mode 1023x767
  sleep 0.3
  e2e_show_launcher
  check "resolution changed: the selection window is on the screen" "$(launcher_inside 0 0 1023 767)" yes
  e2e_shot launcher-1023x767
  e2e_choose 8
  e2e_expect_render "dots after the change" 1023x767+0+0 --mode 14 --size 1023x767 --twips-per-pixel "$TPP"
else
  echo "unknown phase '$PHASE'"
  exit 2
fi

e2e_show_launcher
e2e_click_launcher $E2E_EXIT_BUTTON
check "exit: status" "$(e2e_wait_exit)" 0
e2e_finish
