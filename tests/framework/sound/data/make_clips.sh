#!/bin/sh
# Regenerates the small Ogg Vorbis clips the sound tests play (needs sox with Vorbis support).
set -e
cd "$(dirname "$0")"
sox -n -r 44100 -c 2 -C 0 short_44k_stereo.ogg synth 0.3 sine 440 vol 0.5
sox -n -r 22050 -c 1 -C 0 short_22k_mono.ogg synth 0.5 sine 330 vol 0.5
sox -n -r 11025 -c 1 -C 0 long_11k_mono.ogg synth 2.5 sine 220 vol 0.5
sox -n -r 11025 -c 2 -C 0 long_11k_stereo.ogg synth 1.5 sine 220 sine 275 vol 0.5
