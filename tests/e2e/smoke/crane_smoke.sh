#!/usr/bin/env bash
# The crane program under Xvfb: it starts full screen on the hangar, wheel turns move the
# magnet and a wheel press turns the arrows (each screenshot compared with the frame the
# headless backend draws for the same step), and Alt+F4 ends it with status 0.
set -uo pipefail
real=$1 frames=$2 out=$3
mkdir -p "$out"
rm -f "$out"/*.png

fail() { echo "FAIL: $*"; exit 1; }
source "$(dirname "$0")/xvfb-session.sh"

"$frames" "$out/headless" 2>/dev/null || fail "the headless run did not write its frames"
start_xvfb

xdotool mousemove 400 300
"$real" 2>/dev/null &
app=$!
window=$(wait_for_window '04517') || fail "no window appeared"
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
[[ $geometry == 800x600 ]] || fail "the window is $geometry, not the full 800x600 screen"
xprop -id "$window" _NET_WM_ICON | grep -q 'Icon (64 x 64)' || fail "the window has no icon"

# Each step's screenshot must settle on the headless frame of that step.
match() {
  local step=$1 differing=
  for _ in $(seq 30); do
    import -window root "$out/screen$step.png" 2>/dev/null
    differing=$(compare -metric AE -fuzz 2% "$out/screen$step.png" "$out/headless$step.png" null: 2>&1)
    [[ ${differing%% *} -le 200 ]] && { echo "step $step: $differing pixels differ"; return 0; }
    sleep 0.2
  done
  fail "step $step: the screen differs from the headless frame in $differing pixels"
}

sleep 0.5
match 0
xdotool click 4 click 4 click 4
match 1
xdotool click 2
match 2
close_with_alt_f4
echo "crane smoke: hangar, wheel turns and press as drawn headless; Alt+F4 ended it with 0"
