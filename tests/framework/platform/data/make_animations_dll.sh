#!/bin/sh
# Builds the small resource-only module the resource tests read (needs binutils-mingw-w64-x86-64
# and a C preprocessor, cpp).
# RCDATA 4001 is an Ogg clip of the sound tests, 4002 a short text; a named RCDATA entry and a
# string table make sure the reader skips what it does not ask for.
set -e
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'resource 4002' > "$work/text.bin"
cp ../../sound/data/short_44k_stereo.ogg "$work/clip.ogg"
cat > "$work/animations.rc" <<RC
4001 RCDATA "clip.ogg"
4002 RCDATA "text.bin"
NAMED RCDATA "text.bin"
STRINGTABLE
BEGIN
  1 "unused"
END
RC
(cd "$work" && x86_64-w64-mingw32-windres --preprocessor=cpp -O coff -o animations.res.o animations.rc)
x86_64-w64-mingw32-ld --dll -e 0 -s --subsystem windows -o Animations.dll "$work/animations.res.o"
