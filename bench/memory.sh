#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Resident memory of the real program showing each test full screen, in a
# private X server (Xvfb) with a window manager: it starts the program,
# chooses every test with a real click in the selection window, tunes it to
# its costliest state with real keys, and reads VmRSS (and its anonymous,
# file and shared parts, and the peak VmHWM) from /proc/PID/status.
#
#   bash bench/memory.sh [BUILD_DIR] [WIDTHxHEIGHT]     (default build, 3840x2160)
set -euo pipefail

BUILD_DIR=${1:-build}
SIZE=${2:-3840x2160}
TINTORAL=$BUILD_DIR/tintoral
[ -x "$TINTORAL" ] || { echo "no $TINTORAL: build the tintoral target first" >&2; exit 1; }
for tool in Xvfb openbox wmctrl xdotool xwininfo; do
  command -v "$tool" > /dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done

PIDS=()
TMP=$(mktemp -d /tmp/tintoral-memory.XXXXXX)
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$TMP"
}
trap cleanup EXIT

: > "$TMP/displayfd"
Xvfb -displayfd 9 -screen 0 "${SIZE}x24" -nolisten tcp 9> "$TMP/displayfd" > "$TMP/xvfb.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do [ -s "$TMP/displayfd" ] && break; sleep 0.05; done
[ -s "$TMP/displayfd" ] || { echo "Xvfb did not start" >&2; cat "$TMP/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$TMP/displayfd" | tr -d '[:space:]')"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR
openbox --sm-disable > "$TMP/openbox.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 100); do wmctrl -m > /dev/null 2>&1 && break; sleep 0.05; done

"$TINTORAL" > "$TMP/app.log" 2>&1 &
APP=$!
PIDS+=($APP)

# The id of the mapped window with exactly this title, from the window manager's list.
window() {
  wmctrl -l 2>/dev/null | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == t) { print id; exit } }'
}
wait_for() { # until the window is shown (1) or hidden (0)
  for _ in $(seq 100); do
    if [ -n "$(window "$1")" ]; then [ "$2" = 1 ] && return 0; else [ "$2" = 0 ] && return 0; fi
    sleep 0.05
  done
  echo "'$1' did not $([ "$2" = 1 ] && echo appear || echo hide)" >&2
  exit 1
}
wait_for Tintoral 1
sleep 1

# "kB" figures of /proc/PID/status, in MiB.
mb() { awk -v k="$1:" '$1 == k { printf "%.1f", $2 / 1024 }' "/proc/$APP/status"; }
report() {
  printf '%-32s %8s %8s %8s %8s %8s\n' "$1" "$(mb VmRSS)" "$(mb RssAnon)" "$(mb RssFile)" "$(mb RssShmem)" "$(mb VmHWM)"
}

# Each test: mode code, the caption of its button, the centre of the button
# in twips of the selection window's client area, and the keys that take it
# to its costliest state.
TESTS=(
  "1|B&W|487 1087|*"        "2|Black|1207 1087|"       "3|White|1927 1087|"
  "4|Grey|2647 1087|"       "5|Red|847 1327|"          "6|Green|2287 1327|"
  "7|Blue|3727 1327|"       "8|Black +|3367 1087|"     "9|Red Shading|847 1567|*"
  "10|Green Shading|2287 1567|*" "11|Blue Shading|3727 1567|*" "12|Color|4087 1087|"
  "13|All colors Shading|847 1807|*" "14|White Dot Pattern|1087 2527|*++++++++++++++++++++"
  "15|Red Dot Pattern|1087 2767|*++++++++++++++++++++" "16|Green Dot Pattern|1087 3007|*++++++++++++++++++++"
  "17|Blue Dot Pattern|1087 3247|*++++++++++++++++++++" "18|Geometrie|3307 2767|++++++++++++++++++++++++++"
  "19|Vertical lines|1087 3487|++++" "20|Horizontal lines|1087 3727|++++"
  "21|Black level test|2287 1807|" "22|White level test|3727 1807|"
  "23|Convergence Grid|3307 2527|*++++++++++++++++++++" "24|Test|3307 3727|*++++++++++++++++++++"
)

echo "tintoral at $SIZE under Xvfb and openbox: resident memory in MiB"
printf '%-32s %8s %8s %8s %8s %8s\n' "showing" VmRSS RssAnon RssFile RssShmem VmHWM
report "0 start (black)"
for t in "${TESTS[@]}"; do
  IFS='|' read -r code caption centre keys <<< "$t"
  xdotool key Escape
  wait_for "Select Test" 1
  sleep 0.3
  read -r tx ty <<< "$centre"
  read -r x y < <(xwininfo -id "$(window 'Select Test')" \
    | awk -F: '/Absolute upper-left X/{x=$2} /Absolute upper-left Y/{y=$2} END{print x+0, y+0}')
  xdotool mousemove $((x + tx / 15)) $((y + ty / 15)) click 1
  wait_for "Select Test" 0
  sleep 0.3
  report "$code $caption"
  if [ -n "$keys" ]; then
    for ((i = 0; i < ${#keys}; i++)); do xdotool type --delay 20 "${keys:i:1}"; done
    sleep 0.3
    report "$code $caption, tuned"
  fi
done
kill -0 "$APP" 2>/dev/null || { echo "the program ended early" >&2; cat "$TMP/app.log" >&2; exit 1; }
w=${SIZE%x*} h=${SIZE#*x}
echo "One ${SIZE} image of 32-bit pixels is $(awk -v n=$((w * h * 4)) 'BEGIN { printf "%.1f", n / 1048576 }') MiB:" \
  "RssShmem holds the window's image, shared with the X server, which the program draws into."
