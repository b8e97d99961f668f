#!/usr/bin/env bash
# Makes the JPEG benchmark's photos in OUT-DIR: a sample photo scaled to about
# 2, 5 and 12 megapixels with a little noise (so the fine detail of a camera
# photo is there to code), written by cjpeg at quality 90 in 4:2:0, 4:2:2,
# 4:4:4 and grey, progressive 4:2:0 and 4:4:4 besides, and by ImageMagick as a
# progressive (plane-interlaced) file.
#
# usage: bench/jpeg_photos.sh SOURCE.jpg OUT-DIR
set -euo pipefail
source=$1
out=$2
mkdir -p "$out"
convert=/usr/bin/convert
[[ -x $convert ]] || convert=convert
for size in 1600x1200:2mp 2560x1920:5mp 4000x3000:12mp; do
    geometry=${size%%:*}
    name=${size##*:}
    ppm=$out/source_$name.ppm
    "$convert" "$source" -strip -resize "$geometry!" -seed 1 -attenuate 0.4 +noise Gaussian \
        "ppm:$ppm"
    cjpeg -quality 90 -sample 2x2 "$ppm" >"$out/photo_${name}_420.jpg"
    cjpeg -quality 90 -sample 2x1 "$ppm" >"$out/photo_${name}_422.jpg"
    cjpeg -quality 90 -sample 1x1 "$ppm" >"$out/photo_${name}_444.jpg"
    cjpeg -quality 90 -grayscale "$ppm" >"$out/photo_${name}_grey.jpg"
    cjpeg -quality 90 -sample 2x2 -progressive "$ppm" >"$out/photo_${name}_420_progressive.jpg"
    cjpeg -quality 90 -sample 1x1 -progressive "$ppm" >"$out/photo_${name}_444_progressive.jpg"
    "$convert" "$ppm" -quality 90 -sampling-factor 2x2 -interlace Plane \
        "$out/photo_${name}_420_imagemagick_progressive.jpg"
    rm -f "$ppm"
done
