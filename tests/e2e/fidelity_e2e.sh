#!/usr/bin/env bash
# What the screen shows is what the render tool draws: the real program in a
# real X server with a window manager, each test chosen by real clicks in
# "Select Test" and tuned by real keys, the screen read back and compared byte
# for byte with tintoral-render at the screen's device size and twips per
# pixel. Run at one display scale per call:
#   fidelity_e2e.sh TINTORAL RENDER SCALING SIZE SET [WM]
#     SCALING  scale=F (QT_SCALE_FACTOR) or xft-dpi=D (the X resource Xft.dpi)
#     SIZE     the screen in device pixels, e.g. 1023x767
#     SET      all (every test, tuned states, orbit, frame bursts) or some
#     WM       openbox (the default) or none
TINTORAL=${1:?usage: fidelity_e2e.sh TINTORAL RENDER SCALING SIZE SET}
RENDER=${2:?}
SCALING=${3:?}
SIZE=${4:?}
SET=${5:?}
source "$(dirname "$0")/lib.sh"

e2e_start_x "$SIZE" "${6:-openbox}"
case $SCALING in
  scale=*) export QT_SCALE_FACTOR=${SCALING#scale=}; E2E_SCALE=$QT_SCALE_FACTOR ;;
  xft-dpi=*) echo "Xft.dpi: ${SCALING#xft-dpi=}" | xrdb -merge
             xrdb -query | grep -qx "Xft.dpi:[[:space:]]*${SCALING#xft-dpi=}" \
               || { echo "the X server did not keep Xft.dpi: ${SCALING#xft-dpi=}"; exit 1; }
             E2E_SCALE=$(awk -v d="${SCALING#xft-dpi=}" 'BEGIN { print d / 96 }') ;;
  *) echo "unknown scaling '$SCALING'"; exit 2 ;;
esac
# Twips per device pixel: 1440 / (96 logical dpi x device pixel ratio).
TPP=$(awk -v s="$E2E_SCALE" 'BEGIN { printf "%.17g", 1440 / (96 * s) }')
SCREEN="$SIZE+0+0"
echo "scaling $SCALING on $SIZE: $TPP twips per pixel"

e2e_start_app
e2e_show_launcher
check "the selection window fits on the screen" \
  "$(read -r x y w h < <(e2e_geometry 'Select Test'); [ $((x + w)) -le "${SIZE%x*}" ] && [ $((y + h)) -le "${SIZE#*x}" ] && echo yes)" yes
# Every click below is placed for this scale: if the program runs at another
# one, say so once and stop instead of failing every comparison after it.
e2e_expect_scale || exit 1
# Orbiting off for the still comparisons; it is switched on for the orbit ones.
e2e_click_launcher $E2E_ORBITING_BOX

expect_test() { # what, button index, render options beyond mode, size and twips
  local what=$1 index=$2
  shift 2
  e2e_expect_render "$what" "$SCREEN" --mode "${E2E_MODE[$index]}" --size "$SIZE" \
    --twips-per-pixel "$TPP" "$@"
}

# Every test (or a representative few) at its default state.
if [ "$SET" = all ]; then
  indices=$(seq 0 23)
else
  indices="1 4 8 9 16 17 18 19 20 21 23"
fi
for i in $indices; do
  e2e_choose "$i"
  expect_test "test $i (mode ${E2E_MODE[$i]}) at default" "$i"
  # Kept for a look with E2E_KEEP=1.
  [ "$i" = 8 ] && e2e_shot white-dots
  [ "$i" = 16 ] && e2e_shot geometry
done

# Tuned states: button index | keys | render options | keys that restore the defaults.
tuned=(
  "1|plus slash|--nb-box 17 --half-mode 1|slash Return"
  "4|plus plus plus|--black-level 4|Return"
  "8|minus minus minus|--nb-points 22|Return"
  "9|space asterisk|--alt-mode 1 --nb-points 50|space Return"
  "16|plus slash|--nb-box-geo 25 --half-mode 1|slash Return"
  "19|plus plus|--current-color 2|Return"
  "20|minus|--current-color 7|Return"
  "23|plus plus slash|--nb-points 27 --half-mode 1|slash Return"
  "18|asterisk|--nb-box 255|Return"
)
[ "$SET" = all ] || tuned=("${tuned[2]}" "${tuned[3]}" "${tuned[5]}")
for row in "${tuned[@]}"; do
  IFS='|' read -r i keys options restore <<< "$row"
  e2e_choose "$i"
  # shellcheck disable=SC2086
  xdotool key --delay 40 $keys
  # shellcheck disable=SC2086
  expect_test "test $i after keys '$keys'" "$i" $options
  # shellcheck disable=SC2086
  xdotool key --delay 40 $restore
  expect_test "test $i back at default after '$restore'" "$i"
done

# Frame bursts: while keys change the dot density as fast as they come, every
# shot shows one whole frame of one of the densities typed, never a mix.
if [ "$SET" = all ]; then
  e2e_choose 8
  frames=()
  for n in 25 26 27 28 29 30; do
    frames+=("$(e2e_render --mode 14 --size "$SIZE" --twips-per-pixel "$TPP" --nb-points "$n")")
  done
  xdotool key --delay 60 plus plus plus plus plus &
  typing=$!
  torn=0
  for shot in $(seq 12); do
    [ "$(E2E_TRIES=1 e2e_await_match "$SCREEN" "${frames[@]}")" = 0 ] && torn=$((torn + 1))
  done
  wait $typing
  check "burst of keys: every shot is a whole frame" "$torn" 0
  [ "$(e2e_await_match "$SCREEN" "${frames[5]}")" = 1 ] || echo "  the last density typed is not shown"
  xdotool key Return

  # Switching tests: the shot right after the click is one of the two tests,
  # never a frame of the wrong size or a blend.
  e2e_choose 2
  e2e_show_launcher
  e2e_click_launcher ${E2E_BUTTON[9]}
  check "test switch: first shot is a whole frame" \
    "$(E2E_TRIES=1 e2e_await_match "$SCREEN" "$(e2e_render --mode 3 --size "$SIZE" --twips-per-pixel "$TPP")" \
         "$(e2e_render --mode 23 --size "$SIZE" --twips-per-pixel "$TPP")")" 2
fi

# Orbiting on, slider at 1 second: after the first tick the pattern sits one
# pixel up (the orbit's first step), or one up and right if the shot came
# after the second tick.
e2e_show_launcher
e2e_click_launcher $E2E_ORBITING_BOX
if [ "$SET" = all ]; then orbiting="8 9 16 23"; else orbiting="8 23"; fi
for i in $orbiting; do
  e2e_choose "$i"
  sleep 1.1
  home=$(e2e_render --mode "${E2E_MODE[$i]}" --size "$SIZE" --twips-per-pixel "$TPP")
  up=$(e2e_render --mode "${E2E_MODE[$i]}" --size "$SIZE" --twips-per-pixel "$TPP" --orbit 0,-1)
  upright=$(e2e_render --mode "${E2E_MODE[$i]}" --size "$SIZE" --twips-per-pixel "$TPP" --orbit 1,-1)
  got=$(e2e_await_match "$SCREEN" "$up" "$upright")
  check "test $i orbiting: one pixel from home after a tick" "$([ "$got" != 0 ] && echo moved || echo other)" moved
  [ "$got" = 0 ] && e2e_explain_mismatch "test $i orbit" "$SCREEN" "$up"
  check "test $i orbiting: the home render differs" "$(cmp -s "$home" "$up" && echo same || echo differs)" differs
done

e2e_show_launcher
e2e_click_launcher $E2E_EXIT_BUTTON
check "exit: status" "$(e2e_wait_exit)" 0
e2e_finish
