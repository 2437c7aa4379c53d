# Shared by the end-to-end tests: a private X server with a real window
# manager, real X input, screenshots read back pixel by pixel. Everything
# started here is stopped on exit, pass or fail.
set -euo pipefail

E2E_PIDS=()
E2E_TMP=$(mktemp -d /tmp/tintoral-e2e.XXXXXX)
E2E_FAILS=0
E2E_PASSES=0

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  sleep 0.2
  for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  [ -n "${E2E_KEEP:-}" ] && echo "kept $E2E_TMP" || rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# Starts Xvfb with the given screen size and openbox on it; exports DISPLAY.
e2e_start_x() {
  local size=${1:-1024x768} wm=${2:-openbox}
  local fifo="$E2E_TMP/displayfd"
  : > "$fifo"
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp +extension RANDR 9> "$fifo" \
    > "$E2E_TMP/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  local i
  for i in $(seq 100); do [ -s "$fifo" ] && break; sleep 0.05; done
  [ -s "$fifo" ] || { echo "Xvfb did not start"; cat "$E2E_TMP/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$fifo" | tr -d '[:space:]')"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR
  if [ "$wm" = openbox ]; then
    openbox --sm-disable > "$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    for i in $(seq 100); do wmctrl -m > /dev/null 2>&1 && break; sleep 0.05; done
  fi
}

# Starts the program; its exit status lands in $E2E_TMP/app.status.
e2e_start_app() {
  rm -f "$E2E_TMP/app.status"
  ( set +e; "$TINTORAL" "$@" > "$E2E_TMP/app.log" 2>&1; echo $? > "$E2E_TMP/app.status" ) &
  E2E_PIDS+=($!)
  e2e_wait_window "Tintoral" || { echo "the pattern window did not appear"; cat "$E2E_TMP/app.log"; exit 1; }
  sleep 0.3
}

# The id of the mapped window whose title is exactly $1, from the window
# manager's client list.
e2e_window_id() {
  wmctrl -l 2>/dev/null | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == t) { print id; exit } }'
}

e2e_window_visible() { [ -n "$(e2e_window_id "$1")" ]; }

# Waits until a mapped window with this exact title exists.
e2e_wait_window() {
  local i
  for i in $(seq 100); do
    e2e_window_visible "$1" && return 0
    sleep 0.05
  done
  return 1
}

# Waits for the program to end; prints its exit status, or "running".
e2e_wait_exit() {
  local i
  for i in $(seq 100); do
    [ -s "$E2E_TMP/app.status" ] && { cat "$E2E_TMP/app.status"; return; }
    sleep 0.05
  done
  echo running
}

# A screenshot of the root window (an X GetImage) as raw RGB bytes.
e2e_shot() {
  local name=$1
  import -window root "$E2E_TMP/$name.png"
  convert "$E2E_TMP/$name.png" -depth 8 "rgb:$E2E_TMP/$name.rgb"
  E2E_SHOT_WIDTH=$(identify -format '%w' "$E2E_TMP/$name.png")
}

# "R,G,B" of a pixel of the last shot with that name.
e2e_pixel() {
  local name=$1 x=$2 y=$3
  od -An -tu1 -j $(( (y * E2E_SHOT_WIDTH + x) * 3 )) -N 3 "$E2E_TMP/$name.rgb" \
    | awk '{printf "%s,%s,%s", $1, $2, $3}'
}

# Window geometry "X Y W H" of a window by name.
e2e_geometry() {
  local id
  id=$(e2e_window_id "$1")
  # xwininfo, not xdotool: under a reparenting window manager xdotool adds
  # the frame offset twice.
  xwininfo -id "$id" | awk -F: '/Absolute upper-left X/{x=$2} /Absolute upper-left Y/{y=$2}
    /^ *Width/{w=$2} /^ *Height/{h=$2} END{print x+0, y+0, w+0, h+0}'
}

# Clicks a point of the "Select Test" window given in twips of its client area.
e2e_click_launcher() {
  local tx=$1 ty=$2 x y w h
  read -r x y w h < <(e2e_geometry "Select Test")
  xdotool mousemove $(( x + tx / 15 )) $(( y + ty / 15 )) click 1
  sleep 0.4
}

check() {
  local what=$1 got=$2 want=$3
  if [ "$got" = "$want" ]; then
    E2E_PASSES=$((E2E_PASSES + 1))
  else
    E2E_FAILS=$((E2E_FAILS + 1))
    echo "FAIL: $what: got '$got', want '$want'"
  fi
}

e2e_finish() {
  echo "$E2E_PASSES passed, $E2E_FAILS failed"
  [ "$E2E_FAILS" -eq 0 ]
}
