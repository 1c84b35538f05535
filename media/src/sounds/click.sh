#!/bin/sh
# The mouse-hint click: a very short, soft "tock" — a muffled noise transient over a quickly
# dying low tone — so that a click every 667 ms does not tire the ear.
# Usage: click.sh OUT.wav
set -eu
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# -R seeds the noise generator and the dither with fixed values: the same bytes every run.
sox -R -n -r 44100 -c 1 -b 16 "$tmp/tick.wav" synth 0.006 whitenoise lowpass 2500 fade l 0 0.006 0.005 gain -6
sox -R -n -r 44100 -c 1 -b 16 "$tmp/tone.wav" synth 0.07 sine 900 fade l 0.001 0.07 0.068 gain -10
sox -R -m "$tmp/tick.wav" "$tmp/tone.wav" "$tmp/mix.wav"
sox -R "$tmp/mix.wav" "$out" pad 0.005 0.03 norm -9
