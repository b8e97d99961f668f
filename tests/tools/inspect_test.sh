#!/usr/bin/env bash
# The asset inspector's contract, on every sample file and on damaged copies:
# exit status 0 with one well-formed line, or 1 with the decoder's message;
# never another status, a signal or a hang.
#
# usage: inspect_test.sh VARNO-INSPECT CORPUS-DIR
set -u
inspect=$1
corpus=$2
. "$(dirname "$0")/../e2e/common.sh"

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

# Models: every sample and a cut copy reads or is refused, never worse.
check_model() {
    local file=$1
    timeout 20 "$inspect" model "$file" >"$work/out" 2>"$work/err"
    local rc=$?
    case $rc in
        0) grep -q '^kind ' "$work/out" || fail "$file: no kind line" ;;
        1) [[ -s $work/err ]] || fail "$file: refused without a message" ;;
        *) fail "$file: model exit status $rc" ;;
    esac
}
for file in "$corpus"/3ds/* "$corpus"/md2/* Data/Model/*.xml; do
    check_model "$file"
    half="$work/cut-$(basename "$file")"
    head -c $(($(stat -c %s "$file") / 2)) "$file" >"$half"
    check_model "$half"
done

has_line() {
    local command=$1 file=$2 want=$3
    "$inspect" "$command" "$file" 2>/dev/null | grep -qxF "$want" ||
        fail "$command $file: no line \"$want\""
}
has_line model "$corpus/3ds/assimp_jeep1.3ds" "meshes 7"
has_line model "$corpus/3ds/assimp_jeep1.3ds" "totalVertices 6096"
has_line model "$corpus/md2/assimp_faerie.md2" "frames 198"
has_line model "$corpus/md2/assimp_faerie.md2" "animation stand 0 40"
has_line model Data/Model/crate.xml "subobjects 2"
has_line xml Data/Model/crate.xml "error 0 No error line 0 column 0"
printf '<a><b></a>' >"$work/warn.xml"
"$inspect" xml "$work/warn.xml" >"$work/out" 2>&1
[[ $? == 1 && $(head -n 1 "$work/out") == "error 1 Warning: Unmatched end tag line 1 column 11" ]] ||
    fail "xml warning: $(head -n 1 "$work/out")"

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
# A DDS file's first level, decoded in software.
"$inspect" image "$corpus/dds/magnum_dxt5.dds" --ppm "$work/dds.ppm" >/dev/null ||
    fail "dds --ppm: exit status $?"
[[ $(head -c 11 "$work/dds.ppm") == $'P6\n3 2\n255' && $(stat -c %s "$work/dds.ppm") == 29 ]] ||
    fail "dds --ppm: bad header or size"
# Bit-field masks that overlap are refused.
cp tests/data/images/bmp/rgb565-v5.bmp "$work/overlap.bmp"
printf '\x00\xf8' | dd of="$work/overlap.bmp" bs=1 seek=58 conv=notrunc 2>/dev/null
"$inspect" image "$work/overlap.bmp" >/dev/null 2>"$work/err"
[[ $? == 1 && $(cat "$work/err") == "unsupported bitmap type or bad bit masks (0xf800 0xf800 0x1f 0x0)" ]] ||
    fail "overlapping masks: $(cat "$work/err")"

"$inspect" image "$corpus/jpeg/ljt_testimgari.jpg" >/dev/null 2>"$work/err"
[[ $? == 1 ]] || fail "arithmetic-coded JPEG not rejected"
"$inspect" image /nonexistent.bmp >/dev/null 2>"$work/err"
[[ $? == 1 && $(cat "$work/err") == 'error: couldn'"'"'t open "/nonexistent.bmp"!' ]] ||
    fail "missing file: $(cat "$work/err")"

finish "inspector checked on $count sample files and their truncated copies"
