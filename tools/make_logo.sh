#!/usr/bin/env bash
# Makes the engine's logo, Data/Logo/v3dlogo.png: "VARNO" in heavy letters
# with a gold-to-copper gradient, a dark outline, a warm glow and a soft drop
# shadow, and "ENGINE" spaced out beneath, on a transparent 208 x 76 RGBA
# picture (the demonstration draws it in the bottom-right corner over its
# dark background).
#
# Run from the repository root: bash tools/make_logo.sh
# Needs ImageMagick's convert (Debian package imagemagick; the real one is
# /usr/bin/convert) and the DejaVu fonts (fonts-dejavu-core).
set -euo pipefail
cd "$(dirname "$0")/.."

convert=/usr/bin/convert
fonts=/usr/share/fonts/truetype/dejavu
bold=$fonts/DejaVuSans-Bold.ttf
plain=$fonts/DejaVuSansCondensed-Bold.ttf
width=208
height=76
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The word as a white mask, drawn once so every layer lines up.
"$convert" -size ${width}x${height} xc:none -font "$bold" -pointsize 46 -kerning 1 \
    -fill white -annotate +10+48 'VARNO' "$work/mask.png"

# Gradient fill cut to the letters (pale gold at their tops, copper at the
# baseline), with a light band across their upper half.
"$convert" -size ${width}x36 gradient:'#fff4b0'-'#b83c14' -background '#b83c14' \
    -gravity north -splice 0x13 -extent ${width}x${height} "$work/gradient.png"
"$convert" "$work/gradient.png" -alpha set "$work/mask.png" -compose DstIn -composite \
    "$work/fill.png"
"$convert" -size ${width}x${height} xc:none -fill 'rgba(255,255,255,0.28)' \
    -draw "rectangle 0,14 $width,30" "$work/mask.png" -compose DstIn -composite "$work/shine.png"

# Outline: the mask grown by a pixel or two, dark brown.
"$convert" "$work/mask.png" -morphology Dilate Disk:2 -fill '#2a1208' -colorize 100 \
    "$work/outline.png"

# A warm glow round the letters, so they stand off the dark background.
"$convert" "$work/mask.png" -morphology Dilate Disk:4 -fill '#ff9038' -colorize 100 \
    -channel A -evaluate multiply 0.7 +channel -blur 0x3 "$work/glow.png"

# Shadow: the outline blurred and pushed down to the right.
"$convert" "$work/outline.png" -channel A -evaluate multiply 0.8 +channel -blur 0x3 \
    -page +3+4 -background none -flatten "$work/shadow.png"

# "ENGINE" under the word, spaced out, light grey on a thin dark outline.
"$convert" -size ${width}x${height} xc:none -font "$plain" -pointsize 13 -kerning 7 \
    -stroke '#1a1a1a' -strokewidth 3 -fill '#1a1a1a' -annotate +52+68 'ENGINE' \
    -stroke none -fill '#d8dce4' -annotate +52+68 'ENGINE' "$work/engine.png"

mkdir -p Data/Logo
"$convert" -size ${width}x${height} xc:none \
    "$work/shadow.png" -composite \
    "$work/glow.png" -composite \
    "$work/outline.png" -composite \
    "$work/fill.png" -composite \
    "$work/shine.png" -composite \
    "$work/engine.png" -composite \
    -strip -depth 8 -define png:color-type=6 -define png:exclude-chunks=date,time \
    Data/Logo/v3dlogo.png
echo "wrote Data/Logo/v3dlogo.png (${width}x${height} RGBA)"
