#!/usr/bin/env bash
# The crane program under Xvfb: it starts full screen on the information screen, covering the
# whole screen with its picture letterboxed; Enter and Esc lead past the instruction to the
# hangar, wheel turns move the magnet and a wheel press turns the arrows even with the pointer in
# the bars around the picture (each screenshot compared with the frame the headless backend draws
# for the same step); F12's Retry leads back, and a click on the exit button in the picture's
# corner ends it with status 0.
# usage: crane_smoke.sh CRANE CRANE_FRAMES OUT [WIDTHxHEIGHT] [wm]
set -uo pipefail
real=$1 frames=$2 out=$3 size=${4:-800x600} wm=${5:-}
mkdir -p "$out"
rm -rf "$out"/*.png "$out/data"
export XDG_DATA_HOME=$out/data

fail() { echo "FAIL ($size${wm:+ under a window manager}): $*"; exit 1; }
source "$(dirname "$0")/xvfb-session.sh"

"$frames" "$out/headless" 2>/dev/null || fail "the headless run did not write its frames"
start_xvfb "$size" "$wm"

xdotool mousemove $((screen_w / 2)) $((screen_h / 2))
"$real" 2>"$out/stderr.txt" &
app=$!
window=$(wait_for_window '04517') || fail "no window appeared"

# Each step's screenshot must settle on the headless frame of that step.
match() { expect_screen "$out/screen$1.png" "$out/headless$1.png" "step $1"; }
# Rests the pointer at a screen position, arriving there by a real move.
park() { xdotool mousemove $(($1 + 1)) "$2" mousemove "$1" "$2"; }

match 0
# Once the first frame is shown the window is fully set up.
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
[[ $geometry == "$size" ]] || fail "the window is $geometry, not the full $size screen"
expect_letterboxed "$out/screen.png"
icon=$(xprop -id "$window" _NET_WM_ICON)
[[ $icon == *"Icon (64 x 64)"* ]] || fail "the window has no icon"
xdotool key Return
sleep 0.3
xdotool key Escape
match 1

# The turns from one bar, the press from the opposite one (or the middle without bars).
middle=($(on_screen 400 300))
turn_at=("${middle[@]}") press_at=("${middle[@]}")
if ((pic_x > 0)); then
  turn_at=($((pic_x / 2)) ${middle[1]}) press_at=($((screen_w - 1 - pic_x / 2)) ${middle[1]})
elif ((pic_y > 0)); then
  turn_at=(${middle[0]} $((pic_y / 2))) press_at=(${middle[0]} $((screen_h - 1 - pic_y / 2)))
fi
park "${turn_at[@]}"
xdotool click 4 click 4 click 4
match 2
park "${press_at[@]}"
xdotool click 2
match 3

xdotool key F12
park $(on_screen 396 243)
xdotool click 1
match 4
# The exit button, 28 pixels from the picture's right and top edges.
park $(on_screen 772 28)
xdotool click 1
expect_exit "the exit button"
echo "crane smoke ($size${wm:+ under a window manager}): the picture letterboxed on the whole screen," \
  "the hangar's wheel turns and press from the bars as drawn headless, the exit button ended it with 0"
