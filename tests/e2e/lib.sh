# Shared by the end-to-end tests: a private X server with a real window
# manager, real X input, screenshots read back pixel by pixel. Everything
# started here is stopped on exit, pass or fail.
set -euo pipefail

E2E_PIDS=()
E2E_TMP=$(mktemp -d /tmp/tintoral-e2e.XXXXXX)
E2E_FAILS=0
E2E_PASSES=0
# Polls for something the program or the X server does wait up to this many
# steps of 0.05 s: generous, as a loaded machine can take seconds to map a
# window; a check that passes never waits that long.
E2E_WAIT_STEPS=300

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
  # shellcheck disable=SC2086 # E2E_XVFB_ARGS: extra server options, split on blanks
  # -noreset: without it the server resets whenever its last client leaves,
  # and loses the root window's resources (Xft.dpi) and monitor layout.
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset +extension RANDR ${E2E_XVFB_ARGS:-} 9> "$fifo" \
    > "$E2E_TMP/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  local i
  # The display number is complete once its line ends.
  for i in $(seq "$E2E_WAIT_STEPS"); do [ "$(wc -l < "$fifo")" -ge 1 ] && break; sleep 0.05; done
  [ "$(wc -l < "$fifo")" -ge 1 ] || { echo "Xvfb did not start"; cat "$E2E_TMP/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$fifo" | tr -d '[:space:]')"
  for i in $(seq "$E2E_WAIT_STEPS"); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.05; done
  xdotool getdisplaygeometry > /dev/null 2>&1 \
    || { echo "cannot connect to Xvfb at $DISPLAY"; cat "$E2E_TMP/xvfb.log"; exit 1; }
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR
  if [ "$wm" = openbox ]; then
    openbox --sm-disable > "$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    for i in $(seq "$E2E_WAIT_STEPS"); do wmctrl -m > /dev/null 2>&1 && break; sleep 0.05; done
    wmctrl -m > /dev/null 2>&1 || { echo "openbox did not start"; cat "$E2E_TMP/openbox.log"; exit 1; }
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
# manager's client list (with no window manager running, from the mapped
# windows themselves).
e2e_window_id() {
  if wmctrl -m > /dev/null 2>&1; then
    wmctrl -l 2>/dev/null | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == t) { print id; exit } }'
  else
    local w
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null || true); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    return 0
  fi
}

e2e_window_visible() { [ -n "$(e2e_window_id "$1")" ]; }

# Waits until a mapped window with this exact title exists.
e2e_wait_window() {
  local i
  for i in $(seq "$E2E_WAIT_STEPS"); do
    e2e_window_visible "$1" && return 0
    sleep 0.05
  done
  return 1
}

# Waits for the program to end; prints its exit status, or "running".
e2e_wait_exit() {
  local i
  for i in $(seq "$E2E_WAIT_STEPS"); do
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
# The window is laid out at 15 twips per logical pixel; at a display scale
# (E2E_SCALE device pixels per logical pixel, 1 unless set) it is that much larger.
e2e_click_launcher() {
  local tx=$1 ty=$2 x y w h
  read -r x y w h < <(e2e_geometry "Select Test")
  xdotool mousemove $(awk -v x="$x" -v y="$y" -v tx="$tx" -v ty="$ty" -v s="${E2E_SCALE:-1}" \
    'BEGIN { printf "%d %d", x + int(tx * s / 15), y + int(ty * s / 15) }') click 1
  sleep 0.4
}

# Checks that "Select Test" (4665 x 4545 twips of client area, 15 twips per
# logical pixel) has the size it has at E2E_SCALE, to within a pixel of rounding.
e2e_expect_scale() {
  local x y w h want
  read -r x y w h < <(e2e_geometry "Select Test")
  want=$(awk -v s="${E2E_SCALE:-1}" 'BEGIN { printf "%d", 4665 / 15 * s + 0.5 }')
  if [ $((w - want)) -gt 1 ] || [ $((want - w)) -gt 1 ]; then
    check "the program runs at scale ${E2E_SCALE:-1} (selection window $want pixels wide)" "$w" "$want"
    return 1
  fi
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

# --- Screen against render tool -------------------------------------------

# Centres of the 24 test buttons in client-area twips of "Select Test", by
# element index, and the mode code each one chooses.
E2E_BUTTON=(
  "1207 1087" "487 1087" "1927 1087" "2647 1087" "3367 1087" "847 1327" "2287 1327" "3727 1327"
  "1087 2527" "3307 2527" "1087 2767" "1087 3007" "1087 3247" "3727 1567" "2287 1567" "847 1567"
  "3307 2767" "4087 1087" "847 1807" "1087 3487" "1087 3727" "2287 1807" "3727 1807" "3307 3727"
)
E2E_MODE=(2 1 3 4 8 5 6 7 14 23 15 16 17 11 10 9 18 12 13 19 20 21 22 24)
E2E_ORBITING_BOX="2430 3247"
E2E_EXIT_BUTTON="2287 4267"

# Waits until no mapped window has this exact title.
e2e_wait_gone() {
  local i
  for i in $(seq "$E2E_WAIT_STEPS"); do
    e2e_window_visible "$1" || return 0
    sleep 0.05
  done
  return 1
}

# Brings up "Select Test" (Escape in the pattern window) unless it is shown.
e2e_show_launcher() {
  e2e_window_visible "Select Test" && return 0
  xdotool key Escape
  e2e_wait_window "Select Test" || { echo "the selection window did not appear"; return 1; }
  sleep 0.2
}

# Chooses a test by the element index of its button, through real clicks.
e2e_choose() {
  e2e_show_launcher
  # shellcheck disable=SC2086
  e2e_click_launcher ${E2E_BUTTON[$1]}
  e2e_wait_gone "Select Test" || echo "the selection window stayed after choosing test $1"
}

# Raw RGB of the render tool's image for these arguments (made once, then
# reused); prints the file name.
e2e_render() {
  local key f
  key=$(printf '%s_' "$@" | tr -c 'A-Za-z0-9._-' '_')
  f="$E2E_TMP/render_$key.rgb"
  if [ ! -f "$f" ]; then
    "$RENDER" "$@" --png "$f.png" || { echo "tintoral-render $* failed" >&2; return 1; }
    convert "$f.png" -depth 8 "rgb:$f"
  fi
  echo "$f"
}

# Screenshot of a WxH+X+Y area of the root window as raw RGB.
e2e_grab() {
  import -window root -crop "$2" +repage -depth 8 "rgb:$1"
}

# Takes shots of the area until one equals, byte for byte, one of the given
# raw images; prints the position (1, 2, ...) of the image matched, or 0 when
# none matched within about 4 seconds (E2E_TRIES shots; 1 checks the screen
# as it is now). The last shot stays in $E2E_TMP/last.rgb.
e2e_await_match() {
  local area=$1 i n f
  shift
  for i in $(seq "${E2E_TRIES:-25}"); do
    e2e_grab "$E2E_TMP/last.rgb" "$area"
    n=0
    for f in "$@"; do
      n=$((n + 1))
      cmp -s "$E2E_TMP/last.rgb" "$f" && { echo "$n"; return 0; }
    done
    sleep 0.15
  done
  echo 0
}

# Keeps a failing shot, its render and their difference where they survive
# the run, and says how many pixels differ and where the first one is.
e2e_explain_mismatch() {
  local what=$1 area=$2 want=$3 dir size
  dir=${E2E_ARTIFACTS:-/tmp/tintoral-e2e-failures}
  mkdir -p "$dir"
  size=${area%%+*}
  local base
  base="$dir/$(echo "$what" | tr -c 'A-Za-z0-9._-' '_')"
  convert -size "$size" -depth 8 "rgb:$E2E_TMP/last.rgb" "$base.screen.png"
  convert -size "$size" -depth 8 "rgb:$want" "$base.render.png"
  local ae
  ae=$(compare -metric AE "$base.screen.png" "$base.render.png" "$base.diff.png" 2>&1 || true)
  echo "  $what: $ae pixels differ; first at byte $(cmp "$E2E_TMP/last.rgb" "$want" 2>&1 | awk '{print $5}' | tr -d ,) ($base.*.png)"
}

# Checks that the area shows exactly the render of the given arguments.
e2e_expect_render() {
  local what=$1 area=$2 want got
  shift 2
  want=$(e2e_render "$@")
  got=$(e2e_await_match "$area" "$want")
  check "$what" "$([ "$got" = 1 ] && echo exact || echo differs)" exact
  [ "$got" = 1 ] || e2e_explain_mismatch "$what" "$area" "$want"
}
