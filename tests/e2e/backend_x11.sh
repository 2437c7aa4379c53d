# X11 backend of tests/e2e/e2e.sh: Xvfb with openbox (or no window manager),
# real X input by xdotool, screenshots by X GetImage. Sourced by the driver,
# which calls only these functions for what depends on the display server:
#   be_start SCALE OUTPUTS WM   SCALE: a factor (QT_SCALE_FACTOR), one per
#                               output (1,2: QT_SCREEN_SCALE_FACTORS) or
#                               xft-dpi=N (the X resource Xft.dpi); OUTPUTS:
#                               WxH[,WxH] side by side; WM: openbox or none;
#                               the screen's depth is $BE_DEPTH (24 unless set)
#   be_start_app ARGS...        start $TINTORAL, wait for its pattern window;
#                               status in $E2E_TMP/app.status, output in app.log
#   be_shot FILE [OUTPUT]       raw 8-bit RGB (no header), rows top down, of
#                               the whole desktop or one output, in device pixels
#   be_key KEY...               type xdotool key names into the focused window
#   be_click X Y [BUTTON]       click at desktop coordinates (those of
#                               be_window_geometry and be_outputs' X Y)
#   be_move_window TITLE X Y    move a top-level window as a user does
#   be_close_window TITLE       ask the window manager to close it
#   be_window_geometry TITLE    "X Y W H", empty while not mapped
#   be_focused                  title of the window with the keyboard focus
#   be_outputs                  "NAME X Y W H SCALE" per output (W H in device
#                               pixels; SCALE device pixels per logical pixel)
#   be_set_output NAME W H SCALE, be_remove_output NAME
#   be_move_pointer X Y, be_pointer_shown X Y ("shown" or "hidden": the
#                               pointer near X Y as the user sees it)
# Everything started is registered in E2E_PIDS for the driver's trap.

be_start() {
  local scale=$1 outputs=$2 wm=$3 w=0 h=0 o i fifo="$E2E_TMP/displayfd"
  for o in ${outputs//,/ }; do w=$((w + ${o%x*})); [ "${o#*x}" -gt $h ] && h=${o#*x}; done
  : > "$fifo"
  mkdir -p "$E2E_TMP/fb"
  # -noreset: without it the server resets whenever its last client leaves,
  # and loses the root window's resources (Xft.dpi) and monitor layout.
  # -fbdir: the framebuffer file has the pointer drawn in, as a user sees it.
  Xvfb -displayfd 9 -screen 0 "${w}x${h}x${BE_DEPTH:-24}" -nolisten tcp -noreset +extension RANDR -fbdir "$E2E_TMP/fb" \
    9> "$fifo" > "$E2E_TMP/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  wait_for "Xvfb to start" '[ "$(wc -l < "$fifo")" -ge 1 ]' || { cat "$E2E_TMP/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$fifo" | tr -d '[:space:]')"
  wait_for "the X server at $DISPLAY" 'xdotool getdisplaygeometry' || exit 1
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
  case $scale in
    xft-dpi=*) echo "Xft.dpi: ${scale#xft-dpi=}" | xrdb -merge
               xrdb -query | grep -qx "Xft.dpi:[[:space:]]*${scale#xft-dpi=}" || fail_now "the server did not keep Xft.dpi"
               BE_SCALE=$(awk -v d="${scale#xft-dpi=}" 'BEGIN { print d / 96 }') ;;
    *,*) local f n=0  # one factor per monitor, as KDE Plasma sets them
         for f in ${scale//,/ }; do QT_SCREEN_SCALE_FACTORS+="OUT$n=$f;" n=$((n + 1)); done
         export QT_SCREEN_SCALE_FACTORS; BE_SCALE=$scale ;;
    *) export QT_SCALE_FACTOR=$scale; BE_SCALE=$scale ;;
  esac
  BE_WM=$wm
  if [ "$wm" = openbox ]; then
    openbox --sm-disable > "$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for "openbox to start" 'wmctrl -m' || { cat "$E2E_TMP/openbox.log"; exit 1; }
  fi
  # Monitors of one X screen. Xvfb takes a new monitor only while some client
  # listens to RandR events: the window manager, or else the program itself.
  BE_MONITORS=()
  [[ $outputs == *,* ]] || return 0
  local x=0 n=0
  for o in ${outputs//,/ }; do
    BE_MONITORS+=("OUT$n ${o%x*}/$((${o%x*} * 254 / 960))x${o#*x}/$((${o#*x} * 254 / 960))+$x+0 $([ $n = 0 ] && echo screen || echo none)")
    x=$((x + ${o%x*})); n=$((n + 1))
  done
  [ "$wm" = none ] || be_set_monitors
}

be_set_monitors() {
  local m i
  for i in $(seq 40); do
    for m in "${BE_MONITORS[@]}"; do xrandr --setmonitor $m > /dev/null 2>&1 || true; done
    [ "$(xrandr --listmonitors | awk 'NR == 1 { print $2 }')" = "${#BE_MONITORS[@]}" ] && return 0
    sleep 0.1
  done
  fail_now "the monitors could not be set"
}

be_start_app() {
  rm -f "$E2E_TMP/app.status"
  ( set +e; "$TINTORAL" "$@" > "$E2E_TMP/app.log" 2>&1; echo $? > "$E2E_TMP/app.status" ) &
  E2E_PIDS+=($!)
  wait_for "the pattern window" '[ -n "$(be_window_id Tintoral)" ]' || { cat "$E2E_TMP/app.log"; exit 1; }
  if [ "$BE_WM" = none ] && [ ${#BE_MONITORS[@]} -gt 0 ]; then be_set_monitors; sleep 0.5; fi
  sleep 0.3
}

# The id of the mapped window titled exactly $1: from the window manager's
# client list, or without one from the mapped windows themselves.
be_window_id() {
  if [ "$BE_WM" = openbox ]; then
    wmctrl -l 2>/dev/null | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == t) { print id; exit } }'
  else
    local w
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null || true); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
  fi
}

be_window_geometry() {
  local id
  id=$(be_window_id "$1")
  [ -n "$id" ] || return 0
  # xwininfo, not xdotool: under a reparenting window manager xdotool adds
  # the frame offset twice.
  xwininfo -id "$id" | awk -F: '/Absolute upper-left X/{x=$2} /Absolute upper-left Y/{y=$2}
    /^ *Width/{w=$2} /^ *Height/{h=$2} END{print x+0, y+0, w+0, h+0}'
}

be_shot() {
  local area
  area=$( [ -n "${2:-}" ] && be_outputs | awk -v n="$2" '$1 == n { print $4 "x" $5 "+" $2 "+" $3 }')
  import -window root ${area:+-crop "$area" +repage} -depth 8 "rgb:$1"
}

be_key() { xdotool key --delay 40 "$@"; }
be_click() { xdotool mousemove "$1" "$2" click "${3:-1}"; sleep 0.4; }
be_move_pointer() { xdotool mousemove "$1" "$2"; }
be_focused() { xdotool getwindowfocus getwindowname 2>/dev/null; }
be_close_window() { wmctrl -c "$1"; }

# With a window manager, dragged by the title bar; without one, moved by the
# request a window manager would make.
be_move_window() {
  local x y w h step
  if [ "$BE_WM" = none ]; then xdotool windowmove "$(be_window_id "$1")" "$2" "$3"; sleep 0.4; return; fi
  read -r x y w h < <(be_window_geometry "$1")
  xdotool mousemove $((x + 40)) $((y - 8)) mousedown 1
  sleep 0.2
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((x + 40 + ($2 - x) * step / 8)) $((y - 8 + ($3 - y) * step / 8))
    sleep 0.05
  done
  xdotool mouseup 1
  sleep 0.4
}

be_outputs() {
  if [ ${#BE_MONITORS[@]} -gt 0 ]; then
    xrandr --listmonitors | awk -v s="$BE_SCALE" 'NR > 1 { split($3, g, /[\/x+]/); n = split(s, f, ","); print $2, g[5], g[6], g[1], g[3], f[(n > 1) ? NR - 1 : 1] }' | tr -d '+*'
  else
    xdotool getdisplaygeometry | awk -v s="$BE_SCALE" '{ print "screen", 0, 0, $1, $2, s }'
  fi
}

# A resolution change of the one output (RandR modes; the scale stays).
# Xvfb finds a new mode only while some client listens to RandR events.
be_set_output() {
  local w=$2 h=$3
  if ! xrandr | grep -q "^ *${w}x${h} "; then
    xrandr --newmode "${w}x${h}" 60 "$w" $((w + 8)) $((w + 16)) $((w + 24)) "$h" $((h + 1)) $((h + 2)) $((h + 3))
    xrandr --addmode screen "${w}x${h}"
  fi
  xrandr --output screen --mode "${w}x${h}"
  sleep 0.5
}

be_remove_output() {
  xrandr --delmonitor "$1"
  local keep=() m
  for m in "${BE_MONITORS[@]}"; do [ "${m%% *}" = "$1" ] || keep+=("$m"); done
  BE_MONITORS=("${keep[@]}")
  sleep 0.5
}

# Near the pointer the framebuffer (with the pointer drawn in) differs from a
# screenshot (without it) exactly while the pointer is shown.
be_pointer_shown() {
  local area=60x60+$(($1 - 20))+$(($2 - 20))
  convert "xwd:$E2E_TMP/fb/Xvfb_screen0" -crop "$area" +repage -depth 8 "rgb:$E2E_TMP/fb.rgb"
  import -window root -crop "$area" +repage -depth 8 "rgb:$E2E_TMP/nofb.rgb"
  cmp -s "$E2E_TMP/fb.rgb" "$E2E_TMP/nofb.rgb" && echo hidden || echo shown
}
