# Shared by the smoke tests: an Xvfb display of 800x600 for one program, and waiting on it.
# Source it, then call start_xvfb; `fail` must be defined first.

start_xvfb() {
  local tool
  for tool in Xvfb xdotool xprop import compare; do
    command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
  done
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # Xvfb picks a free display number itself and writes it to the pipe.
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb=$!
  local number
  read -r -t 20 number <"$fifo" || fail "Xvfb did not start"
  rm -f "$fifo"
  app=
  trap 'kill $xvfb $app 2>/dev/null; wait 2>/dev/null' EXIT
  export DISPLAY=:$number SDL_AUDIODRIVER=dummy
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

# Alt+F4 must end the program with status 0.
close_with_alt_f4() {
  xdotool key alt+F4
  for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  kill -0 $app 2>/dev/null && fail "Alt+F4 did not end the program"
  wait $app
  local status=$?
  app=
  [[ $status -eq 0 ]] || fail "exit status $status"
}

# Takes screenshots until one matches the headless frame (the window may still be drawing);
# fails after about six seconds.
expect_screen() {
  local shot=$1 frame=$2 what=$3 differing=
  for _ in $(seq 30); do
    import -window root "$shot" 2>/dev/null
    differing=$(compare -metric AE -fuzz 2% "$shot" "$frame" null: 2>&1)
    [[ ${differing%% *} -le 200 ]] && { echo "$what: $differing pixels differ from the headless frame"; return 0; }
    sleep 0.2
  done
  fail "$what: the screen differs from the headless frame in $differing pixels"
}
