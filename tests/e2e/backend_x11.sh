# SPDX-License-Identifier: MIT
# X11 backend of tests/e2e/e2e.sh: Xvfb with openbox (or no window manager),
# real X input by xdotool, screenshots by X GetImage. The driver calls only
# these functions for what depends on the display server:
#   be_start SCALE OUTPUTS WM   SCALE: a factor (QT_SCALE_FACTOR), one per output
#                               (1,2: QT_SCREEN_SCALE_FACTORS) or xft-dpi=N (the
#                               X resource Xft.dpi); OUTPUTS: WxH[,WxH...] side by
#                               side; WM: openbox or none; depth $BE_DEPTH or 24
#   be_start_app ARGS...        start $TINTORAL, wait for its pattern window; exit
#                               status to $E2E_TMP/app.status, output to app.log
#   be_shot FILE [OUTPUT]       raw 8-bit RGB, no header, rows top down, of the
#                               whole desktop or one output, in device pixels
#   be_key KEY...               xdotool key names, typed into the focused window
#   be_click X Y [BUTTON]       click at desktop coordinates (those of
#                               be_window_geometry and of be_outputs' X Y)
#   be_move_window TITLE X Y    move a top-level window as a user does
#   be_close_window TITLE       close it as the window manager's close box does
#   be_window_geometry TITLE    "X Y W H" of the window so titled, empty if not mapped
#   be_focused                  the title of the window with the keyboard focus
#   be_outputs                  "NAME X Y W H SCALE" per output, W H in device pixels
#   be_set_output NAME W H SCALE, be_remove_output NAME (fails where the server cannot)
#   be_watch_windows, be_windows_mapped   the number of windows mapped since the watch began
# Everything started goes into E2E_PIDS, which the driver's trap stops.
be_start() {
  local scale=$1 outputs=$2 w=0 h=0 x=0 o fifo="$E2E_TMP/displayfd"
  BE_WM=$3 BE_MONITORS=()
  for o in ${outputs//,/ }; do
    [[ $outputs == *,* ]] && BE_MONITORS+=("OUT${#BE_MONITORS[@]} ${o%x*}/$((${o%x*} * 254 / 960))x${o#*x}/$((${o#*x} * 254 / 960))+$w+0 none")
    w=$((w + ${o%x*})); [ "${o#*x}" -gt $h ] && h=${o#*x}
  done
  [ ${#BE_MONITORS[@]} = 0 ] || BE_MONITORS[0]=${BE_MONITORS[0]% none}" screen"
  : > "$fifo"
  # -noreset: else the server resets when its last client leaves, losing the root
  # window's resources (Xft.dpi) and the monitors.
  Xvfb -displayfd 9 -screen 0 "${w}x${h}x${BE_DEPTH:-24}" -nolisten tcp -noreset +extension RANDR 9> "$fifo" > "$E2E_TMP/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  wait_for "Xvfb" '[ "$(wc -l < "$fifo")" -ge 1 ]' || { cat "$E2E_TMP/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$fifo" | tr -d '[:space:]')"
  wait_for "the X server at $DISPLAY" 'xdotool getdisplaygeometry' || exit 1
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
  if [[ $scale == xft-dpi=* ]]; then
    echo "Xft.dpi: ${scale#xft-dpi=}" | xrdb -merge
    xrdb -query | grep -qx "Xft.dpi:[[:space:]]*${scale#xft-dpi=}" || fail_now "the X server did not keep Xft.dpi"
    BE_SCALE=$(awk -v d="${scale#xft-dpi=}" 'BEGIN { print d / 96 }')
  elif [[ $scale == *,* ]]; then # one factor per monitor, as KDE Plasma sets them
    for o in ${scale//,/ }; do QT_SCREEN_SCALE_FACTORS+="OUT$x=$o;" x=$((x + 1)); done
    export QT_SCREEN_SCALE_FACTORS; BE_SCALE=$scale
  else
    export QT_SCALE_FACTOR=$scale; BE_SCALE=$scale
  fi
  if [ "$BE_WM" = openbox ]; then
    openbox --sm-disable > "$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for "openbox" 'wmctrl -m' || { cat "$E2E_TMP/openbox.log"; exit 1; }
    be_set_monitors
  fi
}
# Xvfb takes a new monitor only while some client listens to RandR events: the
# window manager, or else the program itself.
be_set_monitors() {
  for _ in $(seq 40); do
    for m in "${BE_MONITORS[@]}"; do xrandr --setmonitor $m > /dev/null 2>&1 || true; done
    [ "$(be_outputs | wc -l)" = "$(( ${#BE_MONITORS[@]} > 0 ? ${#BE_MONITORS[@]} : 1 ))" ] && return 0; sleep 0.1
  done
  fail_now "the monitors could not be set"
}
be_start_app() {
  rm -f "$E2E_TMP/app.status"
  ( set +e; "$TINTORAL" "$@" > "$E2E_TMP/app.log" 2>&1; echo $? > "$E2E_TMP/app.status" ) &
  E2E_PIDS+=($!)
  wait_for "the pattern window" '[ -n "$(be_window_id Tintoral)" ]' || { cat "$E2E_TMP/app.log"; exit 1; }
  [ "$BE_WM" = openbox ] || { be_set_monitors; sleep 0.2; }
  sleep 0.3
}
# The mapped window titled exactly $1: from the window manager's client list,
# or without one from the mapped windows themselves.
be_window_id() {
  if [ "$BE_WM" = openbox ]; then
    wmctrl -l 2> /dev/null | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == t) { print id; exit } }'
  else
    for w in $(xdotool search --onlyvisible --name '' 2> /dev/null || true); do
      [ "$(xdotool getwindowname "$w" 2> /dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
  fi
}
# xwininfo, not xdotool: under a reparenting window manager xdotool adds the frame offset twice.
be_window_geometry() {
  local id; id=$(be_window_id "$1")
  [ -z "$id" ] || xwininfo -id "$id" | awk -F: '/Absolute upper-left X/{x=$2} /Absolute upper-left Y/{y=$2} /^ *Width/{w=$2} /^ *Height/{h=$2} END{print x+0, y+0, w+0, h+0}'
}
be_shot() {
  local area; area=$(be_outputs | awk -v n="${2:-}" '$1 == n { print $4 "x" $5 "+" $2 "+" $3 }')
  import -window root ${area:+-crop "$area" +repage} -depth 8 "rgb:$1"
}
be_key() { xdotool key --delay 40 "$@"; }
be_click() { xdotool mousemove "$1" "$2" click "${3:-1}"; sleep 0.4; }
be_focused() { xdotool getwindowfocus getwindowname 2> /dev/null; }
be_close_window() { wmctrl -c "$1"; }
# With a window manager dragged by its title bar; without one, moved by the request a window manager would make.
be_move_window() {
  if [ "$BE_WM" = none ]; then xdotool windowmove "$(be_window_id "$1")" "$2" "$3"; sleep 0.4; return; fi
  local x y _; read -r x y _ _ < <(be_window_geometry "$1")
  xdotool mousemove $((x + 40)) $((y - 8)) mousedown 1; sleep 0.2
  for s in 1 2 3 4 5 6 7 8; do xdotool mousemove $((x + 40 + ($2 - x) * s / 8)) $((y - 8 + ($3 - y) * s / 8)); sleep 0.05; done
  xdotool mouseup 1; sleep 0.4
}
be_outputs() {
  xrandr --listmonitors | awk -v s="$BE_SCALE" 'NR > 1 { split($3, g, /[\/x+]/); sub(/^[+*]+/, "", $2); n = split(s, f, ","); print $2, g[5], g[6], g[1], g[3], f[(n > 1) ? NR - 1 : 1] }'
}
# A new resolution of the one output, by RandR modes (Xvfb finds a new mode
# only while some client listens to RandR events: the program does).
be_set_output() {
  xrandr | grep -q "^ *$2x$3 " || { xrandr --newmode "$2x$3" 60 "$2" $(($2 + 8)) $(($2 + 16)) $(($2 + 24)) "$3" $(($3 + 1)) $(($3 + 2)) $(($3 + 3)); xrandr --addmode screen "$2x$3"; }
  xrandr --output screen --mode "$2x$3"; sleep 0.5
}
be_remove_output() { xrandr --delmonitor "$1"; sleep 0.5; }
be_watch_windows() { xev -root -event substructure > "$E2E_TMP/xev.log" & E2E_PIDS+=($!); sleep 0.3; }
be_windows_mapped() { grep -c MapNotify "$E2E_TMP/xev.log" || true; }
