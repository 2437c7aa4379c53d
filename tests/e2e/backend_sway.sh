# SPDX-License-Identifier: MIT
# Headless sway backend of tests/e2e/e2e.sh (the functions are those listed in
# backend_x11.sh): the program on Qt's Wayland platform, as a Wayland session
# starts it. SCALE is one output scale, or one per output ("1,2"). Desktop
# coordinates are device pixels: the outputs, which sway lays out side by side
# in logical pixels, are side by side at their device sizes. Keys and clicks
# go through one virtual keyboard and pointer ($VINPUT) held all run; clicks
# then through sway's own seat commands.
# X11's only: be_close_window and be_set_output.

be_swaymsg() { swaymsg "$@" > "$E2E_TMP/swaymsg.out" 2>&1 || fail_now "swaymsg $*: $(cat "$E2E_TMP/swaymsg.out")"; }

be_start() {
  local run=$E2E_TMP/run n=0 size scales=(${1//,/ })
  # sway refuses to run as root: an unprivileged user, a private runtime dir.
  chmod 0711 "$E2E_TMP"
  mkdir -m 0700 "$run"
  printf '%s\n' 'xwayland disable' 'default_border none' 'default_floating_border none' \
    'focus_follows_mouse no' 'focus_on_window_activation smart' 'seat * hide_cursor 300' > "$run/config"
  chown -R 65534:65534 "$run"
  env -i PATH="$PATH" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    WLR_HEADLESS_OUTPUTS=$(($(tr -cd , <<< "$2" | wc -c) + 1)) \
    setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$run/config" > "$E2E_TMP/sway.log" 2>&1 &
  E2E_PIDS+=($!)
  unset DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
  export XDG_RUNTIME_DIR=$run XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-1 SWAYSOCK
  wait_for "sway to start" 'SWAYSOCK=$(ls "$run"/sway-ipc.*.sock) && [ -S "$run/$WAYLAND_DISPLAY" ] && swaymsg -t get_version' \
    || { cat "$E2E_TMP/sway.log"; exit 1; }
  SWAYSOCK=$(ls "$run"/sway-ipc.*.sock)
  for size in ${2//,/ }; do
    be_swaymsg output "HEADLESS-$((n + 1))" resolution "$size" scale "${scales[$n]:-${scales[0]}}"
    n=$((n + 1))
  done
  coproc BE_VIN { "$VINPUT"; }
  E2E_PIDS+=("$BE_VIN_PID")
  read -r -t 15 size <&"${BE_VIN[0]}" && [ "$size" = ready ] || fail_now "the virtual keyboard and pointer did not start"
}

# Per output, left to right: NAME X Y W H SCALE (desktop) LX LY LW LH (logical).
be_layout() {
  swaymsg -t get_outputs | jq -r 'map(select(.active)) | sort_by(.rect.x) | reduce .[] as $o ([];
    . + [[$o.name, (if length > 0 then .[-1][1] + .[-1][3] else 0 end), 0, $o.current_mode.width,
          $o.current_mode.height, $o.scale, $o.rect.x, $o.rect.y, $o.rect.width, $o.rect.height]])
    | .[] | map(tostring) | join(" ")'
}
be_outputs() { be_layout | cut -d' ' -f1-6; }
be_logical() { # desktop X Y -> logical "X Y" of the layout
  be_layout | awk -v x="$1" -v y="$2" '$2 <= x && x < $2 + $4 || !f { f = 1; lx = $7 + (x - $2) / $6; ly = $8 + (y - $3) / $6 }
    END { printf "%.2f %.2f\n", lx, ly }'
}

be_window_geometry() {
  swaymsg -t get_tree | jq -r --arg t "$1" '.nodes[] | . as $o | .. | objects
    | select(.name == $t and .pid != null and .visible) | "\($o.name) \(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height)"' \
    | head -n1 | while read -r o x y w h; do
      # An edge on the output's logical edge is on its device edge (at a
      # fractional scale the logical size is rounded).
      be_layout | awk -v o="$o" -v x="$x" -v y="$y" -v w="$w" -v h="$h" 'function d(l, n, s, e) {
        return l >= n ? e : int(l * s + 0.5) } $1 == o { l = d(x - $7, $9, $6, $4); t = d(y - $8, $10, $6, $5)
        printf "%d %d %d %d\n", $2 + l, $3 + t, d(x + w - $7, $9, $6, $4) - l, d(y + h - $8, $10, $6, $5) - t }'
    done
}

be_start_app() {
  rm -f "$E2E_TMP/app.status"
  # The program's own pid goes to the trap too: one that hangs on its way out
  # (Qt's Wayland plugin can, at exit) must not outlive the run.
  ( set +e; "$TINTORAL" "$@" > "$E2E_TMP/app.log" 2>&1 & echo $! > "$E2E_TMP/app.pid"; wait $!; echo $? > "$E2E_TMP/app.status" ) &
  E2E_PIDS+=($!)
  wait_for "the pattern window" '[ -n "$(be_window_geometry Tintoral)" ]' || { cat "$E2E_TMP/app.log"; exit 1; }
  E2E_PIDS+=("$(cat "$E2E_TMP/app.pid")")
  sleep 0.3
}

be_shot() { grim -t ppm ${2:+-o "$2"} - | convert ppm:- -depth 8 "rgb:$1"; }
be_key() {
  local reply
  echo "$*" >&"${BE_VIN[1]}"
  read -r -t 15 reply <&"${BE_VIN[0]}" && [ "$reply" = ok ] || echo "keys $*: ${reply:-no answer}"
}
be_move_pointer() { be_swaymsg seat seat0 cursor set $(be_logical "$1" "$2"); }
be_click() {
  be_move_pointer "$1" "$2"
  be_swaymsg seat seat0 cursor press "button${3:-1}"
  be_swaymsg seat seat0 cursor release "button${3:-1}"
  sleep 0.4
}
be_move_window() { be_swaymsg "[title=\"^$1\$\"]" move absolute position $(be_logical "$2" "$3" | awk '{ printf "%d %d", $1, $2 }'); sleep 0.4; }
be_focused() { swaymsg -t get_tree | jq -r '.. | objects | select(.focused) | .name'; }
# sway 1.7 can neither unplug a headless output nor disable one (its commit fails).
be_remove_output() { return 1; }
be_watch_windows() { swaymsg -r -m -t subscribe '["window"]' > "$E2E_TMP/windows.log" & E2E_PIDS+=($!); sleep 0.3; }
be_windows_mapped() { grep -c '"change": *"new"' "$E2E_TMP/windows.log" || true; }
