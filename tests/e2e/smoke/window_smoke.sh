#!/usr/bin/env bash
# The real window under Xvfb: the pointer over a button shows its hover picture (compared with
# the headless frame), the wheel's press and turns and typed Cyrillic reach the program as the
# window messages it expects, and Alt+F4 ends it with status 0.
set -uo pipefail
real=$1 headless=$2 out=$3
mkdir -p "$out"
log=$out/messages.txt shot=$out/screen.png frame=$out/headless.png
rm -f "$log" "$shot" "$frame"

fail() { echo "FAIL: $*"; [[ -f $log ]] && cat "$log"; exit 1; }
source "$(dirname "$0")/xvfb-session.sh"

"$headless" "$frame" 2>/dev/null || fail "the headless run did not write its frame"
start_xvfb

xdotool mousemove 142 123
"$real" "$log" 2>/dev/null &
app=$!
wait_for_window '04517' >/dev/null || fail "no window appeared"
sleep 0.5
# Wiggle onto the button so the hover is decided from a real move as well.
xdotool mousemove 141 122 mousemove 142 123
expect_screen "$shot" "$frame" "hover"

xdotool click 2
xdotool click 4
xdotool click 5
xdotool type --delay 250 'Жук'
sleep 0.5
close_with_alt_f4

# 0x207/0x208 wheel press and release, 0x20A wheel turns, all in client coordinates.
grep -q '^button 519 16 0 142 123$' "$log" || fail "no wheel press at the pointer"
grep -q '^button 520 0 0 142 123$' "$log" || fail "no wheel release"
grep -q '^button 522 0 120 142 123$' "$log" || fail "no wheel turn away (+120)"
grep -q '^button 522 0 -120 142 123$' "$log" || fail "no wheel turn toward (-120)"
chars=$(awk '$1 == "key" && $2 == 258 {printf "%s ", $3}' "$log")
[[ $chars == "1046 1091 1082 " ]] || fail "typed text arrived as '$chars'"
echo "window smoke: messages as expected"
