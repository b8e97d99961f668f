#!/usr/bin/env bash
# The asset inspector's contract, on every sample file and on damaged copies:
# exit status 0 with one well-formed line, or 1 with the decoder's message;
# never another status, a signal or a hang.
#
# usage: inspect_test.sh VARNO-INSPECT CORPUS-DIR
set -u
inspect=$1
corpus=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

line_re='^(bmp|pcx|jpeg|sdl) [0-9]+x[0-9]+ [34] (bottom-up|top-down)$'
dds_re='^dds [0-9]+x[0-9]+ DXT[135] [0-9]+( [0-9]+)+$'

check() {
    local file=$1
    timeout 20 "$inspect" image "$file" >"$work/out" 2>"$work/err"
    local rc=$?
    case $rc in
        0)
            local line
            line=$(cat "$work/out")
            [[ $line =~ $line_re || $line =~ $dds_re ]] || fail "$file: malformed line \"$line\""
            ;;
        1)
            [[ -s $work/err ]] || fail "$file: rejected without a message"
            ;;
        *) fail "$file: exit status $rc" ;;
    esac
}

count=0
for file in "$corpus"/{bmp,pcx,dds,jpeg,tga}/*; do
    check "$file"
    # A copy cut in half under the same name keeps the same decoder.
    half="$work/cut-$(basename "$file")"
    head -c $(($(stat -c %s "$file") / 2)) "$file" >"$half"
    check "$half"
    count=$((count + 1))
done

# Known answers, and the PPM holds the decoded rows.
expect() {
    local file=$1 want=$2
    local got
    got=$("$inspect" image "$file" 2>/dev/null)
    [[ $got == "$want" ]] || fail "$file: \"$got\", expected \"$want\""
}
expect "$corpus/bmp/bmpsuite_g_rgb24.bmp" "bmp 127x64 3 bottom-up"
expect "$corpus/pcx/commonsimg_1plane8bppCompressed.pcx" "pcx 10x10 3 bottom-up"
expect "$corpus/jpeg/jpegdec_jpg-size-17x17.jpg" "jpeg 17x17 4 top-down"
expect "$corpus/dds/pillow_dxt1-rgb-4bbp-noalpha_MipMaps-1.dds" "dds 256x256 DXT1 1 32768"
expect "$corpus/tga/zigimg_utc32.tga" "sdl 128x128 4 top-down"

"$inspect" image "$corpus/jpeg/jpegdec_jpg-size-17x17.jpg" --ppm "$work/out.ppm" >/dev/null ||
    fail "--ppm: exit status $?"
printf 'P6\n17 17\n255\n' | cmp -s - <(head -c 13 "$work/out.ppm") || fail "--ppm: bad header"
[[ $(stat -c %s "$work/out.ppm") == $((13 + 17 * 17 * 3)) ]] || fail "--ppm: bad size"

"$inspect" image "$corpus/jpeg/ljt_testimgp.jpg" >/dev/null 2>"$work/err"
[[ $? == 1 ]] || fail "progressive JPEG not rejected"
"$inspect" image /nonexistent.bmp >/dev/null 2>"$work/err"
[[ $? == 1 && $(cat "$work/err") == 'error: couldn'"'"'t open "/nonexistent.bmp"!' ]] ||
    fail "missing file: $(cat "$work/err")"

if ((failures > 0)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "inspector checked on $count sample files and their truncated copies"
