#!/usr/bin/env bash
# The crane program under Xvfb: it starts full screen on the information screen, Enter and Esc
# lead past the instruction to the hangar, wheel turns move the magnet and a wheel press turns
# the arrows (each screenshot compared with the frame the headless backend draws for the same
# step), and Alt+F4 ends it with status 0.
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

# Each step's screenshot must settle on the headless frame of that step.
match() { expect_screen "$out/screen$1.png" "$out/headless$1.png" "step $1"; }

match 0
# Once the first frame is shown the window is fully set up.
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
[[ $geometry == 800x600 ]] || fail "the window is $geometry, not the full 800x600 screen"
icon=$(xprop -id "$window" _NET_WM_ICON)
[[ $icon == *"Icon (64 x 64)"* ]] || fail "the window has no icon"
xdotool key Return
sleep 0.3
xdotool key Escape
match 1
xdotool click 4 click 4 click 4
match 2
xdotool click 2
match 3
close_with_alt_f4
echo "crane smoke: information screen, hangar, wheel turns and press as drawn headless; Alt+F4 ended it with 0"
