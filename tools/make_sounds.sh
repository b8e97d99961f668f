#!/usr/bin/env bash
# Makes the engine's sound assets with sox and oggenc (Debian packages sox and
# vorbis-tools):
#   Data/Sound/chime.wav  a short bell-like effect, 16-bit stereo 22050 Hz
#   Data/Sound/theme.ogg  an eight-second plucked tune that loops cleanly
# Run from the repository root: bash tools/make_sounds.sh
set -euo pipefail
out=Data/Sound
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

sox -n -r 22050 -c 2 -b 16 "$out/chime.wav" \
    synth 0.6 sine 1318.5 sine 1975.5 remix 1,2 1,2 fade q 0.005 0.6 0.55 gain -6

# A minor-key tune of sixteen half-second plucked notes over a soft drone.
notes=(A3 C4 E4 A4 G4 E4 C4 E4 F3 A3 C4 F4 E4 C4 B3 G3)
parts=()
for i in "${!notes[@]}"; do
    part="$work/note$i.wav"
    sox -n -r 22050 -c 2 -b 16 "$part" synth 0.5 pluck "${notes[$i]}" fade q 0.002 0.5 0.1
    parts+=("$part")
done
sox "${parts[@]}" "$work/melody.wav"
sox -n -r 22050 -c 2 -b 16 "$work/drone.wav" synth 8 sine A2 sine E3 fade q 0.2 8 0.2 gain -18
sox -m "$work/melody.wav" "$work/drone.wav" "$work/theme.wav" gain -n -3
oggenc -Q -q 3 -o "$out/theme.ogg" "$work/theme.wav"
echo "wrote $out/chime.wav and $out/theme.ogg"
