#!/usr/bin/env bash
# Makes the JPEG fuzzer's own seeds in fuzz/jpeg_seeds/: small pictures (40x24)
# in every form the decoder reads or refuses, written by libjpeg-turbo's tools
# and ImageMagick from a corner of a sample photo. Run once; the seeds are
# kept in the repository.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/fuzz/jpeg_seeds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/*.jpg

djpeg -ppm "$root/tests/corpus/jpeg/ljt_testorig.jpg" >"$work/full.ppm"
/usr/bin/convert "$work/full.ppm" -crop 40x24+90+60 +repage "$work/small.ppm"
printf '0,1,2: 0 0 0 2; 0: 1 63 0 3; 1: 1 63 0 1; 2: 1 63 0 1; 0,1,2: 0 0 2 1;
0: 1 63 3 2; 0: 1 63 2 1; 0,1,2: 0 0 1 0; 0: 1 63 1 0; 1: 1 63 1 0; 2: 1 63 1 0;\n' \
    >"$work/bits.txt"
printf '2: 0 0 0 0; 1: 0 0 0 0; 0: 0 0 0 0; 0: 1 9 0 0; 2: 1 63 0 0; 1: 1 63 0 0;
0: 10 63 0 0;\n' >"$work/bands.txt"

make() {  # name, cjpeg options
    cjpeg $2 "$work/small.ppm" >"$out/$1.jpg"
}
make baseline_420 "-sample 2x2"
make baseline_422_restart "-sample 2x1 -restart 1B"
make baseline_444 "-sample 1x1"
make baseline_grey "-grayscale"
make extended_q3 "-quality 3"
make progressive_420 "-progressive"
make progressive_444_restart "-progressive -sample 1x1 -restart 2B"
make progressive_grey "-progressive -grayscale"
make progressive_q3 "-progressive -quality 3"
make arithmetic "-arithmetic"
jpegtran -scans "$work/bits.txt" "$out/baseline_420.jpg" >"$out/progressive_refinements.jpg"
jpegtran -scans "$work/bands.txt" -restart 3B "$out/baseline_422_restart.jpg" \
    >"$out/progressive_bands_restart.jpg"
/usr/bin/convert "$work/small.ppm" -interlace Plane "$out/progressive_imagemagick.jpg"
# Half of a progressive file, and 0xFF fill bytes before every marker.
head -c "$(($(stat -c %s "$out/progressive_420.jpg") / 2))" "$out/progressive_420.jpg" \
    >"$out/progressive_truncated.jpg"
python3 - "$out/progressive_420.jpg" "$out/progressive_fill_bytes.jpg" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
out = bytearray(data[:2])
i = 2
while i < len(data):
    if data[i] == 0xFF and i + 1 < len(data) and data[i + 1] not in (0x00, 0xFF) \
            and not 0xD0 <= data[i + 1] <= 0xD7:
        out += b"\xff\xff"
    out.append(data[i])
    i += 1
open(sys.argv[2], "wb").write(out)
PY
ls -l "$out"
