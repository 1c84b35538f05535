# Shared by the smoke tests: an Xvfb display for one program, optionally under a window manager,
# where the program's 800x600 picture lies, and waiting on it.
# Source it, then call start_xvfb; `fail` must be defined first.

# start_xvfb [WIDTHxHEIGHT] [wm]: the screen size (800x600 by default); "wm" runs openbox on it.
# Sets screen_w/screen_h and the picture's place pic_x/pic_y/pic_w/pic_h on the screen.
start_xvfb() {
  local size=${1:-800x600} wm=${2:-}
  local tool
  for tool in Xvfb xdotool xprop import compare ${wm:+openbox}; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
  done
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # Xvfb picks a free display number itself and writes it to the pipe. Without -noreset it
  # resets whenever its last client leaves (xdotool's, say), and a program connecting just
  # then is turned away.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
  xvfb=$!
  local number
  read -r -t 20 number <"$fifo" || fail "Xvfb did not start"
  rm -f "$fifo"
  app= manager=
  trap 'kill $app $manager $xvfb 2>/dev/null; wait 2>/dev/null' EXIT
  export DISPLAY=:$number SDL_AUDIODRIVER=dummy
  if [[ -n $wm ]]; then
    openbox --sm-disable >/dev/null 2>&1 &
    manager=$!
    # The manager is in charge once it names itself on the root window.
    for _ in $(seq 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
      sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || fail "openbox did not start"
  fi
  screen_w=${size%x*} screen_h=${size#*x}
  # The picture keeps its aspect: it fills the screen's height or width, centred.
  if ((screen_w * 600 > screen_h * 800)); then
    pic_h=$screen_h pic_w=$((800 * screen_h / 600))
  else
    pic_w=$screen_w pic_h=$((600 * screen_w / 800))
  fi
  pic_x=$(((screen_w - pic_w) / 2)) pic_y=$(((screen_h - pic_h) / 2))
}

# The screen position of the centre of the picture's pixel (x, y).
on_screen() {
  echo "$((pic_x + (2 * $1 + 1) * pic_w / 1600)) $((pic_y + (2 * $2 + 1) * pic_h / 1200))"
}

# The whole screen shows the picture where start_xvfb put it, black around it.
expect_letterboxed() {
  local shot=$1 corner box
  import -window root "$shot" 2>/dev/null
  ((pic_w == screen_w && pic_h == screen_h)) && return 0
  corner=$(convert "$shot" -format '%[pixel:p{0,0}]' info:)
  box=$(convert "$shot" -trim -format '%wx%h%X%Y' info:)
  [[ $corner == "srgb(0,0,0)" ]] || fail "the screen's corner is $corner, not black"
  [[ $box == "${pic_w}x${pic_h}+${pic_x}+${pic_y}" ]] || fail "the picture covers $box of the screen, not ${pic_w}x${pic_h}+${pic_x}+${pic_y}"
  echo "letterboxed: the picture covers ${pic_w}x${pic_h}+${pic_x}+${pic_y} of ${screen_w}x${screen_h}, black around"
}

# Waits for the program's window (by its caption) and prints its id.
wait_for_window() {
  local window
  for _ in $(seq 100); do
    window=$(xdotool search --name "$1" 2>/dev/null | head -1)
    [[ -n $window ]] && { echo "$window"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits for the program to end by itself; its status must be 0.
expect_exit() {
  for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  kill -0 $app 2>/dev/null && fail "$1 did not end the program"
  wait $app
  local status=$?
  app=
  [[ $status -eq 0 ]] || fail "exit status $status after $1"
}

# Alt+F4 must end the program with status 0.
close_with_alt_f4() {
  xdotool key alt+F4
  expect_exit "Alt+F4"
}

# Takes screenshots until the picture's part of one matches the headless frame, scaled the way
# the picture is (the window may still be drawing); fails after about six seconds. Up to 200
# differing pixels of 800x600 are allowed, in proportion when scaled.
expect_screen() {
  local shot=$1 frame=$2 what=$3 differing=
  local wanted=$frame
  local allowed=$((200 * pic_w * pic_h / 480000))
  if ((pic_w != 800 || pic_h != 600)); then
    wanted=${frame%.png}-scaled.png
    convert "$frame" -filter Triangle -resize "${pic_w}x${pic_h}!" "$wanted"
  fi
  for _ in $(seq 30); do
    import -window root -crop "${pic_w}x${pic_h}+${pic_x}+${pic_y}" +repage "$shot" 2>/dev/null
    # Large counts come in exponent notation; an error message is no count.
    differing=$(compare -metric AE -fuzz 2% "$shot" "$wanted" null: 2>&1 |
      awk '{ if ($1 ~ /^[0-9][0-9.e+]*$/) printf "%d", $1; else printf "999999999" }')
    [[ $differing -le $allowed ]] && { echo "$what: $differing pixels differ from the headless frame"; return 0; }
    sleep 0.2
  done
  fail "$what: the screen differs from the headless frame in $differing pixels"
}
