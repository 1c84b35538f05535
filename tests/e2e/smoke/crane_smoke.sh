#!/usr/bin/env bash
# The crane program under Xvfb: it starts full screen on the hangar, wheel turns move the
# magnet and a wheel press turns the arrows (each screenshot compared with the frame the
# headless backend draws for the same step), and Alt+F4 ends it with status 0.
set -uo pipefail
real=$1 frames=$2 out=$3
mkdir -p "$out"
rm -f "$out"/*.png

fail() { echo "FAIL: $*"; exit 1; }
for tool in Xvfb xdotool import compare; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
done
"$frames" "$out/headless" 2>/dev/null || fail "the headless run did not write its frames"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=
trap 'kill $xvfb $app 2>/dev/null; wait 2>/dev/null' EXIT
export DISPLAY=$display SDL_AUDIODRIVER=dummy
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

xdotool mousemove 400 300
"$real" 2>/dev/null &
app=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '04517' 2>/dev/null | head -1)
  [[ -n $window ]] && break
  sleep 0.1
done
[[ -n $window ]] || fail "no window appeared"
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ {print $2}')
[[ $geometry == 800x600 ]] || fail "the window is $geometry, not the full 800x600 screen"

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
xdotool key alt+F4
for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
kill -0 $app 2>/dev/null && fail "Alt+F4 did not end the program"
wait $app
status=$?
app=
[[ $status -eq 0 ]] || fail "exit status $status"
echo "crane smoke: hangar, wheel turns and press as drawn headless; Alt+F4 ended it with 0"
