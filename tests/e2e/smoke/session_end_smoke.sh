#!/usr/bin/env bash
# The crane program under Xvfb, ended in the hangar without being closed: the X server ends, the
# terminal closes (SIGHUP), Ctrl+C (SIGINT), logout (SIGTERM). Each run's rows reach the workbook;
# the display's loss ends it with status 1 and one line on standard error, a signal by the signal.
# usage: session_end_smoke.sh CRANE OUT
set -uo pipefail
real=$1 out=$2
rm -rf "$out" && mkdir -p "$out"
export XDG_DATA_HOME=$out/data

fail() { echo "FAIL: $*"; exit 1; }
source "$(dirname "$0")/xvfb-session.sh"

runs=0
for ending in display HUP INT TERM; do
  start_xvfb
  # A job of a script has SIGINT ignored, which the program keeps: Ctrl+C's must reach it.
  env --default-signal=INT "$real" 2>"$out/stderr.txt" &
  app=$!
  wait_for_window '04517' >/dev/null || fail "no window appeared"
  sleep 1
  xdotool type --delay 100 Masha
  xdotool key Return sleep 0.3 key Escape sleep 0.5
  if [[ $ending == display ]]; then kill $xvfb; else kill -$ending $app; fi
  for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
  kill -0 $app 2>/dev/null && fail "$ending did not end the program"
  wait $app
  status=$? app=
  kill $xvfb 2>/dev/null && wait $xvfb 2>/dev/null
  if [[ $ending == display ]]; then
    [[ $status -eq 1 ]] || fail "status $status after the display went away"
    [[ $(wc -l <"$out/stderr.txt") -eq 1 ]] && grep -q '^The display :[0-9]* went away' "$out/stderr.txt" ||
      fail "standard error after the display went away: $(cat "$out/stderr.txt")"
  else
    [[ $status -eq $((128 + $(kill -l $ending))) ]] || fail "status $status after SIG$ending"
  fi
  runs=$((runs + 1))
  rows=$(grep -o 'Время начала работы с упражнением' "$XDG_DATA_HOME/VELT/"*.xls | wc -l)
  [[ $rows -eq $runs ]] || fail "after $ending the workbook holds $rows runs' start rows, not $runs"
  echo "$ending: the run's rows saved, status $status"
done
