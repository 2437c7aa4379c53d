#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a real display server, driven by real input: one row of
# scenarios.txt (server backend, scale, outputs, window manager, steps). The
# screen is compared byte for byte with tintoral-render at the output's device
# size and twips per pixel. What depends on the server is done by the be_*
# functions of backend_<name>.sh.
#   e2e.sh SCENARIO TINTORAL RENDER    (E2E_KEEP=1 keeps the scratch folder)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
read -r NAME BACKEND SCALE OUTPUTS WM STEPS < <(awk -v n="$1" '$1 == n' "$here/scenarios.txt")
[ -n "${STEPS:-}" ] || { echo "no scenario '$1' in scenarios.txt"; exit 2; }
TINTORAL=$2 RENDER=$3 E2E_PIDS=() E2E_TMP=$(mktemp -d /tmp/tintoral-e2e.XXXXXX) FAILS=0 PASSES=0
cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2> /dev/null || true; done
  sleep 0.2
  for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2> /dev/null || true; done
  [ -n "${E2E_KEEP:-}" ] && echo "kept $E2E_TMP" || rm -rf "$E2E_TMP"
}
trap cleanup EXIT
# Polls for up to 15 s: a loaded machine can take seconds to map a window.
wait_for() {
  for _ in $(seq 300); do eval "$2" > /dev/null 2>&1 && return 0; sleep 0.05; done
  echo "FAIL: timed out waiting for $1"; return 1
}
fail_now() { echo "FAIL: $*"; exit 1; }
check() { [ "$2" = "$3" ] && PASSES=$((PASSES + 1)) || { FAILS=$((FAILS + 1)); echo "FAIL: $1: got '$2', want '$3'"; }; }
source "$here/backend_$BACKEND.sh"

# The test buttons (centre in client-area twips, mode shown), the check box and Exit.
while read -r i x y m; do BUTTON[i]="$x $y" MODE[i]=$m; done < <(grep '^[0-9]' "$here/buttons.txt")
ORBITING=$(awk '$1 == "orbiting" { print $2, $3 }' "$here/buttons.txt") EXIT=$(awk '$1 == "exit" { print $2, $3 }' "$here/buttons.txt")

shown() { [ -n "$(be_window_geometry "$1")" ] && echo shown || echo hidden; }
output() { be_outputs | awk -v n="$1" 'NR == n + 1 { print $2, $3, $4, $5 }'; } # output N: "X Y W H"
inside() { # whether window $1 lies wholly in output $2
  read -r x y w h < <(be_window_geometry "$1"); read -r ox oy ow oh < <(output "$2")
  [ "$x" -ge "$ox" ] && [ "$y" -ge "$oy" ] && [ $((x + w)) -le $((ox + ow)) ] && [ $((y + h)) -le $((oy + oh)) ] && echo yes || echo "no: $x $y $w $h"
}
click_launcher() { # at the scale of the output it is on (4665 twips wide), below a note if any
  read -r x y w h < <(be_window_geometry "Select Test")
  be_click $(awk -v x="$x" -v y="$y" -v tx="$1" -v ty="$2" -v w="$w" -v h="$h" 'BEGIN { s = w / 4665; printf "%d %d", x + int(tx * s), y + h - int(4545 * s) + int(ty * s) }')
}
show_launcher() { [ "$(shown 'Select Test')" = shown ] || { be_key Escape; wait_for "the selection window" '[ "$(shown "Select Test")" = shown ]'; sleep 0.2; }; }
choose() { show_launcher; click_launcher ${BUTTON[$1]}; wait_for "test $1 to be chosen" '[ "$(shown "Select Test")" = hidden ]'; }
running() { [ -s "$E2E_TMP/app.status" ] && echo "ended with $(cat "$E2E_TMP/app.status")" || echo running; }
status() { wait_for "the program to end" '[ -s "$E2E_TMP/app.status" ]'; running; }

# Raw RGB of tintoral-render's picture for output N: MODE OPTIONS... (made once).
render() {
  local n=$1 f tpp; shift
  read -r _ _ w h < <(output "$n")
  tpp=$(be_outputs | awk -v n="$n" 'NR == n + 1 { printf "%.17g", 1440 / (96 * $6) }')
  f="$E2E_TMP/render_$(printf '%s_' "$w" "$h" "$@" | tr -c 'A-Za-z0-9._-' _)"
  [ -f "$f.rgb" ] || { "$RENDER" --mode "$@" --size "${w}x$h" --twips-per-pixel "$tpp" --png "$f.png" && convert "$f.png" -depth 8 "rgb:$f.rgb"; } \
    || fail_now "tintoral-render $* failed"
  echo "$f.rgb"
}
# Shoots output N until it equals one of the raw images given: prints the
# position of the one matched (1, 2, ...), or 0 after TRIES shots.
await_match() {
  local n=$1 i k f; shift
  for i in $(seq "${TRIES:-25}"); do
    be_shot "$E2E_TMP/last.rgb" "$(be_outputs | awk -v n="$n" 'NR == n + 1 { print $1 }')"
    k=0; for f in "$@"; do k=$((k + 1)); cmp -s "$E2E_TMP/last.rgb" "$f" && { echo "$k"; return 0; }; done
    sleep 0.15
  done
  echo 0
}
# Output N shows exactly MODE OPTIONS...; a failure keeps both pictures and their difference.
expect() {
  local what=$1 n=$2 want; shift 2
  want=$(render "$n" "$@")
  [ "$(await_match "$n" "$want")" = 1 ] && { PASSES=$((PASSES + 1)); return; }
  local d=${E2E_ARTIFACTS:-/tmp/tintoral-e2e-failures}/$NAME-$(tr -c 'A-Za-z0-9._-' _ <<< "$what")
  mkdir -p "${d%/*}"; read -r _ _ w h < <(output "$n"); FAILS=$((FAILS + 1))
  for f in screen:$E2E_TMP/last.rgb render:$want; do convert -size "${w}x$h" -depth 8 "rgb:${f#*:}" "$d.${f%%:*}.png"; done
  echo "FAIL: $what: $(compare -metric AE "$d.screen.png" "$d.render.png" "$d.diff.png" 2>&1) pixels differ from --mode $* ($d.*.png)"
}
list() { [ "$1" = all ] && seq 0 23 || echo "${1//,/ }"; }

# The server and the program: a black pattern over the first output, the
# selection window on Escape with the focus, on that output, at the scale
# asked; then orbiting off for the still comparisons.
step_start() {
  be_start "$SCALE" "$OUTPUTS" "$WM"
  read -r _ _ _ _ _ SCALE_F < <(be_outputs)
  TPP=$(awk -v s="$SCALE_F" 'BEGIN { printf "%.17g", 1440 / (96 * s) }')
  echo "$NAME: scale $SCALE_F on $OUTPUTS, $TPP twips per pixel, window manager $WM"
  be_start_app
  check "start: the pattern covers the first output" "$(be_window_geometry Tintoral)" "$(output 0)"
  check "start: no selection window" "$(shown 'Select Test')" hidden
  expect "start: black" 0 0
  show_launcher
  check "Escape: the selection window has the focus" "$(be_focused)" "Select Test"
  check "the selection window is on the first output" "$(inside 'Select Test' 0)" yes
  read -r _ _ w _ < <(be_window_geometry "Select Test")
  # Every click is placed for this scale: stop at once if the program runs at another.
  [ "$(awk -v w="$w" -v s="$SCALE_F" 'BEGIN { d = w - 4665 / 15 * s; print d * d <= 1.5 }')" = 1 ] \
    || fail_now "the selection window is $w pixels wide, not that of scale $SCALE_F"
  click_launcher $ORBITING
}

# Real keys and clicks: the focus back on the pattern, keys and their aliases
# tune it, the left button does nothing and the right one brings the selection window.
step_input() {
  choose 15
  check "after choosing: the focus is on the pattern" "$(be_focused)" Tintoral
  expect "red shading" 0 9
  be_key plus; expect "plus: 17 steps" 0 9 --nb-box 17
  be_key m; expect "m: 18 steps" 0 9 --nb-box 18
  be_key p; expect "p: 17 steps" 0 9 --nb-box 17
  be_key Return; be_click 300 200 1
  check "left button: no selection window" "$(shown 'Select Test')" hidden
  be_click 300 200 3
  wait_for "the selection window on the right button" '[ "$(shown "Select Test")" = shown ]'
}

step_tests() { for i in $(list "$1"); do choose "$i"; expect "test $i at default" 0 "${MODE[$i]}"; done; }

# The tuned states of tuned.txt, each checked and then restored.
step_tuned() {
  while IFS='|' read -r i keys options restore <&3; do
    [ "$1" = all ] || [[ ",$1," == *",$i,"* ]] || continue
    choose "$i"; be_key $keys
    expect "test $i after '$keys'" 0 "${MODE[$i]}" $options
    be_key $restore
    expect "test $i back at default after '$restore'" 0 "${MODE[$i]}"
  done 3< <(grep -v '^#' "$here/tuned.txt")
}

# While keys change the density as fast as they come, every shot is a whole
# frame of a density typed; the shot right after a test button is one of the
# two tests, never a frame of the wrong size or a blend.
step_burst() {
  local frames=() torn=0
  choose 8
  for n in 25 26 27 28 29 30; do frames+=("$(render 0 14 --nb-points "$n")"); done
  be_key plus plus plus plus plus &
  for _ in $(seq 12); do [ "$(TRIES=1 await_match 0 "${frames[@]}")" = 0 ] && torn=$((torn + 1)); done
  wait $!
  check "burst of keys: torn shots" "$torn" 0
  check "burst of keys: the last density typed" "$(await_match 0 "${frames[5]}")" 1
  be_key Return; choose 2; show_launcher; click_launcher ${BUTTON[9]}
  check "test switch: the first shot a whole frame" "$(TRIES=1 await_match 0 "$(render 0 3)" "$(render 0 23)")" 2
}

# Orbiting on, the slider at 1 s: after the first tick the pattern sits one
# pixel up, or up and right if the shot came after the second tick.
step_orbit() {
  show_launcher; click_launcher $ORBITING
  for i in $(list "$1"); do
    choose "$i"; sleep 1.1
    # 1 or 2: one of the two positions; 3: still at home
    check "test $i orbiting: one pixel from home after a tick" "$(await_match 0 "$(render 0 "${MODE[$i]}" --orbit 0,-1)" \
      "$(render 0 "${MODE[$i]}" --orbit 1,-1)" "$(render 0 "${MODE[$i]}")" | tr 12 ss)" s
  done
  show_launcher; click_launcher $ORBITING
}

step_exit() {
  show_launcher; click_launcher $EXIT
  check "exit: status" "$(status)" "ended with 0"
  check "exit: no window left" "$(shown Tintoral) $(shown 'Select Test')" "hidden hidden"
}

# Exit, then the pattern window and the selection window closed by the window manager.
step_close() {
  step_exit
  be_start_app; be_close_window Tintoral
  check "pattern window closed: status" "$(status)" "ended with 0"
  be_start_app; show_launcher; be_close_window "Select Test"
  check "selection window closed: status" "$(status)" "ended with 0"
}

# A test shows on the output the selection window was moved to; when that
# output goes away the program moves to the one left.
step_monitors() {
  read -r x y _ _ < <(output 1)
  be_move_window "Select Test" $((x + 76)) $((y + 60))
  check "the selection window was moved to the second output" "$(inside 'Select Test' 1)" yes
  step_info exact 1 # moved there, it reads the second output
  check "the selection window is whole at the second output's scale" "$(be_window_geometry 'Select Test' | awk -v s="$(
    be_outputs | awk 'NR == 2 { print $6 }')" '{ d = $3 - 4665 / 15 * s; print (d * d <= 1) ? "yes" : $3 }')" yes
  for i in 16 8 9 23; do
    choose "$i"; expect "test $i on the second output" 1 "${MODE[$i]}"
    check "test $i covers the second output" "$(be_window_geometry Tintoral)" "$(output 1)"
    [ "$i" != 9 ] || step_info exact 1 # shown again there, it reads the second output
  done
  be_key plus plus; expect "test card denser on the second output" 1 24 --nb-points 27
  be_remove_output "$(be_outputs | awk 'NR == 2 { print $1 }')" || { echo "$NAME: no output removed (the server cannot)"; return 0; }
  check "output removed: the program still runs" "$(running)" running
  check "output removed: the pattern covers the output left" "$(be_window_geometry Tintoral)" "$(output 0)"
  expect "output removed: the test card on the output left" 0 24 --nb-points 27
  show_launcher
  check "output removed: the selection window comes up on it" "$(inside 'Select Test' 0)" yes
  choose 17; expect "output removed: colour bars" 0 12
}

# The info frame reads the output's device size; where the picture cannot be
# exact (a desktop that scales it, a screen that rounds colours) a note under
# it and one line on standard error say so, and only there. The frame's
# picture stays in info.png for a look (E2E_KEEP=1).
step_info() { # exact|note [OUTPUT, the first by default]
  local x y w h ox oy ow oh n=${2:-0}
  show_launcher
  read -r x y w h < <(be_window_geometry "Select Test"); read -r ox oy ow oh < <(output "$n")
  be_shot "$E2E_TMP/info.rgb" "$(be_outputs | awk -v n="$n" 'NR == n + 1 { print $1 }')"
  convert -size "${ow}x$oh" -depth 8 "rgb:$E2E_TMP/info.rgb" -crop "${w}x$((h - w * 3845 / 4665))+$((x - ox))+$((y - oy))" "$E2E_TMP/info.png"
  check "info frame: the output's device size" "$(tesseract "$E2E_TMP/info.png" - --psm 6 2> /dev/null \
    | tr -d " " | grep -o "^Resolution.[0-9]*x[0-9]*" | cut -c12-)" "${ow}x$oh"
  check "info frame: a note under the resolution" "$([ "$h" -gt $((w * 4545 / 4665 + 2)) ] && echo note || echo exact)" "$1"
  check "standard error: lines" "$(grep -c '^tintoral: ' "$E2E_TMP/app.log")" "$([ "$1" = note ] && echo 1 || echo 0)"
}

# The screen's colour depth for the server started next.
step_depth() { BE_DEPTH=$1; }

# On a palette screen the program says in one line that it needs true colour
# and ends with status 1 before it opens a window.
step_refuse() {
  local status=0
  be_start "$SCALE" "$OUTPUTS" "$WM"
  timeout 15 "$TINTORAL" > "$E2E_TMP/app.log" 2>&1 || status=$?
  check "palette screen: exit status" "$status" 1
  check "palette screen: one line said" "$(grep -c '^tintoral: ' "$E2E_TMP/app.log")" 1
}

# The output's resolution changes while a test is shown.
step_resize() {
  choose 16; expect "geometry at $OUTPUTS" 0 18
  for size in 800x600 1023x767 1280x1024 1023x767; do
    be_set_output "$(be_outputs | awk '{ print $1 }')" "${size%x*}" "${size#*x}" "$SCALE_F"
    check "resolution $size: the program still runs" "$(running)" running
    check "resolution $size: the pattern covers the output" "$(be_window_geometry Tintoral)" "0 0 ${size/x/ }"
    expect "geometry after the change to $size" 0 18
  done
  show_launcher
  check "resolution changed: the selection window is on the output" "$(inside 'Select Test' 0)" yes
  choose 8; expect "dots after the change" 0 14
}

# The command line: the monitors it lists; bad options refused with status 2
# and one line before any window is mapped (with a display, and with an empty one); and a
# start with Qt's own option, on the second output, with a test that orbits
# from the start as if chosen in the selection window.
step_options() {
  be_start "$SCALE" "$OUTPUTS" "$WM"
  # A runtime dir of the program's own, else Qt adds a warning line to every
  # message (the compositor's socket is then named by its path).
  [ -z "${WAYLAND_DISPLAY:-}" ] || export WAYLAND_DISPLAY=$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY
  export XDG_RUNTIME_DIR=$E2E_TMP/app-run
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  check "--list-screens" "$("$TINTORAL" --list-screens)" "$(be_outputs | awk '{ printf "%s  %sx%s+%s+%s  scale %s  twips per pixel %g  %s  exact\n",
    $1, $4, $5, $2, $3, $6, 1440 / (96 * $6), NR == 1 ? "primary" : "secondary" }')"
  local names args headless want err status
  names=$(be_outputs | awk '{ print $1 }' | paste -sd , | sed 's/,/, /g')
  be_watch_windows
  while IFS='|' read -r args headless want; do # arguments | status without a display | the message's start
    eval "set -- $args"; want=${want//'$names'/$names}
    status=0; err=$(timeout 10 "$TINTORAL" "$@" 2>&1 > /dev/null) || status=$?
    check "$args: status, lines, message" "$status $(wc -l <<< "$err") ${err:0:${#want}}" "2 1 $want"
    status=0; DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM= timeout 10 "$TINTORAL" "$@" > /dev/null 2>&1 || status=$?
    check "$args without a display: status" "$status" "$headless"
  done < <(grep -v '^#' "$here/options.txt")
  check "bad options: windows mapped" "$(be_windows_mapped)" 0
  be_start_app -platform "$([ -n "${WAYLAND_DISPLAY:-}" ] && echo wayland || echo xcb)" --screen "$(be_outputs | awk 'NR == 2 { print $1 }')" --test 18
  check "--screen: the pattern covers the second output" "$(be_window_geometry Tintoral)" "$(output 1)"
  local orbit shifted=()
  for orbit in 1,0 1,1 0,1 -1,1 -1,0 -1,-1 0,-1 1,-1; do shifted+=("$(render 1 18 --orbit "$orbit")"); done
  check "--test 18: the geometry test orbits on the second output" "$(await_match 1 "${shifted[@]}" | tr 1-8 s)" s
}

for step in $STEPS; do "step_${step%%=*}" "${step#*=}"; done
echo "$NAME: $PASSES passed, $FAILS failed"
[ "$FAILS" -eq 0 ]
